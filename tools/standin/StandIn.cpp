// A stand-in program for tests: "StandIn.exe [/sleep:ms] [/exit:code] [/mutex:name [/denyall]] [/desktop]"
// waits and exits; with /mutex it holds that named mutex while it waits (/denyall: with an
// access list that lets nobody open it); /desktop makes Wine start its desktop process, so
// that no later test starts it attached to its own output pipes. A copy under another name acts
// by the ini named after it (IniScript.cpp).
#include "IniScript.h"

#include <windows.h>
#include <cstdlib>
#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    DWORD sleepMs = 0;
    int exitCode = 0;
    const wchar_t* pszMutex = nullptr;
    bool denyAll = false;
    for (int i = 1; i < __argc; ++i)
    {
        const wchar_t* a = __wargv[i];
        if (wcsncmp(a, L"/sleep:", 7) == 0)
            sleepMs = static_cast<DWORD>(wcstoul(a + 7, nullptr, 10));
        else if (wcsncmp(a, L"/exit:", 6) == 0)
            exitCode = static_cast<int>(wcstol(a + 6, nullptr, 10));
        else if (wcsncmp(a, L"/mutex:", 7) == 0)
            pszMutex = a + 7;
        else if (wcscmp(a, L"/denyall") == 0)
            denyAll = true;
        else if (wcscmp(a, L"/desktop") == 0)
            GetDesktopWindow();
    }
    RunIniScript(sleepMs, exitCode);
    HANDLE hMutex = nullptr;
    if (pszMutex)
    {
        // An empty access list (not a missing one) grants nothing to anybody.
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        ACL acl;
        InitializeAcl(&acl, sizeof(acl), ACL_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, &acl, FALSE);
        SECURITY_ATTRIBUTES sa = { sizeof(sa), &sd, FALSE };
        hMutex = CreateMutexW(denyAll ? &sa : nullptr, TRUE, pszMutex);
        if (!hMutex)
            return 98;
    }
    Sleep(sleepMs);
    if (hMutex)
        CloseHandle(hMutex);
    return exitCode;
}
