#include "UpdateAvailbleDlg.h"

#include "resource.h"

BEGIN_MESSAGE_MAP(CUpdateAvailbleDlg, CWizardParentDlg)
ON_BN_CLICKED(IDC_UPDATE_DOWNLOAD, &CUpdateAvailbleDlg::OnDownloadClicked)
ON_BN_CLICKED(IDCANCEL, &CWizardParentDlg::OnCancelInstallation)
END_MESSAGE_MAP()

CUpdateAvailbleDlg::CUpdateAvailbleDlg(HWND hParent)
    : CWizardParentDlg(TRUE, FALSE, IDD_UPDATE_AVAILABLE, hParent), m_bDownloadUpdate(1)
{
}

void CUpdateAvailbleDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, IDC_UPDATE_DOWNLOAD, m_bDownloadUpdate);
}
