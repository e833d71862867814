#include "AdvertiseDlg.h"

#include "GdiplusPicture.h"
#include "StartPagesHost.h"
#include "resource.h"
#include "classlib/Handles.h"
#include "support/DynBitmap.h"
#include "support/SysUtil.h"

namespace
{
int Scaled(int x, int nDpi)
{
    return static_cast<int>(x * static_cast<double>(nDpi) / 96.0 + 0.5);
}

// A bitmap of cx x cy like the control's, holding the source rectangle of the picture stretched.
bool StretchInto(HDC hControlDC, const CBitmap& picture, const RECT& source, int cx, int cy, CBitmap& rTarget)
{
    CScopedMemoryDC hMemory(CreateCompatibleDC(hControlDC));
    HBITMAP hTarget = CreateCompatibleBitmap(hControlDC, cx, cy);
    if (!hMemory.IsValid() || !hTarget)
    {
        if (hTarget)
            ::DeleteObject(hTarget);
        return false;
    }
    rTarget.Attach(hTarget);
    HGDIOBJ hPrevious = SelectObject(hMemory.Get(), hTarget);
    const RECT dest = { 0, 0, cx, cy };
    DrawBitmapStretched(hMemory.Get(), &picture, &dest, &source);
    SelectObject(hMemory.Get(), hPrevious);
    return true;
}
}

const RECT CAdvertiseDlg::kButtonArea = { 557, 374, 557 + 250, 374 + 64 };

BEGIN_MESSAGE_MAP(CAdvertiseDlg, CDialog)
ON_BN_CLICKED(IDC_ADVERTISE_MORE, &CAdvertiseDlg::OnMore)
ON_BN_CLICKED(IDCANCEL, &CWizardParentDlg::OnCancelInstallation)
END_MESSAGE_MAP()

CAdvertiseDlg::CAdvertiseDlg(HWND hParent) : CWizardParentDlg(FALSE, TRUE, IDD_ADVERTISE, hParent) {}

void CAdvertiseDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_ADVERTISE_PICTURE, m_picture);
    DDX_Control(pDX, IDOK, m_button);
}

CString CAdvertiseDlg::PictureFile()
{
    wchar_t language[6] = {};
    GetStartPageCalls().pGetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, 6);
    CString file = GetModuleFolder(nullptr);
    file += L"\\advertise_";
    file += _wcsicmp(language, L"de") == 0 ? L"de" : L"en";
    file += L".jpg";
    return file;
}

BOOL CAdvertiseDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    UpdateData(TRUE);
    CGdiplusPicture picture;
    picture.Load(PictureFile());

    int nDpi = 96;
    {
        CClientDC screen(nullptr);
        nDpi = GetStartPageCalls().pGetDeviceCaps(screen, LOGPIXELSX);
    }
    if (nDpi <= 0)
        nDpi = 96;
    const LONG style = GetWindowLongW(m_button.GetSafeHwnd(), GWL_STYLE);
    SetWindowLongW(m_button.GetSafeHwnd(), GWL_STYLE, style | BS_BITMAP);
    SetWindowPos(m_button.GetSafeHwnd(), HWND_TOP, Scaled(kButtonArea.left, nDpi), Scaled(kButtonArea.top, nDpi),
                 Scaled(kButtonArea.right - kButtonArea.left, nDpi), Scaled(kButtonArea.bottom - kButtonArea.top, nDpi), 0);
    if (picture.GetSafeHandle())
        ShowPicture(picture, nDpi);
    return TRUE;
}

void CAdvertiseDlg::ShowPicture(const CBitmap& picture, int nDpi)
{
    const SIZE size = GetBitmapSize(&picture);
    CClientDC control(m_picture.GetSafeHwnd());
    const RECT whole = { 0, 0, size.cx, size.cy };
    if (StretchInto(control, picture, whole, Scaled(size.cx, nDpi), Scaled(size.cy, nDpi), m_pageImage))
        m_picture.SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_pageImage.GetSafeHandle()));
    if (StretchInto(control, picture, kButtonArea, Scaled(kButtonArea.right - kButtonArea.left, nDpi),
                    Scaled(kButtonArea.bottom - kButtonArea.top, nDpi), m_buttonImage))
        m_button.SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_buttonImage.GetSafeHandle()));
}
