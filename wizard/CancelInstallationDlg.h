#pragma once
// "Are you sure you want to cancel the installation?" (dialog 137): IDOK for "Yes", IDCANCEL for
// "No", the default.

#include "classlib/Dialog.h"

class CCancelInstallationDlg : public CDialog
{
public:
    explicit CCancelInstallationDlg(HWND hParent);
};
