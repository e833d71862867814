#pragma once
// The update offer, shown when a newer setup exists: Next with the box checked downloads it.

#include "WizardParentDlg.h"

class CUpdateAvailbleDlg : public CWizardParentDlg
{
public:
    explicit CUpdateAvailbleDlg(HWND hParent);

    // 1: download and run the new version; 0: go on with this one.
    int GetDownloadUpdate() const { return m_bDownloadUpdate; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // The box toggles itself.
    void OnDownloadClicked() {}

    int m_bDownloadUpdate;

    DECLARE_MESSAGE_MAP()
};
