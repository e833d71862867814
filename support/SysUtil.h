#pragma once
// PLACEHOLDER (issue #4): the process, module and error helpers start-up needs, written to
// their final contract. The full process, shell and registry utilities join them.

#include "classlib/String.h"

// "%u: " and the system's message for GetLastError().
CString GetLastErrorText();
// Upper-case GUID text without braces.
CString FormatGuid(const GUID& guid);
bool CreateGuidString(CString& rGuid);
// The module's file path without the file name and without a trailing backslash.
CString GetModuleFolder(HMODULE hModule);
CString GetModuleFilePath();
// The part of the program path after its last backslash.
CString GetModuleFileNameOnly();
// "%d.%d.%d.%d" of the file's fixed version information; empty without one.
bool GetFileVersionString(CString& rVersion, const wchar_t* pszPath);
bool GetModuleVersionString(CString& rVersion);
// Dispatches every message waiting for this thread; never waits.
void PumpMessages();
