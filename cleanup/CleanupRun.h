#pragma once
// The cleanup program's work: after the controller has ended, delete the copy of the setup
// folder it ran from. All messages go to the debugger output; the trace log stays off.

#include <windows.h>

#include "classlib/String.h"

enum ECleanupExitCode
{
    CLEANUP_EXIT_DONE = 0,            // ran to the end, whether or not the folder went
    CLEANUP_EXIT_BAD_PATH = 87,       // no usable folder: nothing waited for, nothing deleted
    CLEANUP_EXIT_WAIT_EXPIRED = 1460, // the process outlived the wait: nothing deleted
    CLEANUP_EXIT_UNHANDLED_EXCEPTION = 1627
};

// What the command line asks for: "/p <id> /d <folder>", options anywhere, read from the raw
// line (a quoted folder may end in a backslash).
struct CCleanupCommandLine
{
    DWORD processId = 0;
    bool bProcessIdValid = true; // false: digits that are no 32-bit id
    CString folder;              // without its quotes; empty when /d is missing
    bool bStrayText = false;     // an unquoted folder followed by text that is no option
};
CCleanupCommandLine ParseCleanupCommandLine(const wchar_t* pszCommandLine);

// The folder to delete in its resolved form, or false (with a message to the debugger output)
// when it may not be deleted: not absolute, a root, a protected folder or one above it, or
// a link or junction at any level.
bool CheckCleanupFolder(const wchar_t* pszFolder, CString& rResolved);

// The whole run: waits for the process (at most waitLimitMs, and only when it is older than
// referenceStart), pauses, deletes the folder. Gives the exit code.
int RunCleanup(const wchar_t* pszCommandLine, DWORD pauseMs, DWORD waitLimitMs, const FILETIME& referenceStart);

// Any fault that is no C++ exception ends the process with 1627 and the error message.
void InstallCleanupExceptionFilter();
