#pragma once
// The media-library page (dialog 160), shown for large media collections: include the user's
// music folder in the product's library now (a long scan) or later.

#include "WizardParentDlg.h"

class ScanMusicCollectionDlg : public CWizardParentDlg
{
public:
    explicit ScanMusicCollectionDlg(HWND hParent);

    // The settings' partner id.
    void SetPartnerId(const wchar_t* pszPartnerId) { m_partnerId = pszPartnerId ? pszPartnerId : L""; }
    // After Install: the music folder is to be included.
    bool IncludeMusicCollection() const { return m_nRadio == 0; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

private:
    int m_nRadio; // 0: include, 1: not now
    CString m_partnerId;

    DECLARE_MESSAGE_MAP()
};
