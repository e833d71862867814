#pragma once
// The installation folder page (dialog 156): edits the caller's folder text in place. Next is
// live only for a text the installer command line can carry: not empty and without a quote
// (a quote would end APPDIR="...").

#include "WizardParentDlg.h"

class CInstallFolderDlg : public CWizardParentDlg
{
public:
    CInstallFolderDlg(CString& rFolder, HWND hParent);

    static bool IsAcceptableFolder(const CString& folder);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnFolderChanged();
    void OnBrowse();

private:
    CString& m_rFolder;

    DECLARE_MESSAGE_MAP()
};
