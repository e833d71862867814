#pragma once
// The question the .NET worker asks on its own thread when the system's .NET 3.x feature is
// turned off (dialog 157): IDOK to turn it on (or try again), IDCANCEL to abort the
// installation. With a restart pending only the abort is offered.

#include "classlib/Dialog.h"

class CDotNetDisabledDlg : public CDialog
{
public:
    // The pending restart is asked when the dialog opens (the system's registry; tests a fake).
    CDotNetDisabledDlg(int bFirstTime, HWND hParent, bool (*pfnIsRebootPending)());

protected:
    BOOL OnInitDialog() override;

private:
    int m_bFirstTime;
    bool (*m_pfnIsRebootPending)();
};
