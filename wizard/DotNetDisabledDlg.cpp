#include "DotNetDisabledDlg.h"
#include "resource.h"
#include "classlib/WinApp.h"

CDotNetDisabledDlg::CDotNetDisabledDlg(int bFirstTime, HWND hParent, bool (*pfnIsRebootPending)())
    : CDialog(IDD_DOTNET_DISABLED, hParent), m_bFirstTime(bFirstTime), m_pfnIsRebootPending(pfnIsRebootPending)
{
}

BOOL CDotNetDisabledDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const bool bRebootPending = m_pfnIsRebootPending && m_pfnIsRebootPending();
    const UINT nSecond = m_bFirstTime ? IDS_DOTNET_CAN_ENABLE
                                      : (bRebootPending ? IDS_DOTNET_REBOOT_NEEDED : IDS_DOTNET_ENABLE_FAILED);
    CString message, second;
    AfxLoadString(IDS_DOTNET_DISABLED, message, GetLoadedLanguage());
    AfxLoadString(nSecond, second, GetLoadedLanguage());
    message += second;
    SetDlgItemText(IDC_DOTNET_MESSAGE, message);
    if (bRebootPending)
    {
        ::EnableWindow(GetDlgItem(IDOK), FALSE);
        // The default button is disabled: Enter must not reach it.
        SendMessage(DM_SETDEFID, IDCANCEL);
        ::SetFocus(GetDlgItem(IDCANCEL));
    }
    else if (!m_bFirstTime)
    {
        CString retry;
        AfxLoadString(IDS_DOTNET_RETRY, retry, GetLoadedLanguage());
        SetDlgItemText(IDOK, retry);
    }
    MessageBeep(MB_ICONHAND);
    // The focus was placed by hand when the first button is disabled.
    return bRebootPending ? FALSE : TRUE;
}
