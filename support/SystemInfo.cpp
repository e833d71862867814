#include "SystemInfo.h"

#include <lmcons.h>

CWindowsVersion GetWindowsVersion()
{
    CWindowsVersion v;
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)))
    {
        v.dwMajor = info.dwMajorVersion;
        v.dwMinor = info.dwMinorVersion;
        v.dwBuild = info.dwBuildNumber;
        v.wServicePackMajor = info.wServicePackMajor;
        v.wProductType = info.wProductType;
        v.strServicePack = info.szCSDVersion;
    }
    return v;
}

bool IsWindowsXPFamily()
{
    const CWindowsVersion v = GetWindowsVersion();
    return (v.dwMajor == 5 && v.dwMinor == 1) || (v.dwMajor == 5 && v.dwMinor == 2 && v.wProductType == VER_NT_WORKSTATION);
}

bool IsWindowsXPOrLater()
{
    const CWindowsVersion v = GetWindowsVersion();
    return v.dwMajor > 5 || (v.dwMajor == 5 && v.dwMinor >= 1);
}

bool IsWindowsVistaOrLater()
{
    return GetWindowsVersion().dwMajor >= 6;
}

CString GetComputerNameText()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &n) ? CString(name) : CString();
}

CString GetUserLoginName()
{
    wchar_t name[UNLEN + 1] = {};
    DWORD n = UNLEN + 1;
    return GetUserNameW(name, &n) ? CString(name) : CString();
}
