#pragma once
// The advertising page: a picture over the whole page whose "button" area is the Next button.
// Its map chains to the plain dialog's: no branding is painted, no static made transparent and
// no position left behind.

#include "WizardParentDlg.h"
#include "classlib/Gdi.h"

class CAdvertiseDlg : public CWizardParentDlg
{
public:
    explicit CAdvertiseDlg(HWND hParent);
    // The controls show the page's images: the window goes before them.
    ~CAdvertiseDlg() override { DestroyWindow(); }

    // The picture's own pixels that make the button, and where the button stands on a 96 dpi
    // screen.
    static const RECT kButtonArea;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnMore() {}

    CWnd m_picture;
    CWnd m_button;

private:
    // The page's file: advertise_de.jpg for a German user, advertise_en.jpg for everyone else.
    static CString PictureFile();
    void ShowPicture(const CBitmap& picture, int nDpi);

    // The images the two controls show; kept until the page's window has gone.
    CBitmap m_pageImage;
    CBitmap m_buttonImage;

    DECLARE_MESSAGE_MAP()
};
