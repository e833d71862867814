// The two progress pages of the application, the pumps it runs them with, and what the USB copy
// worker and the installation page's timer tell it.

#include "CoruApp.h"
#include "OruProcess.h"
#include "SetupHelpers.h"
#include "resource.h"

#include "classlib/Dialog.h"
#include "support/TraceLog.h"
#include "wizard/DownloadProgressDlg.h"
#include "wizard/MsiProgressDlg.h"
#include "workers/IHiddenVantolinStarter.h"

void CProgressPageLink::SetProgressWindow(HWND hWnd)
{
    if (m_pEngine)
        m_pEngine->SetProgressWnd(hWnd);
}

void CProgressPageLink::StopForCancel()
{
    if (m_pEngine)
        m_pEngine->Stop(true);
}

int CProgressPageLink::GetNextStep(bool bPrintDots)
{
    return m_pEngine ? m_pEngine->GetNextStep(bPrintDots) : ORU_STEP_NONE;
}

CMsiProgressDlg* CoruApp::GetMsiProgressDialog()
{
    CSingleLock lock(&m_msiPageLock, true);
    if (!m_pMsiProgressDlg)
    {
        try
        {
            m_pMsiProgressDlg.reset(new CMsiProgressDlg(&m_pageLink));
        }
        catch (...)
        {
            Trace(TRACE_INFO, L"CoruApp::GetMsiProgressDialog : Exception while creating progress dialog!");
        }
    }
    return m_pMsiProgressDlg.get();
}

void CoruApp::CloseMsiProgressDialog(COruProcess* pProcess)
{
    if (pProcess)
        pProcess->SetProgressWnd(nullptr);
    CSingleLock lock(&m_msiPageLock, true);
    if (!m_pMsiProgressDlg)
        return;
    Trace(TRACE_INFO, L"Shutting down the ORU progress dialog");
    m_pMsiProgressDlg->DestroyWindow();
    m_pMsiProgressDlg.reset();
}

void CoruApp::CloseDownloadProgressDialog(COruProcess* pProcess)
{
    if (pProcess)
        pProcess->SetProgressWnd(nullptr);
    CSingleLock lock(&m_downloadPageLock, true);
    if (!m_pDownloadProgressDlg)
        return;
    Trace(TRACE_INFO, L"Shutting down the ORU download progress dialog");
    m_pDownloadProgressDlg->DestroyWindow();
    m_pDownloadProgressDlg.reset();
}

bool CoruApp::RunModelessProgress(COruProcess* pProcess, CDialog* pPage, bool bRunStep, bool bPostTicks)
{
    return ::RunModelessProgress(pProcess, pPage, bRunStep, bPostTicks, m_bSilent);
}

void CoruApp::RunPagePump(CDialog* pPage)
{
    ::RunPagePump(pPage, m_bSilent);
}

// The worker's thread asks for the window only: the page object is the UI thread's.
HWND CoruApp::MsiProgressWindow()
{
    CSingleLock lock(&m_msiPageLock, true);
    return m_pMsiProgressDlg ? m_pMsiProgressDlg->GetSafeHwnd() : nullptr;
}

void CoruApp::OnNotEnoughSpace(int)
{
    // Only the user can make room: until then the wait must have a way out.
    if (HWND hPage = MsiProgressWindow())
    {
        PostProgressText(hPage, IDC_PROGRESS_EXTRA_TEXT, FormatResString(IDS_NOT_ENOUGH_SPACE_ON_DEVICE));
        PostCancelOffer(hPage, true);
    }
}

void CoruApp::OnCopyStart(DWORD dwTotalLow, DWORD)
{
    HWND hPage = MsiProgressWindow();
    if (!hPage)
        return;
    // A stop in the middle of the copy would leave the user's data in the backup folder.
    PostCancelOffer(hPage, false);
    PostProgressRange(hPage, 0, static_cast<int>(dwTotalLow));
    PostProgressPos(hPage, 0);
    PostProgressStep(hPage, 100);
}

void CoruApp::OnCopyFile(const wchar_t*, const wchar_t* pszTarget, DWORD dwFileSize, DWORD)
{
    HWND hPage = MsiProgressWindow();
    if (!hPage)
        return;
    PostProgressStepIt(hPage);
    PostProgressStep(hPage, static_cast<int>(dwFileSize));
    PostProgressText(hPage, IDC_PROGRESS_MAIN_TEXT, FormatResString(IDS_COPYING_TO_DEVICE));
    PostProgressText(hPage, IDC_PROGRESS_EXTRA_TEXT, FormatResString(IDS_COPYING_FILE, pszTarget ? pszTarget : L""));
}

void CoruApp::OnDeleteFile(const wchar_t* pszPath, DWORD dwFileSize, DWORD)
{
    HWND hPage = MsiProgressWindow();
    if (!hPage)
        return;
    PostProgressStepIt(hPage);
    PostProgressStep(hPage, static_cast<int>(dwFileSize));
    PostProgressText(hPage, IDC_PROGRESS_MAIN_TEXT, FormatResString(IDS_REMOVING_PREVIOUS_USB));
    PostProgressText(hPage, IDC_PROGRESS_EXTRA_TEXT, FormatResString(IDS_DELETING_FILE, pszPath ? pszPath : L""));
}

void CoruApp::OnUSBInstallationFinished(bool bSuccess)
{
    PostProgressEnd(MsiProgressWindow(), bSuccess);
}

void CoruApp::OnProgressTimer(CMsiProgressDlg* pPage)
{
    if (!pPage)
        return;
    if (m_pageLink.GetNextStep(true) != ORU_STEP_BUSY)
    {
        pPage->StopTimer();
        PostProgressEnd(pPage->GetSafeHwnd(), true);
        m_pProductStateSource = nullptr;
        return;
    }
    if (!m_pProductStateSource)
        return;
    CString state;
    m_pProductStateSource->GetSubStateMessage(state);
    // The status line shows the latest state; the bar moves once per change of it.
    if (state.IsEmpty() || state == pPage->GetDlgItemText(IDC_PROGRESS_MAIN_TEXT))
        return;
    pPage->SetDlgItemText(IDC_PROGRESS_MAIN_TEXT, state);
    pPage->RangedProgress_StepIt();
}
