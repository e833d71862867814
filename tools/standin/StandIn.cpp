// A stand-in program for tests: "StandIn.exe [/sleep:ms] [/exit:code] [/mutex:name [/denyall]] [/desktop]
// [/shell] [/devicechange:event,type,flags,mask]" waits and exits; with /mutex it holds that named mutex while it waits (/denyall: with an
// access list that lets nobody open it); /desktop makes Wine start its desktop process, so
// that no later test starts it attached to its own output pipes; /shell makes its window the
// desktop's shell window while it waits (closing that window ends the wait early).
// /devicechange broadcasts WM_DEVICECHANGE with that event and a volume header of that device
// type, flags and unit mask (numbers as C writes them), as the system does for a stick.
// /send:hwnd sends WM_NULL to that window (a number as C writes it) and exits with 95 when it
// is not answered within 20 s.
// A copy under another name acts by the ini named after it (IniScript.cpp).
#include "IniScript.h"

#include <windows.h>
#include <dbt.h>
#include <cstdlib>
#include <cwchar>

namespace
{
typedef BOOL(WINAPI* SetShellWindowFn)(HWND);

LRESULT CALLBACK ShellWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

// Wine has no shell window unless a program names one; the headers do not declare the call.
HWND CreateShellWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ShellWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantolinTestShell";
    RegisterClassW(&wc);
    HWND hWnd = CreateWindowExW(0, wc.lpszClassName, L"Test shell", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
    SetShellWindowFn pfnSet =
        reinterpret_cast<SetShellWindowFn>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetShellWindow"));
    if (!hWnd || !pfnSet || !pfnSet(hWnd))
        return nullptr;
    return hWnd;
}

// Waits for the time or until the shell window is closed.
void PumpUntil(DWORD sleepMs)
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= sleepMs)
            return;
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, sleepMs - elapsed, QS_ALLINPUT) != WAIT_OBJECT_0)
            continue;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
                return;
            DispatchMessageW(&msg);
        }
    }
}
bool BroadcastDeviceChange(const wchar_t* pszSpec)
{
    wchar_t* pEnd = nullptr;
    const unsigned long event = wcstoul(pszSpec, &pEnd, 0);
    DEV_BROADCAST_VOLUME volume = {};
    volume.dbcv_size = sizeof(volume);
    if (*pEnd != L',')
        return false;
    volume.dbcv_devicetype = wcstoul(pEnd + 1, &pEnd, 0);
    if (*pEnd != L',')
        return false;
    volume.dbcv_flags = static_cast<WORD>(wcstoul(pEnd + 1, &pEnd, 0));
    if (*pEnd != L',')
        return false;
    volume.dbcv_unitmask = wcstoul(pEnd + 1, &pEnd, 0);
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume),
                               SMTO_ABORTIFHUNG, 2000, &result) != 0;
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    DWORD sleepMs = 0;
    int exitCode = 0;
    const wchar_t* pszMutex = nullptr;
    bool denyAll = false;
    bool shell = false;
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
        else if (wcscmp(a, L"/shell") == 0)
            shell = true;
        else if (wcsncmp(a, L"/devicechange:", 14) == 0 && !BroadcastDeviceChange(a + 14))
            return 96;
        else if (wcsncmp(a, L"/send:", 6) == 0)
        {
            HWND hWnd = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(wcstoul(a + 6, nullptr, 0)));
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result))
                return 95;
        }
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
    if (shell)
    {
        if (!CreateShellWindow())
            return 97;
        PumpUntil(sleepMs);
    }
    else
        Sleep(sleepMs);
    if (hMutex)
        CloseHandle(hMutex);
    return exitCode;
}
