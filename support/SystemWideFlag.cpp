#include "SystemWideFlag.h"
#include "TraceLog.h"

bool CSystemWideFlag::Create()
{
    Release();
    m_hMutex.Reset(CreateMutexW(nullptr, m_bInitialOwner ? TRUE : FALSE, m_strName));
    const DWORD err = GetLastError();
    if (!m_hMutex.IsValid())
    {
        // Access denied: the flag exists and belongs to another holder.
        if (err != ERROR_ACCESS_DENIED)
            Trace(TRACE_ERROR, L"CSystemWideFlag::Create : cannot create [%s] error=%lu", m_strName.GetString(), err);
        return false;
    }
    if (err == ERROR_ALREADY_EXISTS)
    {
        m_hMutex.Close();
        return false;
    }
    m_bOwned = m_bInitialOwner;
    return true;
}

void CSystemWideFlag::Release()
{
    if (m_hMutex.IsValid() && m_bOwned)
        ReleaseMutex(m_hMutex.Get());
    m_bOwned = false;
    m_hMutex.Close();
}
