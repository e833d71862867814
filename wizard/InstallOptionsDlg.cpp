#include "InstallOptionsDlg.h"
#include "PageTexts.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(CInstallOptionsDlg, CWizardParentDlg)
ON_BN_CLICKED(IDCANCEL, &CWizardParentDlg::OnCancelInstallation)
ON_BN_CLICKED(IDC_WIZARD_BACK, &CInstallOptionsDlg::OnBack)
END_MESSAGE_MAP()

CInstallOptionsDlg::CInstallOptionsDlg(int& rMp3, int& rUsageStatistics, int& rImportSettings, int& rNotifierAtStart,
                                       HWND hParent)
    : CWizardParentDlg(TRUE, FALSE, IDD_INSTALL_OPTIONS, hParent), m_rMp3(rMp3), m_rUsageStatistics(rUsageStatistics),
      m_rImportSettings(rImportSettings), m_rNotifierAtStart(rNotifierAtStart)
{
}

void CInstallOptionsDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, IDC_OPTIONS_MP3, m_rMp3);
    DDX_Check(pDX, IDC_OPTIONS_USAGE_STATISTICS, m_rUsageStatistics);
    DDX_Check(pDX, IDC_OPTIONS_IMPORT_SETTINGS, m_rImportSettings);
    DDX_Check(pDX, IDC_OPTIONS_NOTIFIER_AT_START, m_rNotifierAtStart);
}

BOOL CInstallOptionsDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    FormatItemWithDisplayName(m_hWnd, IDC_WIZARD_SUBHEADING);
    FormatItemWithDisplayName(m_hWnd, IDC_OPTIONS_USAGE_STATISTICS);
    if (m_partnerId == kOwnNamePartnerId)
    {
        // The hidden boxes keep the states they were given; Install or Back writes those back.
        ::ShowWindow(GetDlgItem(IDC_OPTIONS_IMPORT_SETTINGS), SW_HIDE);
        ::ShowWindow(GetDlgItem(IDC_OPTIONS_NOTIFIER_AT_START), SW_HIDE);
        m_rImportSettings = 0;
        m_rNotifierAtStart = 0;
    }
    return TRUE;
}

void CInstallOptionsDlg::OnBack()
{
    UpdateData(TRUE);
    EndDialog(WIZARD_RESULT_BACK);
}
