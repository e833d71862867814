#include "SystemInfo.h"

bool QueryVersionEx(OSVERSIONINFOEXW& rInfo)
{
    ZeroMemory(&rInfo, sizeof(rInfo));
    rInfo.dwOSVersionInfoSize = sizeof(rInfo);
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&rInfo)) != FALSE;
}

namespace
{
bool QueryVersion(OSVERSIONINFOW& rInfo)
{
    ZeroMemory(&rInfo, sizeof(rInfo));
    rInfo.dwOSVersionInfoSize = sizeof(rInfo);
    return GetVersionExW(&rInfo) != FALSE;
}

const wchar_t* KnownOSName(DWORD platform, DWORD major, DWORD minor)
{
    if (platform == VER_PLATFORM_WIN32_WINDOWS)
    {
        switch (minor)
        {
        case 0: return L"Windows 95";
        case 10: return L"Windows 98";
        case 90: return L"Windows Millennium";
        default: return nullptr;
        }
    }
    if (platform != VER_PLATFORM_WIN32_NT)
        return nullptr;
    if (major == 3)
        return L"Windows NT 3.51";
    if (major == 4)
        return L"Windows NT 4.0";
    static const struct
    {
        DWORD major, minor;
        const wchar_t* name;
    } kNames[] = { { 5, 0, L"Windows 2000" }, { 5, 1, L"Windows XP" },    { 5, 2, L"Windows Server 2003" },
                   { 6, 0, L"Windows Vista" }, { 6, 1, L"Windows 7" }, { 6, 2, L"Windows 8" } };
    for (const auto& n : kNames)
        if (n.major == major && n.minor == minor)
            return n.name;
    return nullptr;
}
}

bool IsXPFamilyVersion(DWORD platform, DWORD major, DWORD minor, BYTE productType, WORD nativeArchitecture)
{
    if (platform != VER_PLATFORM_WIN32_NT || major != 5)
        return false;
    return minor == 1 ||
           (minor == 2 && productType == VER_NT_WORKSTATION && nativeArchitecture == PROCESSOR_ARCHITECTURE_AMD64);
}

CString BuildOSName(DWORD platform, DWORD major, DWORD minor, DWORD build, const wchar_t* pszServicePack)
{
    CString name;
    if (const wchar_t* pszKnown = KnownOSName(platform, major, minor))
        name = pszKnown;
    else
        name.Format(L"Windows %d.%d", static_cast<int>(major), static_cast<int>(minor));
    if (pszServicePack && *pszServicePack)
        name.AppendFormat(L", %s", pszServicePack);
    name.AppendFormat(L", build %d", static_cast<int>(build));
    return name;
}

CString BuildServicePackText(const wchar_t* pszServicePack, WORD major, WORD minor)
{
    if (major == 0)
        return L"No Service Pack installed";
    CString text;
    text.Format(L"%s - Version: %d.%d", pszServicePack ? pszServicePack : L"", major, minor);
    return text;
}

WORD GetNativeProcessorArchitecture()
{
    typedef void(WINAPI * GetNativeSystemInfoFn)(LPSYSTEM_INFO);
    SYSTEM_INFO info = {};
    auto fn = reinterpret_cast<GetNativeSystemInfoFn>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetNativeSystemInfo"));
    if (fn)
        fn(&info);
    else
        GetSystemInfo(&info);
    return info.wProcessorArchitecture;
}

bool IsWindowsXPFamily()
{
    OSVERSIONINFOEXW info;
    return QueryVersionEx(info) && IsXPFamilyVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                                                     info.wProductType, GetNativeProcessorArchitecture());
}

bool IsWindowsNT()
{
    OSVERSIONINFOEXW infoEx;
    if (QueryVersionEx(infoEx))
        return infoEx.dwPlatformId == VER_PLATFORM_WIN32_NT;
    OSVERSIONINFOW info;
    return QueryVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int GetServicePackMajor()
{
    OSVERSIONINFOEXW info;
    return QueryVersionEx(info) ? info.wServicePackMajor : 0;
}

int GetSystemTimeIncrementUs()
{
    if (!IsWindowsNT())
        return -1;
    DWORD adjustment = 0, increment = 0;
    BOOL disabled = FALSE;
    if (!GetSystemTimeAdjustment(&adjustment, &increment, &disabled))
        return -1;
    return static_cast<int>(increment / 10);
}

bool IsWindowsXPOrLater()
{
    OSVERSIONINFOEXW info;
    return QueryVersionEx(info) &&
           (info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion != 0));
}

bool IsWindowsVistaOrLater()
{
    OSVERSIONINFOEXW info;
    return QueryVersionEx(info) && info.dwMajorVersion > 5;
}

CString GetOSName()
{
    OSVERSIONINFOW info;
    if (!QueryVersion(info))
        return BuildOSName(0, 0, 0, 0, nullptr);
    return BuildOSName(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                       info.szCSDVersion);
}

CString GetServicePackText()
{
    OSVERSIONINFOEXW info;
    if (!QueryVersionEx(info))
        return BuildServicePackText(nullptr, 0, 0);
    return BuildServicePackText(info.szCSDVersion, info.wServicePackMajor, info.wServicePackMinor);
}

CString GetUserLoginName()
{
    wchar_t name[1024] = {};
    DWORD n = 1024;
    if (!GetUserNameW(name, &n))
        return L"unknown user login name";
    return name;
}

CString GetComputerNameText()
{
    wchar_t name[16] = {};
    DWORD n = 16;
    return GetComputerNameW(name, &n) ? CString(name) : CString();
}
