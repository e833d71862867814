#include "ScanMusicCollectionDlg.h"
#include "PageTexts.h"
#include "resource.h"

namespace
{
const wchar_t kPartnerWithOwnProduct[] = L"11082";
const wchar_t kProductWord[] = L"Vantolin";
const int kRadios[] = { IDC_MUSIC_INCLUDE, IDC_MUSIC_EXCLUDE };
}

BEGIN_MESSAGE_MAP(ScanMusicCollectionDlg, CWizardParentDlg)
ON_BN_CLICKED(IDCANCEL, &CWizardParentDlg::OnCancelInstallation)
ON_BN_CLICKED(IDC_WIZARD_BACK, &CWizardParentDlg::OnBack)
END_MESSAGE_MAP()

ScanMusicCollectionDlg::ScanMusicCollectionDlg(HWND hParent)
    : CWizardParentDlg(TRUE, FALSE, IDD_SCAN_MUSIC_COLLECTION, hParent), m_nRadio(1)
{
}

void ScanMusicCollectionDlg::DoDataExchange(CDataExchange* pDX)
{
    if (!pDX->m_bSaveAndValidate)
    {
        CheckRadioButton(m_hWnd, kRadios[0], kRadios[1], kRadios[m_nRadio == 0 ? 0 : 1]);
        return;
    }
    m_nRadio = -1;
    for (int i = 0; i < 2; ++i)
    {
        if (IsDlgButtonChecked(m_hWnd, kRadios[i]) == BST_CHECKED)
            m_nRadio = i;
    }
}

BOOL ScanMusicCollectionDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    SetDlgItemText(IDOK, LoadPageString(IDS_INSTALL_BUTTON, GetLoadedLanguage()));
    if (m_partnerId == kPartnerWithOwnProduct)
    {
        const CString name = PageDisplayName();
        for (int nID : { IDC_WIZARD_HEADING, IDC_WIZARD_SUBHEADING, IDC_MUSIC_INCLUDE })
        {
            CString text = GetDlgItemText(nID);
            text.Replace(kProductWord, name);
            SetDlgItemText(nID, text);
        }
    }
    return TRUE;
}

void ScanMusicCollectionDlg::OnOK()
{
    CWizardParentDlg::OnOK();
}
