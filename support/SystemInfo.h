#pragma once
// What the Windows version and the machine are: the requirement check, the log header and the
// version-dependent choices of the controller ask here.

#include "classlib/String.h"

// The rules below on given values, so that versions this machine cannot be are testable.
bool IsXPFamilyVersion(DWORD platform, DWORD major, DWORD minor, BYTE productType, WORD nativeArchitecture);
CString BuildOSName(DWORD platform, DWORD major, DWORD minor, DWORD build, const wchar_t* pszServicePack);
CString BuildServicePackText(const wchar_t* pszServicePack, WORD major, WORD minor);

// The system's extended version record; false (and a zeroed record) when the query fails.
bool QueryVersionEx(OSVERSIONINFOEXW& rInfo);
// Processor architecture of the system (GetNativeSystemInfo where it exists), not of this process.
WORD GetNativeProcessorArchitecture();

// NT 5.1, or NT 5.2 workstation on an AMD64 processor (XP x64).
bool IsWindowsXPFamily();
bool IsWindowsNT();
int GetServicePackMajor();
// The clock interrupt interval in microseconds; -1 when not NT or when it cannot be read.
int GetSystemTimeIncrementUs();
bool IsWindowsXPOrLater();
bool IsWindowsVistaOrLater();
// As "Windows 7, Service Pack 1, build 7601".
CString GetOSName();
CString GetServicePackText();
CString GetUserLoginName();
CString GetComputerNameText();
