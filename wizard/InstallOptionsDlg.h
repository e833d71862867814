#pragma once
// The installation options page (dialog 155): four check boxes that edit the caller's flags in
// place (MP3 conversion, usage statistics, settings import, notifier at start). Install and Back
// both hand the boxes' states back. For partner 11082 the last two boxes are hidden.

#include "WizardParentDlg.h"

class CInstallOptionsDlg : public CWizardParentDlg
{
public:
    CInstallOptionsDlg(int& rMp3, int& rUsageStatistics, int& rImportSettings, int& rNotifierAtStart, HWND hParent);

    // The settings' partner id.
    void SetPartnerId(const wchar_t* pszPartnerId) { m_partnerId = pszPartnerId ? pszPartnerId : L""; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnBack();

private:
    int& m_rMp3;
    int& m_rUsageStatistics;
    int& m_rImportSettings;
    int& m_rNotifierAtStart;
    CString m_partnerId;

    DECLARE_MESSAGE_MAP()
};
