#include "ScanMusicCollectionDlg.h"
#include "PageTexts.h"
#include "resource.h"

namespace
{
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
    for (int nID : { IDC_WIZARD_HEADING, IDC_WIZARD_SUBHEADING, IDC_MUSIC_INCLUDE })
        SetDlgItemText(nID, WithPartnerProductName(GetDlgItemText(nID), m_partnerId));
    return TRUE;
}

void ScanMusicCollectionDlg::OnOK()
{
    CWizardParentDlg::OnOK();
}
