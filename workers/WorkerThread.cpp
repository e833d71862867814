#include "WorkerThread.h"

#include "support/TraceLog.h"

CWorkerThread::CWorkerThread(IWorkerListener* pListener) : CTThreadObject(false), m_pListener(pListener)
{
}

CWorkerThread::~CWorkerThread() = default;

bool CWorkerThread::CanStart(const wchar_t* pszAlreadyLive)
{
    if (!IsThreadLive())
        return true;
    // The body sets the finished flag just before its thread lets go of the holder: a start
    // right after a run only has to wait for that last moment.
    bool bFinished;
    {
        CSingleLock lock(&m_lock, true);
        bFinished = m_bFinished != 0;
    }
    if (bFinished)
    {
        WaitForThreadEnd();
        if (!IsThreadLive())
            return true;
    }
    Trace(TRACE_ERROR, pszAlreadyLive);
    return false;
}

void CWorkerThread::ResetOutcome()
{
    CSingleLock lock(&m_lock, true);
    m_bFinished = 0;
    m_nResult = 0;
}

bool CWorkerThread::LaunchThread(const wchar_t* pszCreateFailed)
{
    bool bLaunched = StartThread() != -1;
    if (bLaunched && Resume() == static_cast<unsigned>(-1))
    {
        Trace(TRACE_ERROR, L"CWorkerThread::LaunchThread : the thread could not be resumed, error=%lu", GetLastError());
        DiscardSuspendedThread();
        bLaunched = false;
    }
    if (bLaunched)
        return true;
    Trace(TRACE_ERROR, pszCreateFailed);
    // Whoever polls this worker reads a run that ended without success, not one still to come.
    CSingleLock lock(&m_lock, true);
    m_bFinished = 1;
    m_nResult = 0;
    return false;
}

void CWorkerThread::NotifyListener(int nResult)
{
    if (!m_pListener)
        return;
    try
    {
        m_pListener->OnWorkerFinished(nResult);
    }
    catch (...)
    {
        Trace(TRACE_ERROR, L"CWorkerThread::NotifyListener : the listener failed");
    }
}

void CWorkerThread::Finish(int nResult, int* pRunCounter)
{
    // The listener goes first: once the flag is set, the next start may wait for this thread,
    // possibly while holding what the listener would want.
    NotifyListener(nResult);
    CSingleLock lock(&m_lock, true);
    m_bFinished = 1;
    m_nResult = nResult;
    if (pRunCounter)
        ++*pRunCounter;
}

bool CWorkerThread::StopAndWait(const wchar_t* pszClassName)
{
    StopThread(pszClassName);
    return false;
}

bool CWorkerThread::ReadOutcome(int& rResult)
{
    CSingleLock lock(&m_lock, true);
    rResult = m_nResult;
    return m_bFinished != 0;
}
