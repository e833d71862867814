#include "ChooseLanguageDlg.h"

#include "PageTexts.h"
#include "StartPagesHost.h"
#include "WizardHost.h"
#include "resource.h"
#include "classlib/WinApp.h"
#include "support/Language.h"
#include "support/PathUtil.h"
#include "support/SysUtil.h"

#include <commctrl.h>

namespace
{
const LONG kRadioWeightRaise = 300;

const int kInstallTypeControls[] = { IDC_INSTALL_TYPE_LABEL, IDC_INSTALL_TYPICAL_TEXT, IDC_INSTALL_ADVANCED_TEXT,
                                     IDC_INSTALL_TYPICAL, IDC_INSTALL_ADVANCED };

CString PartnerId()
{
    IStartPagesHost* pHost = GetStartPagesHost();
    return pHost ? pHost->GetPartnerId() : CString();
}

bool Contains(const CStringArray& codes, const CString& code)
{
    for (const CString& candidate : codes)
        if (candidate == code)
            return true;
    return false;
}

void ShowControl(HWND hPage, int nID, bool bShow)
{
    ::ShowWindow(::GetDlgItem(hPage, nID), bShow ? SW_SHOW : SW_HIDE);
}
}

BEGIN_MESSAGE_MAP(CChooseLanguageDlg, CWizardParentDlg)
ON_CONTROL(CBN_SELCHANGE, IDC_LANGUAGE_COMBO, &CChooseLanguageDlg::OnLanguageChanged)
ON_BN_CLICKED(IDCANCEL, &CWizardParentDlg::OnCancelInstallation)
ON_NOTIFY(NM_CLICK, IDC_EULA_LINK_ADVANCED, &CChooseLanguageDlg::OnEulaLinkClicked)
ON_NOTIFY(NM_CLICK, IDC_EULA_LINK_TYPICAL, &CChooseLanguageDlg::OnEulaLinkClicked)
ON_BN_CLICKED(IDC_INSTALL_TYPICAL, &CChooseLanguageDlg::OnInstallTypeChanged)
ON_BN_CLICKED(IDC_INSTALL_ADVANCED, &CChooseLanguageDlg::OnInstallTypeChanged)
END_MESSAGE_MAP()

CChooseLanguageDlg::CChooseLanguageDlg(int bFullVersion, const wchar_t* pszLanguageCode, BOOL bQuickMode, HWND hParent)
    : CWizardParentDlg(FALSE, TRUE, IDD_CHOOSE_LANGUAGE, hParent), m_strLanguageCode(pszLanguageCode ? pszLanguageCode : L""),
      m_nInstallMode(bQuickMode ? 0 : 1), m_bLanguageChanged(0), m_bFullVersion(bFullVersion)
{
    // The licence links are SysLink controls, which the application's set of classes lacks.
    INITCOMMONCONTROLSEX classes = { sizeof(classes), ICC_LINK_CLASS };
    InitCommonControlsEx(&classes);
    if (IStartPagesHost* pHost = GetStartPagesHost())
        pHost->GetSupportedLanguages(m_supportedLanguages, PartnerId() == kOwnNamePartnerId ? 1 : 0);
    else
        m_supportedLanguages.Add(L"en");
    if (!Contains(m_supportedLanguages, m_strLanguageCode))
        m_strLanguageCode = L"en";
    LANGID language = 0;
    LanguageCodeToLangId(m_strLanguageCode, language);
    SetTemplateLanguage(language);
}

CString CChooseLanguageDlg::LoadText(UINT nID) const
{
    CString text;
    AfxLoadString(nID, text, GetLoadedLanguage());
    return text;
}

void CChooseLanguageDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_LANGUAGE_COMBO, m_languageSelector);
    // The radio group of "Typical installation": the index of the checked one.
    if (pDX->m_bSaveAndValidate)
    {
        if (IsDlgButtonChecked(m_hWnd, IDC_INSTALL_TYPICAL) == BST_CHECKED)
            m_nInstallMode = 0;
        else if (IsDlgButtonChecked(m_hWnd, IDC_INSTALL_ADVANCED) == BST_CHECKED)
            m_nInstallMode = 1;
    }
    else
    {
        CheckRadioButton(m_hWnd, IDC_INSTALL_TYPICAL, IDC_INSTALL_ADVANCED,
                         m_nInstallMode == 0 ? IDC_INSTALL_TYPICAL : IDC_INSTALL_ADVANCED);
    }
}

BOOL CChooseLanguageDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    const CString partner = PartnerId();
    const bool bOwnName = partner == kOwnNamePartnerId;
    IStartPagesHost* pHost = GetStartPagesHost();
    CString version = pHost ? pHost->GetVersionText() : CString();
    if (!m_bFullVersion)
        version = version.Left(2);
    if (bOwnName)
        version.Empty();

    IWizardHost* pWizardHost = GetWizardHost();
    const CString title = pWizardHost ? pWizardHost->GetAppTitle() : CString();
    const CString displayName = pWizardHost ? pWizardHost->GetProductDisplayName() : CString();
    CString heading;
    heading.Format(LoadText(IDS_WELCOME_HEADING), title.GetString());
    SetDlgItemText(IDC_WIZARD_HEADING, heading);
    CString subheading;
    subheading.Format(LoadText(IDS_WELCOME_SUBHEADING), displayName.GetString(), version.GetString());
    SetDlgItemText(IDC_WIZARD_SUBHEADING, subheading);

    if (bOwnName || partner == kStartPartnerOwnBrand)
        for (int nID : kInstallTypeControls)
            ShowControl(m_hWnd, nID, false);

    m_languageSelector.FillLanguages(m_strLanguageCode, m_supportedLanguages, m_hWnd);
    MakeRadiosBold();
    UpdateData(FALSE);
    OnInstallTypeChanged();
    ForceWindowToForeground(m_hWnd, -1);
    return TRUE;
}

void CChooseLanguageDlg::MakeRadiosBold()
{
    HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(GetDlgItem(IDC_INSTALL_TYPICAL), WM_GETFONT, 0, 0));
    LOGFONTW logFont = {};
    if (!hFont || !GetObjectW(hFont, sizeof(logFont), &logFont))
        return;
    logFont.lfWeight = logFont.lfWeight + kRadioWeightRaise > FW_HEAVY ? FW_HEAVY : logFont.lfWeight + kRadioWeightRaise;
    if (!m_radioFont.CreateFontIndirect(&logFont))
        return;
    const WPARAM hBold = reinterpret_cast<WPARAM>(m_radioFont.GetSafeHandle());
    ::SendMessageW(GetDlgItem(IDC_INSTALL_TYPICAL), WM_SETFONT, hBold, TRUE);
    ::SendMessageW(GetDlgItem(IDC_INSTALL_ADVANCED), WM_SETFONT, hBold, TRUE);
}

void CChooseLanguageDlg::OnInstallTypeChanged()
{
    UpdateData(TRUE);
    SetDlgItemText(IDOK, LoadText(IDS_NEXT_BUTTON));
    const bool bTypical = m_nInstallMode == 0;
    ShowControl(m_hWnd, IDC_EULA_LINK_TYPICAL, bTypical);
    ShowControl(m_hWnd, IDC_EULA_LINK_ADVANCED, !bTypical);
}

void CChooseLanguageDlg::OnLanguageChanged()
{
    m_languageSelector.GetSelectedLanguage(m_strLanguageCode);
    UpdateData(TRUE);
    m_bLanguageChanged = 1;
    EndDialog(IDOK);
}

void CChooseLanguageDlg::OnEulaLinkClicked(NMHDR*, LRESULT* pResult)
{
    ShowEula();
    *pResult = 0;
}

void CChooseLanguageDlg::ShowEula()
{
    if (PartnerId() == kOwnNamePartnerId)
    {
        GetStartPageCalls().pShellExecuteW(nullptr, L"open", kPartnerEulaAddress, nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    CString name;
    name.Format(L"eula_%s.rtf", m_strLanguageCode.GetString());
    const CString file = BuildPath(GetModuleFolder(nullptr), name, nullptr);
    if (IStartPagesHost* pHost = GetStartPagesHost())
        pHost->ShowEula(file, m_hWnd);
}
