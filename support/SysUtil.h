#pragma once
// PLACEHOLDER (issue #4): the process, module and error helpers start-up needs, written to
// their final contract. The full process, shell and registry utilities join them.

#include "classlib/String.h"

// "%u: " and the system's message for GetLastError().
CString GetLastErrorText();
// The system's message for the code without its line break, then " (%d)"; an unknown code gives
// only the " (%d)" part.
CString GetSystemErrorText(DWORD code);
CString GetLastSystemErrorText();
// True when this 32-bit process runs under WOW64; false where the system cannot tell.
bool IsWow64();
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
