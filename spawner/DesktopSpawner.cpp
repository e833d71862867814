#define DESKTOPSPAWNER_BUILD
#include "DesktopSpawner.h"
#include "classlib/Handles.h"
#include "support/TraceLog.h"

namespace
{
// Windows XP has no CreateProcessWithTokenW: binding it at load time would keep the library
// (and so the controller's start of the product) from loading there at all.
typedef BOOL(WINAPI* CreateProcessWithTokenWFn)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                                LPSTARTUPINFOW, LPPROCESS_INFORMATION);

CreateProcessWithTokenWFn FindCreateProcessWithToken()
{
    HMODULE hAdvapi = GetModuleHandleW(L"advapi32.dll");
    if (!hAdvapi)
        return nullptr;
    return reinterpret_cast<CreateProcessWithTokenWFn>(GetProcAddress(hAdvapi, "CreateProcessWithTokenW"));
}

// A token without the privilege fails here too: AdjustTokenPrivileges then succeeds with
// ERROR_NOT_ALL_ASSIGNED, so only a last error of 0 counts.
bool EnableIncreaseQuotaPrivilege(HANDLE hToken)
{
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, L"SeIncreaseQuotaPrivilege", &privileges.Privileges[0].Luid))
        return false;
    SetLastError(ERROR_SUCCESS);
    AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, nullptr, nullptr);
    return GetLastError() == ERROR_SUCCESS;
}

bool Fail(PROCESS_INFORMATION* pProcessInfo)
{
    if (pProcessInfo)
        ZeroMemory(pProcessInfo, sizeof(*pProcessInfo));
    return false;
}
} // namespace

DESKTOPSPAWNER_API bool __cdecl RunAsDesktopUser(const wchar_t* pszApplication, wchar_t* pszCommandLine,
                                                 const wchar_t* pszCurrentDirectory, STARTUPINFOW* pStartupInfo,
                                                 PROCESS_INFORMATION* pProcessInfo)
{
    Fail(pProcessInfo);
    {
        CScopedHandle ownToken;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, ownToken.Receive()))
        {
            Trace(TRACE_ERROR, L"OpenProcessToken failed: %d", static_cast<int>(GetLastError()));
            return Fail(pProcessInfo);
        }
        if (!EnableIncreaseQuotaPrivilege(ownToken.Get()))
        {
            Trace(TRACE_ERROR, L"AdjustTokenPrivileges failed:");
            return Fail(pProcessInfo);
        }
    }

    HWND hShell = GetShellWindow();
    if (!hShell)
    {
        Trace(TRACE_ERROR, L"No desktop shell is present");
        return Fail(pProcessInfo);
    }
    DWORD shellPid = 0;
    GetWindowThreadProcessId(hShell, &shellPid);
    if (shellPid == 0)
    {
        Trace(TRACE_ERROR, L"Unable to get PID of desktop shell.");
        return Fail(pProcessInfo);
    }
    CScopedHandle shellProcess(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, shellPid));
    if (!shellProcess)
    {
        Trace(TRACE_ERROR, L"Can't open desktop shell process:  ");
        return Fail(pProcessInfo);
    }
    CScopedHandle shellToken;
    if (!OpenProcessToken(shellProcess.Get(), TOKEN_DUPLICATE, shellToken.Receive()))
    {
        Trace(TRACE_ERROR, L"Can't get process token of desktop shell:  ");
        return Fail(pProcessInfo);
    }
    const DWORD primaryAccess =
        TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID;
    CScopedHandle primaryToken;
    if (!DuplicateTokenEx(shellToken.Get(), primaryAccess, nullptr, SecurityImpersonation, TokenPrimary,
                          primaryToken.Receive()))
    {
        Trace(TRACE_ERROR, L"Can't get primary token:  ");
        return Fail(pProcessInfo);
    }

    CreateProcessWithTokenWFn pfnCreate = FindCreateProcessWithToken();
    if (!pfnCreate)
        SetLastError(ERROR_PROC_NOT_FOUND);
    else if (pfnCreate(primaryToken.Get(), 0, pszApplication, pszCommandLine, 0, nullptr, pszCurrentDirectory,
                       pStartupInfo, pProcessInfo))
        return true;
    Trace(TRACE_ERROR, L"CreateProcessWithTokenW failed: %d", static_cast<int>(GetLastError()));
    return Fail(pProcessInfo);
}
