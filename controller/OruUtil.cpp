#include "OruUtil.h"

#include "classlib/Handles.h"
#include "support/Registry.h"
#include "support/SysUtil.h"
#include "support/SystemInfo.h"
#include "support/TraceLog.h"

#include <shlwapi.h>
#include <winsvc.h>

namespace
{
const wchar_t kDotNetBaseKey[] = L"Software\\Microsoft\\NET Framework Setup\\NDP";
const wchar_t kRebootRequiredKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update\\RebootRequired";

struct CServiceHandleTraits
{
    static SC_HANDLE Invalid() { return nullptr; }
    static bool IsValid(SC_HANDLE h) { return h != nullptr; }
    static void Close(SC_HANDLE h) { CloseServiceHandle(h); }
};
typedef CScopedResource<SC_HANDLE, CServiceHandleTraits> CScopedServiceHandle;

BOOL IsDotNetVersionInstalled(HKEY hRoot, const wchar_t* pszBaseKey, const wchar_t* pszVersionKey,
                              const wchar_t* pszValue, DWORD minimum)
{
    CString key;
    key.Format(L"%s\\%s", pszBaseKey, pszVersionKey);
    DWORD value = 0;
    return ReadRegDword(hRoot, key, pszValue, value, 0) && value >= minimum;
}

bool DetectForThisSystem(BOOL* pb20, BOOL* pb30, BOOL* pb35, BOOL* pb40)
{
    OSVERSIONINFOEXW info;
    QueryVersionEx(info);
    const bool bVista = info.dwMajorVersion == 6 && info.dwMinorVersion == 0;
    const bool bWin7OrLater = info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion != 0);
    COruUtil::DetectDotNetVersionsAt(HKEY_LOCAL_MACHINE, kDotNetBaseKey, bVista, bWin7OrLater, pb20, pb30, pb35, pb40);
    return bVista;
}
}

void COruUtil::DetectDotNetVersionsAt(HKEY hRoot, const wchar_t* pszBaseKey, bool bVista, bool bWin7OrLater,
                                      BOOL* pb20, BOOL* pb30, BOOL* pb35, BOOL* pb40)
{
    *pb20 = *pb30 = *pb35 = *pb40 = FALSE;
    const bool bVistaOrLater = bVista || bWin7OrLater;
    // Before Vista the frameworks were separate installations that report their service pack.
    const wchar_t* pszOlder = bVistaOrLater ? L"Install" : L"SP";
    const DWORD olderMinimum = bVistaOrLater ? 1 : 2;
    *pb20 = IsDotNetVersionInstalled(hRoot, pszBaseKey, L"v2.0.50727", pszOlder, olderMinimum);
    *pb30 = IsDotNetVersionInstalled(hRoot, pszBaseKey, L"v3.0", pszOlder, olderMinimum);
    *pb35 = IsDotNetVersionInstalled(hRoot, pszBaseKey, L"v3.5", bWin7OrLater ? L"Install" : L"SP", 1);
    *pb40 = IsDotNetVersionInstalled(hRoot, pszBaseKey, L"v4\\Full", L"Install", 1);
}

bool COruUtil::DetectDotNetVersions(BOOL* pb20, BOOL* pb30, BOOL* pb35, BOOL* pb40)
{
    DetectForThisSystem(pb20, pb30, pb35, pb40);
    return *pb35 || *pb40;
}

bool COruUtil::IsDotNetFrameworkDisabled(BOOL* pb20, BOOL* pb30, BOOL* pb35, BOOL* pb40)
{
    const bool bVista = DetectForThisSystem(pb20, pb30, pb35, pb40);
    if (bVista)
        return !*pb30;
    return IsWindowsVistaOrLater() && !*pb35;
}

bool COruUtil::DeleteRegistryKey(HKEY hRoot, const wchar_t* pszKeyPath)
{
    const LONG lr = SHDeleteKeyW(hRoot, pszKeyPath);
    if (lr == ERROR_SUCCESS || lr == ERROR_FILE_NOT_FOUND)
        return true;
    Trace(TRACE_TRACE, L"COruUtil::DeleteRegistryKey lResult=[%d] err message = [%s] [%s]", static_cast<int>(lr),
          GetSystemErrorText(static_cast<DWORD>(lr)).GetString(), pszKeyPath);
    return false;
}

bool COruUtil::DeleteRegistryValue(HKEY hRoot, const wchar_t* pszKeyPath, const wchar_t* pszValueName)
{
    CScopedRegKey key;
    const LONG lr = RegOpenKeyExW(hRoot, pszKeyPath, 0, KEY_WRITE, key.Receive());
    if (lr != ERROR_SUCCESS)
        return false;
    const LONG deleted = RegDeleteValueW(key.Get(), pszValueName);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

bool COruUtil::IsRebootPending()
{
    CScopedRegKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRebootRequiredKey, 0, KEY_READ | KEY_WOW64_64KEY, key.Receive()) ==
           ERROR_SUCCESS;
}

bool COruUtil::IsMsiServerRunning()
{
    CScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager)
        return false;
    CScopedServiceHandle service(OpenServiceW(manager.Get(), L"msiserver", SERVICE_QUERY_STATUS));
    if (!service)
        return false;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    return QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status),
                                &needed) &&
           status.dwCurrentState == SERVICE_RUNNING;
}

bool COruUtil::IsInstallationRunning()
{
    CScopedHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\_MSIExecute"));
    // A mutex we may not open still exists.
    return mutex || GetLastError() == ERROR_ACCESS_DENIED;
}

bool COruUtil::Is64BitOS()
{
    if (IsWow64())
        return true;
    const WORD arch = GetNativeProcessorArchitecture();
    return arch == PROCESSOR_ARCHITECTURE_AMD64 || arch == PROCESSOR_ARCHITECTURE_IA64 || arch == 12 /* ARM64 */;
}

bool COruUtil::MeetsSystemRequirements(bool bXPFamily, int servicePackMajor, bool bXPOrLater)
{
    return bXPFamily ? servicePackMajor >= 2 : bXPOrLater;
}

void COruUtil::GetSupportedLanguages(CStringArray& rCodes, int nMode)
{
    static const wchar_t* const kRetail[] = { L"en", L"de", L"fr", L"ja", L"zh" };
    static const wchar_t* const kPartner[] = { L"en", L"de", L"fr", L"es", L"it", L"ja", L"pt", L"zh" };
    rCodes.RemoveAll();
    if (nMode == 0)
        for (const wchar_t* code : kRetail)
            rCodes.Add(code);
    else if (nMode == 1)
        for (const wchar_t* code : kPartner)
            rCodes.Add(code);
    else
        rCodes.Add(L"en");
}
