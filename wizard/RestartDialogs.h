#pragma once
// The restart questions: "restart now or later" at the end of a run (dialog 159, a plain
// dialog), and the wizard page that asks for the restart an installation needs to go on
// (dialog 138).

#include "WizardParentDlg.h"
#include "classlib/Dialog.h"

// IDOK: restart now; IDCANCEL ("Restart later", the default).
class CAskRestart : public CDialog
{
public:
    explicit CAskRestart(HWND hParent);

protected:
    BOOL OnInitDialog() override;
};

// IDOK to restart; IDCANCEL only after a confirmed cancel. Back stays disabled.
class CConfirmRestartDlg : public CWizardParentDlg
{
public:
    explicit CConfirmRestartDlg(HWND hParent);

private:
    DECLARE_MESSAGE_MAP()
};
