#include "SystemShutdown.h"
#include "TraceLog.h"

#include "classlib/Handles.h"

#include <cstdlib>

namespace
{
const SystemShutdownCalls kSystemCalls = { InitiateSystemShutdownW };
const SystemShutdownCalls* g_pCalls = &kSystemCalls;
}

const SystemShutdownCalls* SetSystemShutdownCalls(const SystemShutdownCalls* pCalls)
{
    const SystemShutdownCalls* pOld = g_pCalls;
    g_pCalls = pCalls ? pCalls : &kSystemCalls;
    return pOld;
}

CSystemShutdown::CSystemShutdown() = default;

CSystemShutdown::~CSystemShutdown()
{
    free(m_pszMachine);
    free(m_pszMessage);
}

bool CSystemShutdown::EnablePrivilege(HANDLE hToken, const wchar_t* pszPrivilege, bool bEnable)
{
    TOKEN_PRIVILEGES tp = {};
    if (!LookupPrivilegeValueW(nullptr, pszPrivilege, &tp.Privileges[0].Luid))
    {
        Trace(TRACE_ERROR, L"LookupPrivilegeValue error: 0x%lx\n", GetLastError());
        return false;
    }
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = bEnable ? SE_PRIVILEGE_ENABLED : 0;
    if (!AdjustTokenPrivileges(hToken, FALSE, &tp, sizeof(tp), nullptr, nullptr))
    {
        Trace(TRACE_ERROR, L"AdjustTokenPrivileges error: 0x%lx\n", GetLastError());
        return false;
    }
    return true;
}

bool CSystemShutdown::Initiate()
{
    CScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Receive()))
    {
        Trace(TRACE_ERROR, L"Error opening process token: [0x%lx] !", GetLastError());
        return false;
    }
    if (!EnablePrivilege(token.Get(), SE_SHUTDOWN_NAME, true))
        return false;
    const bool ok = g_pCalls->pInitiateSystemShutdown(m_pszMachine, m_pszMessage, m_dwTimeout,
                                                     m_bForceAppsClosed ? TRUE : FALSE, m_bReboot ? TRUE : FALSE) == 1;
    if (!ok)
        Trace(TRACE_ERROR, L"Error initiating system shutdown [0x%lx]", GetLastError());
    EnablePrivilege(token.Get(), SE_SHUTDOWN_NAME, false);
    return ok;
}
