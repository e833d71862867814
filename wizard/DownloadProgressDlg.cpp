#include "DownloadProgressDlg.h"
#include "MsiProgressDlg.h"
#include "PageTexts.h"
#include "resource.h"
#include "classlib/WinApp.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"
#include "workers/WindowMessages.h"

#include <oleauto.h>

namespace
{
const UINT kTimerPeriodMs = 100;
const double kKilo = 1024.0;
const DWORD kMega = 1048576;
const DWORD kGiga = 1073741824;

// The bar's range is a signed 32-bit number: totals beyond it are shown at a coarser grain.
int BarShift(DWORD dwTotal)
{
    int nShift = 0;
    while ((dwTotal >> nShift) > 0x7FFFFFFFu)
        ++nShift;
    return nShift;
}
}

BEGIN_MESSAGE_MAP(CDownloadProgressDlg, CWizardParentDlg)
ON_COMMAND(IDCANCEL, &CDownloadProgressDlg::OnCancelCommand)
ON_COMMAND(IDC_WIZARD_ABORT, &CDownloadProgressDlg::OnAbort)
ON_REGISTERED_MESSAGE(PROGRESSDLG_SET_MESSAGE, &CDownloadProgressDlg::OnSetMessage)
ON_WM_TIMER()
ON_WM_CLOSE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CDownloadProgressDlg::CDownloadProgressDlg(IWatchedStepEngine* pEngine, IHttpDownloadProgress* pDownloadProgress)
    : CWizardParentDlg(TRUE, FALSE, IDD_DOWNLOAD_PROGRESS, nullptr), m_pEngine(pEngine),
      m_pDownloadProgress(pDownloadProgress)
{
}

CDownloadProgressDlg::~CDownloadProgressDlg()
{
    Trace(TRACE_INFO, L"Destroying instance of CDownloadProgressDlg");
    StopTimer();
    if (m_pDownloadProgress)
        m_pDownloadProgress->SetParentWindow(nullptr);
}

CString CDownloadProgressDlg::FormatByteSize(DWORD nBytes)
{
    CString text;
    if (nBytes <= 1023)
        text.Format(L"%lu bytes", static_cast<unsigned long>(nBytes));
    else if (nBytes >= kGiga)
        text.Format(L"%.2f GB", nBytes / static_cast<double>(kGiga));
    else if (nBytes < kMega)
        text.Format(L"%.2f KB", nBytes / kKilo);
    else
        text.Format(L"%.2f MB", nBytes / static_cast<double>(kMega));
    return text;
}

void CDownloadProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_PROGRESS_BAR, m_progress);
}

BOOL CDownloadProgressDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    if (m_bCompact)
    {
        SetDlgItemText(IDC_WIZARD_HEADING, GetDlgItemText(IDC_WIZARD_SUBHEADING));
        ApplyCompactLayout(m_hWnd);
    }
    SetDlgItemText(IDC_WIZARD_TEXT, WithDisplayName(GetDlgItemText(IDC_WIZARD_TEXT)));
    if (m_pDownloadProgress)
        m_pDownloadProgress->SetParentWindow(m_hWnd);
    Refresh();
    StartTimer(m_pTimerListener);
    if (m_bBringToFront)
        ForceWindowToForeground(m_hWnd, -1);
    if (m_pEngine)
        m_pEngine->SetProgressWnd(m_hWnd);
    return TRUE;
}

BOOL CDownloadProgressDlg::Initialize(const wchar_t* pszHeading, const wchar_t* pszSubHeading, int nButtonMask,
                                      int bBringToFront, IDownloadTimerListener* pTimerListener)
{
    m_dwLastTotal = 0;
    m_strHeading = pszHeading ? pszHeading : L"";
    m_strSubHeading = pszSubHeading ? pszSubHeading : L"";
    m_bBringToFront = bBringToFront;
    m_nButtonMask = nButtonMask;
    if (m_hWnd)
    {
        // The timer let go of the downloader's owner window when the previous download ended;
        // a failure box of this one needs it again.
        if (m_pDownloadProgress)
            m_pDownloadProgress->SetParentWindow(m_hWnd);
        Refresh();
        if (m_bBringToFront)
            ForceWindowToForeground(m_hWnd, -1);
    }
    StartTimer(pTimerListener);
    return TRUE;
}

void CDownloadProgressDlg::RepaintBand()
{
    const LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
    SetWindowLongW(m_hWnd, GWL_STYLE, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    SetWindowLongW(m_hWnd, GWL_STYLE, style);
}

void CDownloadProgressDlg::Refresh()
{
    if (HWND hBack = GetDlgItem(IDC_WIZARD_BACK))
        ::EnableWindow(hBack, (m_nButtonMask & MSI_PROGRESS_BACK) != 0);
    if (HWND hNext = GetDlgItem(IDOK))
        ::EnableWindow(hNext, (m_nButtonMask & MSI_PROGRESS_NEXT) != 0);
    if (HWND hCancel = GetDlgItem(IDCANCEL))
        ::EnableWindow(hCancel, (m_nButtonMask & MSI_PROGRESS_CANCEL) != 0);

    HWND hHeading = GetDlgItem(IDC_WIZARD_HEADING);
    HWND hSubHeading = GetDlgItem(IDC_WIZARD_SUBHEADING);
    if (hHeading)
        ::ShowWindow(hHeading, SW_HIDE);
    if (hSubHeading)
        ::ShowWindow(hSubHeading, SW_HIDE);
    RepaintBand();
    // The template's texts are read once: a display name with "%" in it stays a name.
    if (hHeading)
    {
        if (m_strHeading.IsEmpty())
            m_strHeading = GetDlgItemText(IDC_WIZARD_HEADING);
        SetDlgItemText(IDC_WIZARD_HEADING, WithDisplayName(m_strHeading));
        ::ShowWindow(hHeading, SW_SHOW);
    }
    if (hSubHeading)
    {
        if (m_strSubHeading.IsEmpty())
            m_strSubHeading = GetDlgItemText(IDC_WIZARD_SUBHEADING);
        SetDlgItemText(IDC_WIZARD_SUBHEADING, WithDisplayName(m_strSubHeading));
        if (!m_bCompact)
            ::ShowWindow(hSubHeading, SW_SHOW);
    }
    CString pleaseWait;
    AfxLoadString(IDS_WORKER_PLEASE_WAIT, pleaseWait, GetLoadedLanguage());
    SetDlgItemText(IDC_PROGRESS_MAIN_TEXT, pleaseWait);
    m_dwLastTotal = 0;
    if (m_progress.m_hWnd)
        m_progress.SetPos(0);
}

void CDownloadProgressDlg::PostEndDialog(int nResult)
{
    if (m_hWnd)
        PostMessage(PROGRESSDLG_END_DIALOG, static_cast<WPARAM>(nResult), 0);
}

void CDownloadProgressDlg::StartTimer(IDownloadTimerListener* pListener)
{
    m_pTimerListener = pListener;
    if (m_hWnd)
        SetTimer(DOWNLOAD_PROGRESS_TIMER, kTimerPeriodMs);
}

void CDownloadProgressDlg::StopTimer()
{
    if (m_hWnd)
        KillTimer(DOWNLOAD_PROGRESS_TIMER);
    m_pTimerListener = nullptr;
}

void CDownloadProgressDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != DOWNLOAD_PROGRESS_TIMER)
    {
        Default();
        return;
    }
    if (!m_pEngine || m_pEngine->GetNextStep(true) != WATCHED_STEP_BUSY)
    {
        StopTimer();
        if (m_pDownloadProgress)
            m_pDownloadProgress->SetParentWindow(nullptr);
        PostEndDialog(1);
        return;
    }
    DWORD dwBytes = 0, dwTotal = 0;
    if (m_pDownloadProgress)
        m_pDownloadProgress->GetProgress(dwBytes, dwTotal);
    // A total of 0 (not known yet) leaves the range as it was.
    const int nShift = BarShift(dwTotal != 0 ? dwTotal : m_dwLastTotal);
    if (dwTotal != 0 && dwTotal != m_dwLastTotal)
    {
        m_dwLastTotal = dwTotal;
        m_progress.SetRange32(0, static_cast<int>(dwTotal >> nShift));
    }
    m_progress.SetPos(static_cast<int>(dwBytes >> nShift));
    if (dwBytes != 0)
    {
        CString format, status;
        AfxLoadString(IDS_DOWNLOADED_OF, format, GetLoadedLanguage());
        status.Format(format, FormatByteSize(dwBytes).GetString(), FormatByteSize(dwTotal).GetString());
        SetDlgItemText(IDC_PROGRESS_MAIN_TEXT, status);
    }
    if (m_pTimerListener)
        m_pTimerListener->OnProgressTimer(this);
}

LRESULT CDownloadProgressDlg::OnSetMessage(WPARAM wParam, LPARAM lParam)
{
    BSTR text = reinterpret_cast<BSTR>(lParam);
    const CString copy = text ? text : L"";
    SysFreeString(text);
    if (copy.IsEmpty())
        return 0;
    const int nID = static_cast<int>(wParam);
    if (nID == IDC_WIZARD_HEADING || nID == IDC_WIZARD_SUBHEADING)
    {
        HWND hHeading = GetDlgItem(IDC_WIZARD_HEADING);
        HWND hSubHeading = GetDlgItem(IDC_WIZARD_SUBHEADING);
        ::ShowWindow(hHeading, SW_HIDE);
        ::ShowWindow(hSubHeading, SW_HIDE);
        RepaintBand();
        SetDlgItemText(nID, copy);
        ::ShowWindow(hHeading, SW_SHOW);
        ::ShowWindow(hSubHeading, SW_SHOW);
    }
    else
    {
        SetDlgItemText(nID, copy);
    }
    return 0;
}

void CDownloadProgressDlg::OnOK()
{
    Trace(TRACE_WARNING, L"CDownloadProgressDlg::OnOK is destroying the progress dialog !");
    DestroyWindow();
}

void CDownloadProgressDlg::OnAbort()
{
    Trace(TRACE_WARNING, L"CDownloadProgressDlg::OnAbort is destroying the progress dialog !");
    m_bAborted = TRUE;
    DestroyWindow();
}

void CDownloadProgressDlg::OnClose()
{
    Trace(TRACE_INFO, L"CDownloadProgressDlg::OnClose");
    Default();
}

void CDownloadProgressDlg::OnDestroy()
{
    Trace(TRACE_INFO, L"CDownloadProgressDlg::OnDestroy");
    CWizardParentDlg::OnDestroy();
}
