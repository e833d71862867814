#include "CheckInternetConnectionFromThread.h"

#include "support/TraceLog.h"

CCheckInternetConnectionFromThread::CCheckInternetConnectionFromThread(ICheckInternet* pCheckInternet,
                                                                       IWorkerListener* pListener)
    : CWorkerThread(pListener), m_pCheckInternet(pCheckInternet)
{
}

CCheckInternetConnectionFromThread::~CCheckInternetConnectionFromThread()
{
    Stop();
    Trace(TRACE_TRACE, L"CCheckInternetConnectionFromThread::~CCheckInternetConnectionFromThread");
}

int CCheckInternetConnectionFromThread::Check(DWORD dwTimeoutMs)
{
    if (!CanStart(L"Worker thread is already live in CCheckInternetConnectionFromThread::Check"))
        return 0;
    m_dwTimeoutMs = dwTimeoutMs;
    ResetOutcome();
    return LaunchThread(L"CCheckInternetConnectionFromThread::Start Could not create process executer thread") ? 1 : 0;
}

bool CCheckInternetConnectionFromThread::IsFinished(int& rResult)
{
    return ReadOutcome(rResult);
}

bool CCheckInternetConnectionFromThread::Stop()
{
    return StopAndWait(L"CCheckInternetConnectionFromThread");
}

int CCheckInternetConnectionFromThread::run()
{
    int result = 0;
    if (m_pCheckInternet)
    {
        try
        {
            result = m_pCheckInternet->CheckInternet(0, m_dwTimeoutMs, GetStopEvent());
        }
        catch (...)
        {
            Trace(TRACE_ERROR, L"CCheckInternetConnectionFromThread::run : the check failed");
            result = 0;
        }
        Trace(TRACE_TRACE, L"CCheckInternetConnectionFromThread::run");
        if (IsStopRequested())
        {
            Trace(TRACE_INFO, L"CCheckInternetConnectionFromThread::run stopped");
            result = 0;
        }
    }
    else
    {
        Trace(TRACE_TRACE, L"CCheckInternetConnectionFromThread::run m_pCheckInternet is NULL");
    }
    Finish(result);
    return 0;
}
