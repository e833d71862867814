#pragma once
// Restarts (or shuts down) the computer. The system calls go through a seam so that tests can
// watch what would happen without the machine that runs them going down.

#include "classlib/String.h"

struct SystemShutdownCalls
{
    BOOL(WINAPI* pInitiateSystemShutdown)(LPWSTR machine, LPWSTR message, DWORD timeout, BOOL force, BOOL reboot);
};
// Null restores the system's own calls; gives back the previous table.
const SystemShutdownCalls* SetSystemShutdownCalls(const SystemShutdownCalls* pCalls);

class CSystemShutdown
{
public:
    CSystemShutdown();
    ~CSystemShutdown();
    CSystemShutdown(const CSystemShutdown&) = delete;
    CSystemShutdown& operator=(const CSystemShutdown&) = delete;

    void SetReboot(bool bReboot) { m_bReboot = bReboot; }
    bool Initiate();
    static bool EnablePrivilege(HANDLE hToken, const wchar_t* pszPrivilege, bool bEnable);

private:
    wchar_t* m_pszMachine = nullptr;
    wchar_t* m_pszMessage = nullptr;
    DWORD m_dwTimeout = 0;
    bool m_bForceAppsClosed = true;
    bool m_bReboot = false;
};
