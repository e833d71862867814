#include "TestShell.h"
#include "TestArea.h"

namespace
{
bool WaitForShellWindow(bool bPresent, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        if ((GetShellWindow() != nullptr) == bPresent)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}
} // namespace

bool WaitForNoShellWindow(DWORD timeoutMs)
{
    return WaitForShellWindow(false, timeoutMs);
}

bool CTestShell::Start()
{
    if (GetShellWindow() || !m_process.Start(BinFolder() + L"StandIn.exe", L"/shell /sleep:600000", BinFolder()))
        return false;
    m_bRunning = true;
    return WaitForShellWindow(true, 20000);
}

void CTestShell::Stop()
{
    if (!m_bRunning)
        return;
    m_bRunning = false;
    HWND hShell = GetShellWindow();
    DWORD pid = 0;
    if (hShell && GetWindowThreadProcessId(hShell, &pid) && pid == m_process.GetPid())
        PostMessageW(hShell, WM_CLOSE, 0, 0);
    if (m_process.Wait(20000) == STILL_ACTIVE)
        TerminateProcess(m_process.GetHandle(), 1);
    m_process.Wait(20000);
    WaitForShellWindow(false, 20000);
}
