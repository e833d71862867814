#pragma once
// Process, module, error-text and small system helpers. Stateless unless said otherwise.

#include "classlib/String.h"

#include <tlhelp32.h>

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
// Waits up to maxMs for the object (none when null) or for a message to this thread, then
// dispatches every waiting message: what another thread sends is answered as it comes, not
// after the interval. True when the object is signalled.
bool WaitPumpingMessages(HANDLE hObject, DWORD maxMs);

// Local time that differs from every earlier result of this function (it waits a millisecond
// when needed), also across threads.
void GetUniqueLocalTime(SYSTEMTIME& rTime);
// Drive and folder of the program file with a trailing backslash; null when unknown.
const wchar_t* GetExeFolder();
bool GetModuleFileNameString(CString& rPath);
// File name and extension of this process's image.
bool GetProcessImagePath(CString& rName);
bool FindProcessEntry(DWORD pid, PROCESSENTRY32W& rEntry);
// Exact, case-sensitive match of the executable's file name.
bool FindProcessByExeName(const wchar_t* pszExeName, DWORD& rPid);
// showCommand -1 leaves the window's show state alone.
void ForceWindowToForeground(HWND hWnd, int showCommand);
// The machine-wide settings keys every user shares: full access for system and administrators
// (and the creator of a subkey, which only they can make), inherited by subkeys; power users and
// users read and set values of the key itself, nothing more and nothing inherited. The caller
// frees lpSecurityDescriptor with LocalFree.
bool CreateAllUsersSecurityAttributes(SECURITY_ATTRIBUTES& rAttributes);
