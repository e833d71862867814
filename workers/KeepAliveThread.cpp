#include "KeepAliveThread.h"
#include "config/OruCommunicationConfig.h"
#include "support/TraceLog.h"

namespace
{
const DWORD kBeatIntervalMs = 500;
}

bool CKeepAliveThread::Start()
{
    if (m_pThread)
        return true;
    m_stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_stopEvent)
        return false;
    CWinThread* pThread = AfxBeginThread(Run, m_stopEvent.Get(), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!pThread)
    {
        m_stopEvent.Close();
        return false;
    }
    // Kept (not self-deleting) so that Stop can wait on its handle.
    pThread->m_bAutoDelete = FALSE;
    m_pThread.reset(pThread);
    m_pThread->ResumeThread();
    return true;
}

void CKeepAliveThread::Stop()
{
    if (!m_pThread)
        return;
    SetEvent(m_stopEvent.Get());
    WaitForSingleObject(m_pThread->m_hThread, INFINITE);
    m_pThread.reset();
    m_stopEvent.Close();
}

UINT __cdecl CKeepAliveThread::Run(LPVOID pStopEvent)
{
    Trace(TRACE_INFO, L"Entering RunKeepAliveWorkerThread so that we keep the silent Vantolin running");
    do
        OruCommunicationConfig::SetORUIsAlive();
    while (WaitForSingleObject(static_cast<HANDLE>(pStopEvent), kBeatIntervalMs) == WAIT_TIMEOUT);
    Trace(TRACE_INFO, L"Exiting RunKeepAliveWorkerThread so that we no longer keep the silent Vantolin running");
    return 0;
}
