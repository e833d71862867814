#pragma once
// PLACEHOLDER (issue #3): the operating-system facts start-up's requirement check and the log
// header need. The full system information replaces this.

#include "classlib/String.h"

struct CWindowsVersion
{
    DWORD dwMajor = 0, dwMinor = 0, dwBuild = 0;
    WORD wServicePackMajor = 0;
    BYTE wProductType = 0;
    CString strServicePack;
};

CWindowsVersion GetWindowsVersion();
// NT 5.1, or NT 5.2 workstation (XP x64).
bool IsWindowsXPFamily();
bool IsWindowsXPOrLater();
bool IsWindowsVistaOrLater();
CString GetComputerNameText();
CString GetUserLoginName();
