#include "WizardParentDlg.h"
#include "CancelInstallationDlg.h"
#include "WizardHost.h"
#include "resource.h"
#include "support/DynBitmap.h"

namespace
{
const LONG kTitleWeight = 600;

bool HasBitmap(const CBitmap* pBitmap)
{
    return pBitmap && pBitmap->GetSafeHandle();
}

RECT ClientRectOfChild(HWND hParent, HWND hChild)
{
    RECT rect = {};
    GetWindowRect(hChild, &rect);
    MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
}

BEGIN_MESSAGE_MAP(CWizardParentDlg, CDialog)
ON_WM_PAINT()
ON_WM_CTLCOLOR()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CWizardParentDlg::CWizardParentDlg(int bHeader, int bWatermark, UINT nIDTemplate, HWND hParent)
    : CDialog(nIDTemplate, hParent), m_bHeader(bHeader), m_bWatermark(bWatermark), m_rcHeaderFrame(),
      m_rcWatermarkFrame()
{
}

BOOL CWizardParentDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    IWizardHost* pHost = GetWizardHost();
    if (pHost)
        SetWindowText(pHost->GetAppTitle());
    MakeHeadingBold();
    if (pHost)
        pHost->RestorePagePosition(m_hWnd);
    return TRUE;
}

void CWizardParentDlg::MakeHeadingBold()
{
    HWND hHeading = GetDlgItem(IDC_WIZARD_HEADING);
    if (!hHeading || GetDlgItemText(IDC_WIZARD_HEADING).IsEmpty())
        return;
    LOGFONTW logFont = {};
    HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(hHeading, WM_GETFONT, 0, 0));
    if (!hFont)
        hFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!GetObjectW(hFont, sizeof(logFont), &logFont))
        return;
    logFont.lfWeight = kTitleWeight;
    if (!m_titleFont.CreateFontIndirect(&logFont))
        return;
    ::SendMessageW(hHeading, WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont.GetSafeHandle()), TRUE);

    // The bold text is taller than the template's line: the heading takes the height it needs.
    CClientDC dc(m_hWnd);
    if (!dc.GetSafeHdc())
        return;
    CSelectObjectScope font(dc, m_titleFont.GetSafeHandle());
    const CString text = GetDlgItemText(IDC_WIZARD_HEADING);
    SIZE extent = {};
    if (!GetTextExtentPoint32W(dc, text, text.GetLength(), &extent))
        return;
    const RECT rect = ClientRectOfChild(m_hWnd, hHeading);
    SetWindowPos(hHeading, nullptr, 0, 0, rect.right - rect.left, extent.cy, SWP_NOMOVE | SWP_NOZORDER);
}

void CWizardParentDlg::OnPaint()
{
    CPaintDC dc(m_hWnd);
    IWizardHost* pHost = GetWizardHost();
    if (!pHost)
        return;
    const CBitmap* pHeader = pHost->GetHeaderBitmap();
    const CBitmap* pWatermark = pHost->GetWatermarkBitmap();
    if (m_bHeader && HasBitmap(pHeader))
    {
        if (HWND hFrame = GetDlgItem(IDC_WIZARD_HEADER_FRAME))
            m_rcHeaderFrame = ClientRectOfChild(m_hWnd, hFrame);
        DrawBitmapStretched(dc, pHeader, &m_rcHeaderFrame);
    }
    else if (m_bWatermark && HasBitmap(pWatermark))
    {
        if (HWND hFrame = GetDlgItem(IDC_WIZARD_WATERMARK_FRAME))
        {
            m_rcWatermarkFrame = ClientRectOfChild(m_hWnd, hFrame);
            const SIZE size = GetBitmapSize(pWatermark);
            const RECT source = { 0, 0, size.cx, size.cy };
            DrawBitmapStretched(dc, pWatermark, &m_rcWatermarkFrame, &source);
        }
    }
}

HBRUSH CWizardParentDlg::OnCtlColor(HDC hDC, HWND hControl, UINT nCtlColor)
{
    HBRUSH hBrush = CDialog::OnCtlColor(hDC, hControl, nCtlColor);
    const RECT& frame = m_bWatermark ? m_rcWatermarkFrame : m_rcHeaderFrame;
    const RECT control = ClientRectOfChild(m_hWnd, hControl);
    RECT overlap = {};
    if (nCtlColor != CTLCOLOR_STATIC || !IntersectRect(&overlap, &frame, &control))
        return hBrush;
    // Check boxes, radio buttons and centred or right-aligned statics paint their own ground.
    if (GetWindowLongW(hControl, GWL_STYLE) & 0xF)
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    SetBkMode(hDC, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void CWizardParentDlg::SavePagePosition()
{
    RECT rect = {};
    GetWindowRect(m_hWnd, &rect);
    if (IWizardHost* pHost = GetWizardHost())
        pHost->SavePagePosition(GetWindow(m_hWnd, GW_HWNDPREV), rect.left, rect.top);
}

void CWizardParentDlg::OnDestroy()
{
    SavePagePosition();
    CDialog::OnDestroy();
}

INT_PTR CWizardParentDlg::AskCancelInstallation()
{
    CCancelInstallationDlg question(m_hWnd);
    question.SetTemplateLanguage(GetLoadedLanguage());
    return question.DoModal();
}

void CWizardParentDlg::OnBack()
{
    EndDialog(WIZARD_RESULT_BACK);
}

void CWizardParentDlg::OnCancelInstallation()
{
    if (AskCancelInstallation() == IDOK)
        EndDialog(IDCANCEL);
}
