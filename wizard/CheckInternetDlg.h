#pragma once
// The Internet page, shown when no connection was found: Retry (1017) tries again; Next is
// offered only when skipping the update search is allowed and the box says so.

#include "WizardParentDlg.h"

class CCheckInternetDlg : public CWizardParentDlg
{
public:
    CCheckInternetDlg(UINT bSkipAllowed, HWND hParent);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnSkipClicked();

    UINT m_bSkipAllowed;
    CWnd m_skipBox;

    DECLARE_MESSAGE_MAP()
};
