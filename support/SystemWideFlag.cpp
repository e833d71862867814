#include "SystemWideFlag.h"
#include "TraceLog.h"

void CSystemWideFlag::SetName(const wchar_t* pszName)
{
    m_strName = pszName;
    m_bNamed = true;
}

bool CSystemWideFlag::Create()
{
    if (!m_bNamed)
        return false;
    m_hMutex.Reset(CreateMutexW(nullptr, m_bInitialOwner ? TRUE : FALSE, m_strName));
    const DWORD err = GetLastError();
    if (!m_hMutex.IsValid())
    {
        Trace(TRACE_ERROR, L"Error creating mutex: [%s]", m_strName.GetString());
        return false;
    }
    Trace(TRACE_DEBUG, L"CSystemWideFlag : mutex create/open operation result : [%d]", static_cast<int>(err));
    return err != ERROR_ALREADY_EXISTS && err != ERROR_ACCESS_DENIED;
}

bool CSystemWideFlag::IsSetElsewhere() const
{
    if (!m_bNamed)
        return false;
    CScopedHandle probe(CreateMutexW(nullptr, FALSE, m_strName));
    const DWORD err = GetLastError();
    // A holder whose access list shuts us out still holds the name.
    if (err == ERROR_ACCESS_DENIED)
        return true;
    if (!probe.IsValid())
    {
        Trace(TRACE_ERROR, L"Error creating mutex: [%s]", m_strName.GetString());
        return false;
    }
    return err == ERROR_ALREADY_EXISTS;
}

int CSystemWideFlag::Wait(DWORD milliseconds)
{
    if (!m_bNamed || !m_hMutex.IsValid())
        return 2;
    switch (WaitForSingleObject(m_hMutex.Get(), milliseconds))
    {
    case WAIT_OBJECT_0:
        return 0;
    case WAIT_TIMEOUT:
        return 1;
    default:
        return 2;
    }
}

bool CSystemWideFlag::Release()
{
    return m_bNamed && m_hMutex.IsValid() && ReleaseMutex(m_hMutex.Get()) != FALSE;
}
