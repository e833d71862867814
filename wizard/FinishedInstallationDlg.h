#pragma once
// The finish page that ends every run (dialog 109, a watermark page without Cancel): the
// message, and by the run's outcome the launch box or the restart box, each with a label that
// toggles it. Finish restarts the computer (after CAskRestart) or leaves the launch of the
// product to the controller.

#include "WizardParentDlg.h"
#include "classlib/String.h"

class IInstanceFlagOwner;

class CFinishedInstallationDlg : public CWizardParentDlg
{
public:
    // The PC-installation flag and the tutorial address are the caller's; the page shows
    // neither. The instance flag is let go of when the product is to be launched (null: none).
    CFinishedInstallationDlg(const wchar_t* pszMessage, int bSucceeded, int bPCInstallation, const wchar_t* pszTutorialUrl,
                             int bCanLaunch, int bRestartNeeded, HWND hParent,
                             IInstanceFlagOwner* pInstanceFlag = nullptr);
    ~CFinishedInstallationDlg() override;

    // What the page reports: a success, and with it a restart the computer needs.
    int IsSucceeded() const { return m_bSucceeded; }
    int IsRestartNeeded() const { return m_bRestartNeeded; }

    // Finish with the launch box checked: the controller starts the product after the page.
    int IsLaunchChosen() const { return m_bLaunchChosen; }

    void OnBnClickedOk();

protected:
    BOOL OnInitDialog() override;

private:
    void OnLaunchLabel();
    void OnRestartLabel();
    void Toggle(int nBoxID);
    void Hide(int nID);

    CString m_strMessage;
    int m_bSucceeded;
    int m_bCanLaunch;
    int m_bRestartNeeded;
    int m_bLaunchChosen = 0;
    IInstanceFlagOwner* m_pInstanceFlag;

    DECLARE_MESSAGE_MAP()
};
