#pragma once
// Points the process's trace log at a fresh test folder for one test, to read what code logged.

#include "support/TraceLog.h"
#include "tests/common/TestArea.h"

class CTraceCapture
{
public:
    explicit CTraceCapture(const wchar_t* pszTestName)
    {
        SetTracePrefix(FreshTestFolder(pszTestName) + L"Log");
        SetTraceLevel(TRACE_TRACE);
    }
    ~CTraceCapture() { SetTraceLevel(TRACE_OFF); }
    CString Text() const { return ReadUtf16File(GetTraceFileName()); }
};
