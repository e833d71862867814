#include "MsiProgressDlg.h"
#include "WizardHost.h"
#include "resource.h"
#include "classlib/WinApp.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"
#include "workers/WindowMessages.h"

#include <oleauto.h>

namespace
{
const UINT_PTR kTimerId = 100;
const UINT kTimerPeriodMs = 100;

// Differences and sums of logical positions wrap as 32-bit numbers do: the installation phase
// sets its range in tick counts, which may pass 0xFFFFFFFF in the middle of it.
int Difference(int a, int b)
{
    return static_cast<int>(static_cast<unsigned>(a) - static_cast<unsigned>(b));
}

int Sum(int a, int b)
{
    return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b));
}

int PercentToBar(int nPercent)
{
    return nPercent * (MSI_PROGRESS_BAR_RANGE / 100);
}

// An empty range scales to nothing.
int Scale(int nValue, int nToSpan, int nFromSpan)
{
    if (nFromSpan == 0)
        return 0;
    return static_cast<int>(static_cast<double>(nValue) * nToSpan / nFromSpan);
}

RECT ChildRect(HWND hPage, HWND hChild)
{
    RECT rect = {};
    GetWindowRect(hChild, &rect);
    MapWindowPoints(nullptr, hPage, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The page's bottom edge goes to the child's bottom plus the margin.
void FitPageTo(HWND hPage, HWND hChild, int nMargin)
{
    RECT child = {}, page = {};
    GetWindowRect(hChild, &child);
    GetWindowRect(hPage, &page);
    SetWindowPos(hPage, nullptr, 0, 0, page.right - page.left, child.bottom + nMargin - page.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CString WithDisplayName(const CString& text)
{
    CString result = text;
    IWizardHost* pHost = GetWizardHost();
    result.Replace(L"%s", pHost ? pHost->GetProductDisplayName().GetString() : L"");
    return result;
}
}

void ApplyCompactLayout(HWND hPage)
{
    static const int kHidden[] = { IDC_WIZARD_SUBHEADING, IDC_WIZARD_TEXT, IDC_PROGRESS_STATUS_LABEL,
                                   IDC_PROGRESS_MAIN_TEXT, IDC_PROGRESS_EXTRA_TEXT, IDC_PROGRESS_LOWER_LINE,
                                   IDC_WIZARD_BACK, IDOK, IDCANCEL };
    for (int nID : kHidden)
        if (HWND hItem = GetDlgItem(hPage, nID))
            ShowWindow(hItem, SW_HIDE);
    HWND hHeading = GetDlgItem(hPage, IDC_WIZARD_HEADING);
    HWND hSubHeading = GetDlgItem(hPage, IDC_WIZARD_SUBHEADING);
    HWND hBar = GetDlgItem(hPage, IDC_PROGRESS_BAR);
    if (!hBar)
        return;
    const RECT heading = hHeading ? ChildRect(hPage, hHeading) : RECT();
    const RECT subHeading = hSubHeading ? ChildRect(hPage, hSubHeading) : RECT();
    const RECT bar = ChildRect(hPage, hBar);
    MoveWindow(hBar, heading.left, subHeading.top, bar.right - bar.left, (bar.bottom - bar.top) * 2 / 3, TRUE);
    FitPageTo(hPage, hBar, heading.top);
}

BEGIN_MESSAGE_MAP(CMsiProgressDlg, CWizardParentDlg)
ON_COMMAND(IDC_WIZARD_ABORT, &CMsiProgressDlg::OnAbortCommand)
ON_WM_TIMER()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_REGISTERED_MESSAGE(PROGRESSDLG_PBM_SETPOS, &CMsiProgressDlg::OnSetPosMessage)
ON_REGISTERED_MESSAGE(PROGRESSDLG_PBM_SETRANGE32, &CMsiProgressDlg::OnSetRangeMessage)
ON_REGISTERED_MESSAGE(PROGRESSDLG_PBM_SETSTEP, &CMsiProgressDlg::OnSetStepMessage)
ON_REGISTERED_MESSAGE(PROGRESSDLG_PBM_STEPIT, &CMsiProgressDlg::OnStepItMessage)
ON_REGISTERED_MESSAGE(PROGRESSDLG_NEW_RANGE_PERCENTS, &CMsiProgressDlg::OnNewRangePercentsMessage)
ON_REGISTERED_MESSAGE(PROGRESSDLG_SET_MESSAGE, &CMsiProgressDlg::OnSetMessageMessage)
ON_REGISTERED_MESSAGE(PROGRESSDLG_END_DIALOG, &CMsiProgressDlg::OnEndDialogMessage)
ON_REGISTERED_MESSAGE(PROGRESSDLG_OFFER_CANCEL, &CMsiProgressDlg::OnOfferCancelMessage)
END_MESSAGE_MAP()

CMsiProgressDlg::CMsiProgressDlg(IProgressPageEngine* pEngine)
    : CWizardParentDlg(TRUE, FALSE, IDD_MSI_PROGRESS, nullptr), m_pEngine(pEngine)
{
}

CMsiProgressDlg::~CMsiProgressDlg()
{
    Trace(TRACE_INFO, L"Destroying instance of CMsiProgressDlg");
    StopTimer();
}

void CMsiProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_PROGRESS_BAR, m_progress);
}

BOOL CMsiProgressDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    ApplyCompactLayout(m_hWnd);
    m_progress.SetRange32(0, MSI_PROGRESS_BAR_RANGE);
    Refresh();
    StartTimer(m_pTimerListener);
    if (m_bBringToFront)
        ForceWindowToForeground(m_hWnd, -1);
    return TRUE;
}

BOOL CMsiProgressDlg::Initialize(const wchar_t* pszHeading, const wchar_t* pszSubHeading, const wchar_t* pszText,
                                 int nLowPercent, int nHighPercent, int nButtonMask, int bBringToFront,
                                 IProgressTimerListener* pTimerListener)
{
    m_strHeading = pszHeading ? pszHeading : L"";
    m_strSubHeading = pszSubHeading ? pszSubHeading : L"";
    m_strText = pszText ? pszText : L"";
    m_bBringToFront = bBringToFront;
    m_nButtonMask = nButtonMask;
    if (nHighPercent > 100)
        nHighPercent = 100;
    if (nLowPercent >= nHighPercent)
    {
        Trace(TRACE_ERROR, L"CMsiProgressDlg::Initialize: Invalid range percentages specified (%d%% to %d%%)",
              nLowPercent, nHighPercent);
        return FALSE;
    }
    m_nLowPercent = nLowPercent;
    m_nHighPercent = nHighPercent;
    if (m_hWnd)
    {
        Refresh();
        if (m_bBringToFront)
            ForceWindowToForeground(m_hWnd, -1);
    }
    else
    {
        ReinitBar();
    }
    StartTimer(pTimerListener);
    if (m_pEngine)
        m_pEngine->SetProgressWindow(m_hWnd);
    return TRUE;
}

void CMsiProgressDlg::Refresh()
{
    if (HWND hBack = GetDlgItem(IDC_WIZARD_BACK))
        ::EnableWindow(hBack, (m_nButtonMask & MSI_PROGRESS_BACK) != 0);
    if (HWND hNext = GetDlgItem(IDOK))
        ::EnableWindow(hNext, (m_nButtonMask & MSI_PROGRESS_NEXT) != 0);
    // A confirmed cancel is not offered again.
    if (HWND hCancel = GetDlgItem(IDCANCEL))
        ::EnableWindow(hCancel, (m_nButtonMask & MSI_PROGRESS_CANCEL) != 0 && !m_bCancelled);
    PlaceCancelButton((m_nButtonMask & MSI_PROGRESS_CANCEL) != 0);

    // The previous phase's heading was drawn transparently over the bitmap: repaint the band.
    HWND hHeading = GetDlgItem(IDC_WIZARD_HEADING);
    if (hHeading)
        ::ShowWindow(hHeading, SW_HIDE);
    if (HWND hSubHeading = GetDlgItem(IDC_WIZARD_SUBHEADING))
        ::ShowWindow(hSubHeading, SW_HIDE);
    const LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
    SetWindowLongW(m_hWnd, GWL_STYLE, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    SetWindowLongW(m_hWnd, GWL_STYLE, style);

    if (hHeading)
    {
        if (m_strHeading.IsEmpty())
            m_strHeading = GetDlgItemText(IDC_WIZARD_HEADING);
        SetDlgItemText(IDC_WIZARD_HEADING, WithDisplayName(m_strHeading));
        ::ShowWindow(hHeading, SW_SHOW);
    }
    if (GetDlgItem(IDC_WIZARD_TEXT))
    {
        if (m_strText.IsEmpty())
            m_strText = GetDlgItemText(IDC_WIZARD_TEXT);
        SetDlgItemText(IDC_WIZARD_TEXT, WithDisplayName(m_strText));
    }
    CString pleaseWait;
    AfxLoadString(IDS_WORKER_PLEASE_WAIT, pleaseWait, GetLoadedLanguage());
    SetDlgItemText(IDC_PROGRESS_MAIN_TEXT, pleaseWait);
    SetDlgItemText(IDC_PROGRESS_EXTRA_TEXT, L"");
    ReinitBar();
}

void CMsiProgressDlg::PlaceCancelButton(bool bShown)
{
    HWND hCancel = GetDlgItem(IDCANCEL);
    HWND hBar = GetDlgItem(IDC_PROGRESS_BAR);
    HWND hHeading = GetDlgItem(IDC_WIZARD_HEADING);
    if (!hCancel || !hBar)
        return;
    const int nMargin = hHeading ? ChildRect(m_hWnd, hHeading).top : 0;
    if (!bShown)
    {
        ::ShowWindow(hCancel, SW_HIDE);
        FitPageTo(m_hWnd, hBar, nMargin);
        return;
    }
    // Below the bar, at its right end.
    const RECT bar = ChildRect(m_hWnd, hBar);
    const RECT button = ChildRect(m_hWnd, hCancel);
    const int nWidth = button.right - button.left;
    ::MoveWindow(hCancel, bar.right - nWidth, bar.bottom + nMargin / 2, nWidth, button.bottom - button.top, TRUE);
    ::ShowWindow(hCancel, SW_SHOW);
    FitPageTo(m_hWnd, hCancel, nMargin);
}

int CMsiProgressDlg::BarPos() const
{
    return m_progress.m_hWnd ? m_progress.GetPos() : m_nBarLow;
}

int CMsiProgressDlg::ScaleToBar(int nLogical) const
{
    return Scale(nLogical, m_nBarHigh - m_nBarLow, Difference(m_nLogicalHigh, m_nLogicalLow));
}

int CMsiProgressDlg::ScaleToLogical(int nBar) const
{
    return Scale(nBar, Difference(m_nLogicalHigh, m_nLogicalLow), m_nBarHigh - m_nBarLow);
}

int CMsiProgressDlg::LogicalToBar(int nPos) const
{
    return ScaleToBar(Difference(nPos, m_nLogicalLow)) + m_nBarLow;
}

int CMsiProgressDlg::BarToLogical(int nBar) const
{
    return Sum(ScaleToLogical(nBar - m_nBarLow), m_nLogicalLow);
}

void CMsiProgressDlg::ReinitBar()
{
    m_nBarLow = PercentToBar(m_nLowPercent);
    m_nBarHigh = PercentToBar(m_nHighPercent);
    m_nBarStep = ScaleToBar(m_nLogicalStep);
    if (m_progress.m_hWnd)
        m_progress.SetPos(m_nBarLow);
}

int CMsiProgressDlg::RangedProgress_SetPos(int nPos)
{
    const int nBar = LogicalToBar(nPos);
    const bool bOutside = nBar < m_nBarLow || nBar > m_nBarHigh;
    const int nCurrent = BarPos();
    Trace(TRACE_TRACE, L"CMsiProgressDlg::RangedProgress_SetPos will move to %d of [%d-%d] in the range [%d%%-%d%%]",
          nPos, m_nLogicalLow, m_nLogicalHigh, m_nLowPercent, m_nHighPercent);
    if (!bOutside && nCurrent < nBar && m_progress.m_hWnd)
        m_progress.SetPos(nBar);
    return BarToLogical(nCurrent);
}

int CMsiProgressDlg::RangedProgress_StepIt()
{
    const int nCurrent = BarPos();
    const int nNext = nCurrent + m_nBarStep;
    if (m_nBarLow <= nNext && nNext <= m_nBarHigh)
    {
        Trace(TRACE_TRACE,
              L"CMsiProgressDlg::RangedProgress_StepIt will advance %d from %d of [%d-%d] in the range [%d%%-%d%%]",
              m_nLogicalStep, BarToLogical(nCurrent), m_nLogicalLow, m_nLogicalHigh, m_nLowPercent, m_nHighPercent);
        if (m_progress.m_hWnd)
            m_progress.StepIt();
    }
    return BarToLogical(nCurrent);
}

void CMsiProgressDlg::SetRange(int nLow, int nHigh)
{
    m_nLogicalLow = nLow;
    m_nLogicalHigh = nHigh;
}

int CMsiProgressDlg::SetStep(int nStep)
{
    if (nStep < 0)
        nStep = 0;
    const int nPreviousBarStep = m_nBarStep;
    m_nLogicalStep = nStep;
    m_nBarStep = ScaleToBar(nStep);
    const int nPrevious = m_progress.m_hWnd ? m_progress.SetStep(m_nBarStep) : nPreviousBarStep;
    return ScaleToLogical(nPrevious);
}

void CMsiProgressDlg::PostSetMessage(int nControlId, const wchar_t* pszText)
{
    BSTR text = SysAllocString(pszText ? pszText : L"");
    if (!text)
        return;
    if (!m_hWnd || !::PostMessageW(m_hWnd, PROGRESSDLG_SET_MESSAGE, static_cast<WPARAM>(nControlId),
                                   reinterpret_cast<LPARAM>(text)))
        SysFreeString(text);
}

void CMsiProgressDlg::StartTimer(IProgressTimerListener* pListener)
{
    m_pTimerListener = pListener;
    if (!m_hWnd)
        return;
    // A phase without a listener gets no ticks of the previous phase's.
    if (pListener)
        SetTimer(kTimerId, kTimerPeriodMs);
    else
        KillTimer(kTimerId);
}

void CMsiProgressDlg::StopTimer()
{
    if (!m_pTimerListener)
        return;
    if (m_hWnd)
        KillTimer(kTimerId);
    m_pTimerListener = nullptr;
}

void CMsiProgressDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kTimerId)
        return CWizardParentDlg::OnTimer(nIDEvent);
    if (m_pTimerListener)
        m_pTimerListener->OnProgressTimer(this);
}

bool CMsiProgressDlg::TakeTick(LPARAM lParam)
{
    const DWORD dwTick = static_cast<DWORD>(lParam);
    if (m_bHaveTick && static_cast<LONG>(dwTick - m_dwLastTick) < 0)
        return false;
    m_dwLastTick = dwTick;
    m_bHaveTick = true;
    return true;
}

LRESULT CMsiProgressDlg::OnSetPosMessage(WPARAM wParam, LPARAM lParam)
{
    if (!TakeTick(lParam))
        return 0;
    return RangedProgress_SetPos(static_cast<int>(wParam));
}

LRESULT CMsiProgressDlg::OnSetRangeMessage(WPARAM wParam, LPARAM lParam)
{
    const int nLow = static_cast<int>(wParam);
    const int nHigh = static_cast<int>(lParam);
    if (nLow >= nHigh)
        return 0;
    const LRESULT previous = static_cast<LRESULT>((static_cast<unsigned>(m_nLogicalHigh) & 0xFFFF) << 16 |
                                                  (static_cast<unsigned>(m_nLogicalLow) & 0xFFFF));
    SetRange(nLow, nHigh);
    return previous;
}

LRESULT CMsiProgressDlg::OnSetStepMessage(WPARAM wParam, LPARAM lParam)
{
    if (!TakeTick(lParam))
        return 0;
    return SetStep(static_cast<int>(wParam));
}

LRESULT CMsiProgressDlg::OnStepItMessage(WPARAM, LPARAM lParam)
{
    if (!TakeTick(lParam))
        return 0;
    return RangedProgress_StepIt();
}

LRESULT CMsiProgressDlg::OnNewRangePercentsMessage(WPARAM wParam, LPARAM lParam)
{
    m_nLowPercent = static_cast<int>(wParam);
    m_nHighPercent = static_cast<int>(lParam);
    ReinitBar();
    return 0;
}

LRESULT CMsiProgressDlg::OnSetMessageMessage(WPARAM wParam, LPARAM lParam)
{
    BSTR text = reinterpret_cast<BSTR>(lParam);
    if (text && *text)
        SetDlgItemText(static_cast<int>(wParam), text);
    SysFreeString(text);
    return 0;
}

LRESULT CMsiProgressDlg::OnEndDialogMessage(WPARAM wParam, LPARAM)
{
    m_nDispatchedEnd = wParam ? wParam : 1;
    return 0;
}

LRESULT CMsiProgressDlg::OnOfferCancelMessage(WPARAM wParam, LPARAM lParam)
{
    if (!TakeTick(lParam))
        return 0;
    // Until the next phase's mask: the offer changes this phase's buttons only.
    if (wParam)
        m_nButtonMask |= MSI_PROGRESS_CANCEL;
    else
        m_nButtonMask &= ~MSI_PROGRESS_CANCEL;
    if (HWND hCancel = GetDlgItem(IDCANCEL))
        ::EnableWindow(hCancel, wParam != 0 && !m_bCancelled);
    PlaceCancelButton(wParam != 0);
    return 0;
}

WPARAM CMsiProgressDlg::TakeDispatchedEnd()
{
    const WPARAM nEnd = m_nDispatchedEnd;
    m_nDispatchedEnd = 0;
    return nEnd;
}

void CMsiProgressDlg::OnOK()
{
    Trace(TRACE_WARNING, L"CMsiProgressDlg::OnOK is destroying the progress dialog !");
    DestroyWindow();
}

void CMsiProgressDlg::OnCancel()
{
    HWND hCancel = GetDlgItem(IDCANCEL);
    if (m_bCancelled || !hCancel || !::IsWindowVisible(hCancel) || !::IsWindowEnabled(hCancel))
        return;
    if (AskCancelInstallation() != IDOK)
        return;
    m_bCancelled = TRUE;
    if (m_pEngine)
        m_pEngine->StopForCancel();
    if (HWND hButton = GetDlgItem(IDCANCEL))
        ::EnableWindow(hButton, FALSE);
}

void CMsiProgressDlg::OnAbort()
{
    Trace(TRACE_INFO, L"CMsiProgressDlg::OnAbort is destroying the progress dialog !");
    m_bAborted = TRUE;
    DestroyWindow();
}

void CMsiProgressDlg::OnClose()
{
    Trace(TRACE_INFO, L"CMsiProgressDlg::OnClose");
    Default();
}

void CMsiProgressDlg::OnDestroy()
{
    Trace(TRACE_INFO, L"CMsiProgressDlg::OnDestroy");
    CWizardParentDlg::OnDestroy();
}
