// A stand-in program for tests: "StandIn.exe [/sleep:ms] [/exit:code]" waits and exits.
#include <windows.h>
#include <cstdlib>
#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    DWORD sleepMs = 0;
    int exitCode = 0;
    for (int i = 1; i < __argc; ++i)
    {
        const wchar_t* a = __wargv[i];
        if (wcsncmp(a, L"/sleep:", 7) == 0)
            sleepMs = static_cast<DWORD>(wcstoul(a + 7, nullptr, 10));
        else if (wcsncmp(a, L"/exit:", 6) == 0)
            exitCode = static_cast<int>(wcstol(a + 6, nullptr, 10));
    }
    Sleep(sleepMs);
    return exitCode;
}
