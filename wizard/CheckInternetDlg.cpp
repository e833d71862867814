#include "CheckInternetDlg.h"

#include "resource.h"

BEGIN_MESSAGE_MAP(CCheckInternetDlg, CWizardParentDlg)
ON_BN_CLICKED(IDC_WIZARD_BACK, &CWizardParentDlg::OnBack)
ON_BN_CLICKED(IDC_INTERNET_SKIP, &CCheckInternetDlg::OnSkipClicked)
ON_BN_CLICKED(IDCANCEL, &CWizardParentDlg::OnCancelInstallation)
END_MESSAGE_MAP()

CCheckInternetDlg::CCheckInternetDlg(UINT bSkipAllowed, HWND hParent)
    : CWizardParentDlg(TRUE, FALSE, IDD_CHECK_INTERNET, hParent), m_bSkipAllowed(bSkipAllowed)
{
}

void CCheckInternetDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_INTERNET_SKIP, m_skipBox);
}

BOOL CCheckInternetDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    ::EnableWindow(GetDlgItem(IDOK), FALSE);
    m_skipBox.EnableWindow(m_bSkipAllowed ? TRUE : FALSE);
    m_skipBox.ShowWindow(m_bSkipAllowed ? SW_SHOW : SW_HIDE);
    return TRUE;
}

void CCheckInternetDlg::OnSkipClicked()
{
    if (!m_bSkipAllowed)
        return;
    const bool bChecked = m_skipBox.SendMessage(BM_GETCHECK) == BST_CHECKED;
    ::EnableWindow(GetDlgItem(IDOK), bChecked ? TRUE : FALSE);
}
