#include "InstallFolderDlg.h"
#include "BrowseFolderDlg.h"
#include "PageTexts.h"
#include "resource.h"

namespace
{
const UINT kBrowseFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
}

BEGIN_MESSAGE_MAP(CInstallFolderDlg, CWizardParentDlg)
ON_BN_CLICKED(IDCANCEL, &CWizardParentDlg::OnCancelInstallation)
ON_BN_CLICKED(IDC_WIZARD_BACK, &CWizardParentDlg::OnBack)
ON_BN_CLICKED(IDC_FOLDER_BROWSE, &CInstallFolderDlg::OnBrowse)
ON_CONTROL(EN_CHANGE, IDC_FOLDER_EDIT, &CInstallFolderDlg::OnFolderChanged)
END_MESSAGE_MAP()

CInstallFolderDlg::CInstallFolderDlg(CString& rFolder, HWND hParent)
    : CWizardParentDlg(TRUE, FALSE, IDD_INSTALL_FOLDER, hParent), m_rFolder(rFolder)
{
}

bool CInstallFolderDlg::IsAcceptableFolder(const CString& folder)
{
    return !folder.IsEmpty() && folder.Find(L'"') < 0;
}

void CInstallFolderDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_FOLDER_EDIT, m_rFolder);
}

BOOL CInstallFolderDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    FormatItemWithDisplayName(m_hWnd, IDC_WIZARD_SUBHEADING);
    ::EnableWindow(GetDlgItem(IDOK), IsAcceptableFolder(m_rFolder));
    return TRUE;
}

void CInstallFolderDlg::OnFolderChanged()
{
    UpdateData(TRUE);
    ::EnableWindow(GetDlgItem(IDOK), IsAcceptableFolder(m_rFolder));
}

// Enter reaches the default button even while it is disabled.
void CInstallFolderDlg::OnOK()
{
    UpdateData(TRUE);
    if (IsAcceptableFolder(m_rFolder))
        CWizardParentDlg::OnOK();
}

void CInstallFolderDlg::OnBrowse()
{
    const LANGID lang = GetLoadedLanguage();
    CBrowseFolderDlg picker(m_rFolder, kBrowseFlags, m_hWnd, 0, 0);
    picker.SetCaptionAndTitle(LoadPageString(IDS_BROWSE_FOLDER_CAPTION, lang),
                              FormatWithDisplayName(LoadPageString(IDS_BROWSE_FOLDER_TITLE, lang)));
    if (picker.Browse() == IDOK)
    {
        m_rFolder = picker.GetSelectedPath();
        SetDlgItemText(IDC_FOLDER_EDIT, m_rFolder);
    }
}
