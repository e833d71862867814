#include "OruUtil.h"
#include "classlib/Handles.h"
#include "support/TraceLog.h"

#include <winsvc.h>

namespace
{
struct CServiceHandleTraits
{
    static SC_HANDLE Invalid() { return nullptr; }
    static bool IsValid(SC_HANDLE h) { return h != nullptr; }
    static void Close(SC_HANDLE h) { CloseServiceHandle(h); }
};
typedef CScopedResource<SC_HANDLE, CServiceHandleTraits> CScopedServiceHandle;

bool IsServiceRunning(const wchar_t* pszName)
{
    CScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    CScopedServiceHandle service(OpenServiceW(manager.Get(), pszName, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    return service && QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_RUNNING;
}

bool InstallationMutexExists()
{
    CScopedHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\_MSIExecute"));
    return mutex || GetLastError() == ERROR_ACCESS_DENIED;
}
}

BOOL COruUtil::DetectDotNet(BOOL* pb20, BOOL* pb30, BOOL* pb35, BOOL* pb40)
{
    *pb20 = *pb30 = *pb35 = *pb40 = FALSE;
    return FALSE;
}

bool COruUtil::Is64BitWindows()
{
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    auto fn = reinterpret_cast<IsWow64ProcessFn>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process"));
    BOOL wow64 = FALSE;
    return fn && fn(GetCurrentProcess(), &wow64) && wow64;
}

bool COruUtil::IsInstallerServiceBusy()
{
    // The service keeps running for minutes after any installation: only the mutex that an
    // installation holds while it runs makes it busy.
    return IsServiceRunning(L"msiserver") && InstallationMutexExists();
}

CStringArray COruUtil::GetSupportedLanguages(int nPartnerBuild)
{
    static const wchar_t* const kAll[] = { L"de", L"en", L"fr", L"it", L"ja", L"pt", L"zh", L"es" };
    CStringArray codes;
    for (const wchar_t* code : kAll)
        codes.Add(code);
    (void)nPartnerBuild;
    return codes;
}
