#include "CancelInstallationDlg.h"
#include "resource.h"

CCancelInstallationDlg::CCancelInstallationDlg(HWND hParent) : CDialog(IDD_CANCEL_INSTALLATION, hParent)
{
}
