#include "FinishedInstallationDlg.h"
#include "RestartDialogs.h"
#include "resource.h"
#include "support/SystemShutdown.h"
#include "support/TraceLog.h"
#include "workers/IInstanceFlagOwner.h"

BEGIN_MESSAGE_MAP(CFinishedInstallationDlg, CWizardParentDlg)
ON_COMMAND(IDOK, &CFinishedInstallationDlg::OnBnClickedOk)
ON_CONTROL(STN_CLICKED, IDC_FINISHED_LAUNCH_LABEL, &CFinishedInstallationDlg::OnLaunchLabel)
ON_CONTROL(STN_DBLCLK, IDC_FINISHED_LAUNCH_LABEL, &CFinishedInstallationDlg::OnLaunchLabel)
ON_CONTROL(STN_CLICKED, IDC_FINISHED_RESTART_LABEL, &CFinishedInstallationDlg::OnRestartLabel)
ON_CONTROL(STN_DBLCLK, IDC_FINISHED_RESTART_LABEL, &CFinishedInstallationDlg::OnRestartLabel)
END_MESSAGE_MAP()

CFinishedInstallationDlg::CFinishedInstallationDlg(const wchar_t* pszMessage, int bSucceeded, int, const wchar_t*,
                                                   int bCanLaunch, int bRestartNeeded, HWND hParent,
                                                   IInstanceFlagOwner* pInstanceFlag)
    : CWizardParentDlg(FALSE, TRUE, IDD_FINISHED_INSTALLATION, hParent), m_strMessage(pszMessage ? pszMessage : L""),
      m_bSucceeded(bSucceeded), m_bCanLaunch(bCanLaunch), m_bRestartNeeded(bRestartNeeded),
      m_pInstanceFlag(pInstanceFlag)
{
}

CFinishedInstallationDlg::~CFinishedInstallationDlg()
{
    Trace(TRACE_INFO, L"Destroying CFinishedInstallationDlg instance");
}

void CFinishedInstallationDlg::Hide(int nID)
{
    if (HWND hItem = GetDlgItem(nID))
        ::ShowWindow(hItem, SW_HIDE);
}

BOOL CFinishedInstallationDlg::OnInitDialog()
{
    Trace(TRACE_INFO, L"CFinishedInstallationDlg::OnInitDialog");
    CWizardParentDlg::OnInitDialog();
    SetDlgItemText(IDC_FINISHED_MESSAGE, m_strMessage);
    CheckDlgButton(m_hWnd, IDC_FINISHED_TUTORIAL, BST_UNCHECKED);
    Hide(IDC_FINISHED_TUTORIAL);
    Hide(IDC_FINISHED_TUTORIAL_LABEL);
    CheckDlgButton(m_hWnd, IDC_FINISHED_LAUNCH, BST_CHECKED);
    if (!m_bSucceeded)
    {
        CheckDlgButton(m_hWnd, IDC_FINISHED_LAUNCH, BST_UNCHECKED);
        for (int nID : { IDC_FINISHED_LAUNCH, IDC_FINISHED_LAUNCH_LABEL, IDC_FINISHED_RESTART, IDC_FINISHED_RESTART_LABEL })
            Hide(nID);
    }
    else if (m_bRestartNeeded)
    {
        CheckDlgButton(m_hWnd, IDC_FINISHED_RESTART, BST_CHECKED);
        CheckDlgButton(m_hWnd, IDC_FINISHED_LAUNCH, BST_UNCHECKED);
        Hide(IDC_FINISHED_LAUNCH);
        Hide(IDC_FINISHED_LAUNCH_LABEL);
    }
    else
    {
        Hide(IDC_FINISHED_RESTART);
        Hide(IDC_FINISHED_RESTART_LABEL);
        if (!m_bCanLaunch)
        {
            CheckDlgButton(m_hWnd, IDC_FINISHED_LAUNCH, BST_UNCHECKED);
            ::EnableWindow(GetDlgItem(IDC_FINISHED_LAUNCH), FALSE);
            Hide(IDC_FINISHED_LAUNCH);
            Hide(IDC_FINISHED_LAUNCH_LABEL);
        }
    }
    for (int nID : { IDC_FINISHED_LAUNCH_LABEL, IDC_FINISHED_RESTART_LABEL })
    {
        CString label = L" ";
        label += GetDlgItemText(nID);
        SetDlgItemText(nID, label);
    }
    return TRUE;
}

void CFinishedInstallationDlg::Toggle(int nBoxID)
{
    HWND hBox = GetDlgItem(nBoxID);
    if (!hBox || !::IsWindowEnabled(hBox) || !::IsWindowVisible(hBox))
        return;
    CheckDlgButton(m_hWnd, nBoxID, IsDlgButtonChecked(m_hWnd, nBoxID) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
}

void CFinishedInstallationDlg::OnLaunchLabel()
{
    Toggle(IDC_FINISHED_LAUNCH);
}

void CFinishedInstallationDlg::OnRestartLabel()
{
    Toggle(IDC_FINISHED_RESTART);
}

void CFinishedInstallationDlg::OnBnClickedOk()
{
    if (m_bSucceeded)
    {
        if (IsDlgButtonChecked(m_hWnd, IDC_FINISHED_RESTART) == BST_CHECKED)
        {
            CAskRestart question(nullptr);
            question.SetTemplateLanguage(GetLoadedLanguage());
            if (question.DoModal() == IDOK)
            {
                Trace(TRACE_INFO, L"CFinishedInstallationDlg::OnBnClickedOk try to restart computer");
                CSystemShutdown shutdown;
                shutdown.SetReboot(true);
                const bool bResult = shutdown.Initiate();
                Trace(TRACE_INFO, L"CFinishedInstallationDlg::OnBnClickedOk shutdown result=[%d]", bResult ? 1 : 0);
            }
        }
        else if (IsDlgButtonChecked(m_hWnd, IDC_FINISHED_LAUNCH) == BST_CHECKED)
        {
            if (m_pInstanceFlag)
                m_pInstanceFlag->ReleaseInstanceFlag();
            m_bLaunchChosen = 1;
        }
    }
    CWizardParentDlg::OnOK();
    Trace(TRACE_INFO, L"Finished Installation dialog dismissed with OK");
}
