#pragma once
// The first page: the interface language and the installation mode. Choosing another language
// ends the page at once (IDOK with the changed flag); the controller shows it again in that
// language. The page's template and texts are in its code's language.

#include "LanguageSelector.h"
#include "WizardParentDlg.h"
#include "classlib/Gdi.h"

class CChooseLanguageDlg : public CWizardParentDlg
{
public:
    // A code the list does not hold becomes "en".
    CChooseLanguageDlg(int bFullVersion, const wchar_t* pszLanguageCode, BOOL bQuickMode, HWND hParent);

    // Outputs after DoModal.
    const CString& GetLanguageCode() const { return m_strLanguageCode; }
    // 0: "Typical installation" (quick mode), 1: "Advanced installation".
    int GetInstallMode() const { return m_nInstallMode; }
    bool IsQuickMode() const { return m_nInstallMode == 0; }
    bool IsLanguageChanged() const { return m_bLanguageChanged != 0; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnLanguageChanged();
    void OnInstallTypeChanged();
    void OnEulaLinkClicked(NMHDR* pHeader, LRESULT* pResult);
    void ShowEula();

    CString m_strLanguageCode;
    int m_nInstallMode;
    int m_bLanguageChanged;
    CFont m_radioFont;
    int m_bFullVersion;
    CLanguageSelector m_languageSelector;
    CStringArray m_supportedLanguages;

private:
    CString LoadText(UINT nID) const;
    void MakeRadiosBold();

    DECLARE_MESSAGE_MAP()
};
