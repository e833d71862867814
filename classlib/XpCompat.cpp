// The POSIX thread runtime of this toolchain imports GetTickCount64, which Windows XP does not
// have: a program importing it would not even load there. This object answers that import
// (the link pulls it in with -u): it calls the system's function where there is one and
// extends the 32-bit tick count otherwise.

#include <windows.h>

namespace
{
typedef ULONGLONG(WINAPI* TickCount64Fn)();

TickCount64Fn g_pSystemTickCount64 = nullptr;
bool g_bLookedUp = false;
volatile LONG g_lock = 0;
DWORD g_lastTicks = 0;
ULONGLONG g_wraps = 0;

ULONGLONG WINAPI TickCount64()
{
    // No function-local statics here: their guards may use the thread runtime that calls us.
    if (!g_bLookedUp)
    {
        g_pSystemTickCount64 = reinterpret_cast<TickCount64Fn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
        g_bLookedUp = true;
    }
    if (g_pSystemTickCount64)
        return g_pSystemTickCount64();

    while (InterlockedExchange(&g_lock, 1) != 0)
        Sleep(0);
    const DWORD now = GetTickCount();
    if (now < g_lastTicks)
        ++g_wraps;
    g_lastTicks = now;
    const ULONGLONG result = (g_wraps << 32) | now;
    InterlockedExchange(&g_lock, 0);
    return result;
}
}

extern "C" TickCount64Fn vantolin_imp_GetTickCount64 __asm__("__imp__GetTickCount64@0");
TickCount64Fn vantolin_imp_GetTickCount64 = TickCount64;
