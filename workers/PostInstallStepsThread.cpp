#include "PostInstallStepsThread.h"
#include "WindowMessages.h"

#include "support/TraceLog.h"

namespace
{
const int kStepPostInstallation = 28;
const int kStepBusy = 38;
const DWORD kBusyPauseMs = 250;
}

CPostInstallStepsThread::CPostInstallStepsThread(IPostInstallEngine* pEngine) : CWorkerThread(nullptr), m_pEngine(pEngine)
{
}

CPostInstallStepsThread::~CPostInstallStepsThread()
{
    Stop();
    Trace(TRACE_TRACE, L"CPostInstallStepsThread::~CPostInstallStepsThread");
}

int CPostInstallStepsThread::HandlePostInstallSteps()
{
    if (!CanStart(L"Worker thread is already live in CPostInstallStepsThread::HandlePostInstallSteps"))
        return 0;
    const int count = m_pEngine->GetPostInstallationSteps(nullptr);
    const HWND hPage = m_pEngine->GetProgressWnd();
    if (count > 0 && hPage && IsWindow(hPage))
    {
        SendMessageW(hPage, PROGRESSDLG_PBM_SETRANGE32, 0, count);
        SendMessageW(hPage, PROGRESSDLG_PBM_SETSTEP, 1, GetTickCount());
        SendMessageW(hPage, PROGRESSDLG_PBM_SETPOS, 0, GetTickCount());
    }
    {
        CSingleLock lock(&m_lock, true);
        m_nStepsRun = 0;
    }
    m_pEngine->GetNextStep(true);
    ResetOutcome();
    return LaunchThread(L"CPostInstallStepsThread::Start : Could not create worker thread") ? 1 : 0;
}

bool CPostInstallStepsThread::IsFinished()
{
    int result = 0;
    return ReadOutcome(result);
}

bool CPostInstallStepsThread::Stop()
{
    return StopAndWait(L"CPostInstallStepsThread");
}

int CPostInstallStepsThread::GetStepsRun()
{
    CSingleLock lock(&m_lock, true);
    return m_nStepsRun;
}

int CPostInstallStepsThread::run()
{
    const HWND hPage = m_pEngine->GetProgressWnd();
    try
    {
        // A stop request ends the list before its next command; the one running is the
        // engine's to end.
        while (!IsStopRequested())
        {
            const int next = m_pEngine->GetNextStep(false);
            if (next == kStepPostInstallation)
            {
                m_pEngine->RunNextStep();
                {
                    CSingleLock lock(&m_lock, true);
                    ++m_nStepsRun;
                }
                if (hPage && IsWindow(hPage))
                    PostMessageW(hPage, PROGRESSDLG_PBM_STEPIT, 0, GetTickCount());
            }
            else if (next == kStepBusy)
            {
                for (DWORD waited = 0; waited < kBusyPauseMs && !IsStopRequested(); waited += 50)
                    Sleep(50);
            }
            else
                break;
        }
        if (IsStopRequested())
            Trace(TRACE_TRACE, L"CPostInstallStepsThread::run : stopped, no further command is started");
    }
    catch (...)
    {
        Trace(TRACE_ERROR, L"CPostInstallStepsThread::run : the engine failed with an exception");
    }
    // Single commands that fail are the engine's concern: the list itself always ends well.
    Finish(1);
    if (hPage && IsWindow(hPage))
        PostMessageW(hPage, PROGRESSDLG_END_DIALOG, 1, 0);
    return 0;
}
