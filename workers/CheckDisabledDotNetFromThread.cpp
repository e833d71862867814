#include "CheckDisabledDotNetFromThread.h"
#include "ProgressPageText.h"
#include "WindowMessages.h"

#include "support/ShellExecuteProcess.h"
#include "support/TraceLog.h"

namespace
{
const wchar_t kOcsetupParameters[] = L"NetFx3 /quiet /norestart";
}

CCheckDisabledDotNetFromThread::CCheckDisabledDotNetFromThread(IWorkerListener* pListener, IDotNetFrameworkSeam* pSeam)
    : CWorkerThread(pListener), m_pSeam(pSeam)
{
}

CCheckDisabledDotNetFromThread::~CCheckDisabledDotNetFromThread()
{
    Stop();
    Trace(TRACE_TRACE, L"CCheckDisabledDotNetFromThread::~CCheckDisabledDotNetFromThread");
}

int CCheckDisabledDotNetFromThread::Check(HWND hPageWnd)
{
    if (!CanStart(L"Worker thread is already live in CCheckDisabledDotNetFromThread::Check"))
        return 0;
    m_hPageWnd = hPageWnd;
    ResetOutcome();
    return LaunchThread(L"CCheckDisabledDotNetFromThread::Start Could not create process executer thread") ? 1 : 0;
}

bool CCheckDisabledDotNetFromThread::IsFinished(int& rResult)
{
    return ReadOutcome(rResult);
}

bool CCheckDisabledDotNetFromThread::Stop()
{
    return StopAndWait(L"CCheckDisabledDotNetFromThread");
}

void CCheckDisabledDotNetFromThread::RunOcsetup()
{
    wchar_t systemFolder[MAX_PATH] = {};
    GetSystemDirectoryW(systemFolder, MAX_PATH);
    CString file(systemFolder);
    file += L"\\ocsetup.exe";
    Trace(TRACE_TRACE, L"Running ocsetup.exe to enable .Net framework, with params:[%s] ", kOcsetupParameters);

    CShellExecuteProcess ocsetup;
    if (ocsetup.Start(file, kOcsetupParameters, systemFolder, false))
    {
        ocsetup.WaitForExit(GetStopEvent());
        // Ending it halfway could leave the feature half turned on: it finishes by itself.
        if (IsStopRequested())
            Trace(TRACE_INFO, L"CCheckDisabledDotNetFromThread::run stopped, ocsetup.exe is left to finish by itself");
    }
    else
    {
        Trace(TRACE_ERROR, L"There was a problem running ocsetup.exe to enable .Net framework, error code [%d]",
              static_cast<int>(GetLastError()));
    }
}

int CCheckDisabledDotNetFromThread::run()
{
    int result = 0;
    try
    {
        for (BOOL bFirstTime = TRUE; result == 0 && !IsStopRequested(); bFirstTime = FALSE)
        {
            if (IsWindow(m_hPageWnd))
                SendMessageW(m_hPageWnd, GUIWATCHDOGDLG_PAUSE_PROGRESS, 0, 0);
            const INT_PTR answer = m_pSeam ? m_pSeam->ShowDotNetDisabledPage(m_hPageWnd, bFirstTime) : IDCANCEL;
            if (IsWindow(m_hPageWnd))
                SendMessageW(m_hPageWnd, GUIWATCHDOGDLG_START_PROGRESS, 0, 0);
            // Only an explicit yes goes on: a page that could not be shown (-1) declines too.
            if (answer != IDOK)
            {
                Trace(TRACE_TRACE, L"CCheckDisabledDotNetFromThread::run user declined enabling .Net framework, setup will exit");
                break;
            }
            SetPageText(m_hPageWnd, IDC_PROGRESS_MAIN_TEXT, IDS_WORKER_TURNING_ON_DOTNET);
            RunOcsetup();
            if (IsStopRequested())
                break;
            if (!m_pSeam->IsDotNetFrameworkDisabled())
                result = 1;
            SetPageText(m_hPageWnd, IDC_PROGRESS_MAIN_TEXT, IDS_WORKER_PLEASE_WAIT);
        }
    }
    catch (...)
    {
        Trace(TRACE_ERROR, L"CCheckDisabledDotNetFromThread::run : the check failed with an exception");
        result = 0;
    }
    if (IsStopRequested())
    {
        Trace(TRACE_INFO, L"CCheckDisabledDotNetFromThread::run stopped");
        result = 0;
    }
    Finish(result);
    return 0;
}
