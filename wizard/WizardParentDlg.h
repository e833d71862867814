#pragma once
// The base of every wizard page: the application's title as caption, a bold heading (1037), a
// branding bitmap stretched into the header band (1067) or the side panel (1068) with the
// statics over it transparent, the position left behind for the next page, and the Back and
// Cancel answers all pages share.

#include "classlib/Dialog.h"
#include "classlib/Gdi.h"

// Results of a modal page besides IDOK, IDCANCEL (after a confirmed cancel) and -1.
const INT_PTR WIZARD_RESULT_BACK = 1017;

class CWizardParentDlg : public CDialog
{
public:
    CWizardParentDlg(int bHeader, int bWatermark, UINT nIDTemplate, HWND hParent);

    // Pages map button 1017 to OnBack where Back is live, and button 2 to OnCancelInstallation.
    void OnBack();
    void OnCancelInstallation();

    // The frames in client coordinates, stored at the first paint (empty before it).
    const RECT& GetHeaderFrame() const { return m_rcHeaderFrame; }
    const RECT& GetWatermarkFrame() const { return m_rcWatermarkFrame; }

protected:
    BOOL OnInitDialog() override;
    void OnPaint();
    HBRUSH OnCtlColor(HDC hDC, HWND hControl, UINT nCtlColor);
    void OnDestroy();
    // Leaves the page's position behind for the next page (its left, top and the window before
    // it), as the page's end does.
    void SavePagePosition();
    // The cancel question, owned by the page (disabled, yet pumped, while it is asked): IDOK
    // when the user confirmed.
    INT_PTR AskCancelInstallation();

    int m_bHeader;
    int m_bWatermark;
    RECT m_rcHeaderFrame;
    RECT m_rcWatermarkFrame;
    CFont m_titleFont;

private:
    void MakeHeadingBold();

    DECLARE_MESSAGE_MAP()
};
