#pragma once
// The process-wide trace log: timestamped UTF-16 lines in files named after a prefix,
// the local date and time and the process id, echoed to the debugger output.
//
// The format is always a literal: data (paths, names, texts from outside) goes in as
// arguments, as in Trace(30, L"Computer name: %s", name).

#include "classlib/String.h"

enum
{
    TRACE_OFF = 0,
    TRACE_ERROR = 10,
    TRACE_WARNING = 20,
    TRACE_INFO = 30,
    TRACE_DEBUG = 40,
    TRACE_TRACE = 50,
    TRACE_VERBOSE = 60
};

void Trace(int level, const wchar_t* pszFormat, ...);
void SetTraceLevel(int level);
void SetTracePrefix(const wchar_t* pszPrefix);
const wchar_t* GetTraceLevelName(int level);
void DeleteOldTraceFiles(const wchar_t* pszPrefix, int keep);

// Full name of the file lines currently go to; empty when none is open.
CString GetTraceFileName();

// The log reads the local time through this seam; null restores the system clock.
typedef void (*TraceClock)(SYSTEMTIME* pNow);
void SetTraceClock(TraceClock clock);
