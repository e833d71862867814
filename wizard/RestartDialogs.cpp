#include "RestartDialogs.h"
#include "PageTexts.h"
#include "resource.h"

CAskRestart::CAskRestart(HWND hParent) : CDialog(IDD_ASK_RESTART, hParent)
{
}

BOOL CAskRestart::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(WithPartnerProductName(GetWindowText()));
    return TRUE;
}

BEGIN_MESSAGE_MAP(CConfirmRestartDlg, CWizardParentDlg)
ON_COMMAND(IDCANCEL, &CConfirmRestartDlg::OnCancelInstallation)
END_MESSAGE_MAP()

CConfirmRestartDlg::CConfirmRestartDlg(HWND hParent) : CWizardParentDlg(TRUE, FALSE, IDD_CONFIRM_RESTART, hParent)
{
}
