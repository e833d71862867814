#pragma once
// A desktop shell window for tests that start a program as the desktop user: Wine has none
// unless a program names one (StandIn.exe /shell). Tests that use it hold the
// controller_instance lock, since the shell window is one for the whole desktop.

#include "tests/common/ProcessRun.h"

class CTestShell
{
public:
    CTestShell() = default;
    ~CTestShell() { Stop(); }
    CTestShell(const CTestShell&) = delete;
    CTestShell& operator=(const CTestShell&) = delete;

    // False when a shell window exists already or the stand-in's does not appear in time.
    bool Start();
    // Closes the shell window and waits until the desktop has none again.
    void Stop();
    DWORD GetPid() const { return m_process.GetPid(); }

private:
    CChildProcess m_process;
    bool m_bRunning = false;
};

// Waits (up to the time) until the desktop has no shell window; false when one stays.
bool WaitForNoShellWindow(DWORD timeoutMs);
