#include "Thread.h"

#include <process.h>

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam)
{
}

CWinThread::~CWinThread()
{
    if (m_hThread)
        CloseHandle(m_hThread);
}

unsigned __stdcall CWinThread::Entry(void* pThis)
{
    CWinThread* pThread = static_cast<CWinThread*>(pThis);
    const UINT code = pThread->m_pfnThreadProc(pThread->m_pThreadParams);
    if (pThread->m_bAutoDelete)
        delete pThread;
    return code;
}

bool CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES pSecurity)
{
    // Always created suspended: the handle and id must be stored before the function can run
    // (and, with auto-delete, end and free this object).
    unsigned id = 0;
    const uintptr_t h = _beginthreadex(pSecurity, nStackSize, Entry, this, CREATE_SUSPENDED, &id);
    if (h == 0)
        return false;
    m_hThread = reinterpret_cast<HANDLE>(h);
    m_nThreadID = id;
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        ::ResumeThread(m_hThread);
    return true;
}

DWORD CWinThread::ResumeThread()
{
    return ::ResumeThread(m_hThread);
}

DWORD CWinThread::SuspendThread()
{
    return ::SuspendThread(m_hThread);
}

bool CWinThread::SetThreadPriority(int nPriority)
{
    return ::SetThreadPriority(m_hThread, nPriority) != FALSE;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES pSecurity)
{
    CWinThread* pThread = new CWinThread(pfnThreadProc, pParam);
    if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, pSecurity))
    {
        delete pThread;
        return nullptr;
    }
    pThread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        pThread->ResumeThread();
    return pThread;
}
