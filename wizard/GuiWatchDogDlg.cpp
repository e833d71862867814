#include "GuiWatchDogDlg.h"
#include "MsiProgressDlg.h"
#include "PageTexts.h"
#include "resource.h"
#include "support/TraceLog.h"
#include "workers/WindowMessages.h"

#include <commctrl.h>

namespace
{
const UINT kTimerPeriodMs = 100;
const UINT kMarqueeStepMs = 50;
// Shared by all watchdog pages: at most one runs at a time.
UINT_PTR g_nWatchDogTimerId = 0;
}

UINT_PTR GetWatchDogTimerId()
{
    return g_nWatchDogTimerId;
}

BEGIN_MESSAGE_MAP(CGuiWatchDogDlg, CWizardParentDlg)
ON_WM_TIMER()
ON_COMMAND(IDCANCEL, &CGuiWatchDogDlg::OnCancelCommand)
ON_COMMAND(IDC_WIZARD_ABORT, &CGuiWatchDogDlg::OnAbort)
ON_REGISTERED_MESSAGE(GUIWATCHDOGDLG_START_PROGRESS, &CGuiWatchDogDlg::OnStartProgress)
ON_REGISTERED_MESSAGE(GUIWATCHDOGDLG_PAUSE_PROGRESS, &CGuiWatchDogDlg::OnPauseProgress)
END_MESSAGE_MAP()

CGuiWatchDogDlg::CGuiWatchDogDlg(IWatchedStepEngine* pEngine, const wchar_t* pszHeading, const wchar_t* pszSubHeading,
                                 const wchar_t* pszText, int nButtonMask, HWND hParent, int bRunStep)
    : CWizardParentDlg(TRUE, FALSE, IDD_MSI_PROGRESS, hParent), m_pEngine(pEngine), m_bRunStep(bRunStep),
      m_strHeading(pszHeading ? pszHeading : L""), m_strSubHeading(pszSubHeading ? pszSubHeading : L""),
      m_strText(pszText ? pszText : L""), m_nButtonMask(nButtonMask)
{
}

BOOL CGuiWatchDogDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    if (m_bCompact)
        ApplyCompactLayout(m_hWnd);
    if (HWND hBar = GetDlgItem(IDC_PROGRESS_BAR))
        SetWindowLongW(hBar, GWL_STYLE, GetWindowLongW(hBar, GWL_STYLE) | PBS_MARQUEE);
    if (HWND hBack = GetDlgItem(IDC_WIZARD_BACK))
        ::EnableWindow(hBack, (m_nButtonMask & MSI_PROGRESS_BACK) != 0);
    if (HWND hNext = GetDlgItem(IDOK))
        ::EnableWindow(hNext, (m_nButtonMask & MSI_PROGRESS_NEXT) != 0);
    if (HWND hCancel = GetDlgItem(IDCANCEL))
        ::EnableWindow(hCancel, (m_nButtonMask & MSI_PROGRESS_CANCEL) != 0);
    struct
    {
        int nID;
        CString* pText;
    } texts[] = { { IDC_WIZARD_HEADING, &m_strHeading },
                  { IDC_WIZARD_SUBHEADING, &m_strSubHeading },
                  { IDC_WIZARD_TEXT, &m_strText } };
    for (auto& text : texts)
    {
        if (text.pText->IsEmpty())
            *text.pText = GetDlgItemText(text.nID);
        SetDlgItemText(text.nID, WithDisplayName(*text.pText));
    }
    if (m_pEngine)
        m_pEngine->SetProgressWnd(m_hWnd);
    if (m_nButtonMask & GUIWATCHDOG_WATCH)
        StartMarquee();
    if (m_bRunStep && m_pEngine)
        m_pEngine->RunNextStep();
    return TRUE;
}

void CGuiWatchDogDlg::StartMarquee()
{
    SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, PBM_SETMARQUEE, TRUE, kMarqueeStepMs);
    g_nWatchDogTimerId = SetTimer(GUIWATCHDOG_TIMER, kTimerPeriodMs);
}

void CGuiWatchDogDlg::StopMarquee()
{
    SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, PBM_SETMARQUEE, FALSE, 0);
    if (g_nWatchDogTimerId != 0)
    {
        KillTimer(g_nWatchDogTimerId);
        g_nWatchDogTimerId = 0;
    }
}

void CGuiWatchDogDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != GUIWATCHDOG_TIMER)
    {
        Default();
        return;
    }
    if (m_pEngine && m_pEngine->GetNextStep(true) == WATCHED_STEP_BUSY)
        return;
    StopMarquee();
    SavePagePosition();
    PostMessage(WM_CLOSE);
}

void CGuiWatchDogDlg::OnAbort()
{
    Trace(TRACE_INFO, L"CGuiWatchDogDlg::OnAbort is destroying the progress dialog !");
    StopMarquee();
    m_nEndResult = 3;
    EndDialog(3);
}

LRESULT CGuiWatchDogDlg::OnStartProgress(WPARAM, LPARAM)
{
    StartMarquee();
    return 0;
}

LRESULT CGuiWatchDogDlg::OnPauseProgress(WPARAM, LPARAM)
{
    StopMarquee();
    return 0;
}
