#pragma once
// The process-wide trace log: timestamped UTF-16 lines in files named after a prefix,
// the local date and time and the process id. A line is also echoed to the debugger output,
// but only while someone can read it there: a debugger is attached, or a debug-output monitor
// is listening (looked up at most once a second). Without one the echo would cost an exception
// per line and reach no one.
//
// The format is always a literal: data (paths, names, texts from outside) goes in as
// arguments, as in Trace(TRACE_INFO, L"Computer name: %s", name).

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

// The log's clock: the local time of its lines and file names, and the tick count that paces
// its look-up for a debug-output monitor (compared by unsigned differences, so the count may
// wrap). Tests replace it.
struct TraceClockCalls
{
    void (*pLocalTime)(SYSTEMTIME* pNow);
    DWORD(WINAPI* pTickCount)();
};
// Null restores the system's clock; gives back the previous table.
const TraceClockCalls* SetTraceClockCalls(const TraceClockCalls* pCalls);
