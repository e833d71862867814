#include "Dialog.h"
#include "WinApp.h"

namespace
{
// The dialog whose creation runs on this thread: the dialog manager's first call of the dialog
// procedure binds its window to it.
thread_local CDialog* t_pCreatingDialog = nullptr;

class CCreatingDialog
{
public:
    explicit CCreatingDialog(CDialog* pDialog) : m_pOuter(t_pCreatingDialog) { t_pCreatingDialog = pDialog; }
    ~CCreatingDialog() { t_pCreatingDialog = m_pOuter; }
    CCreatingDialog(const CCreatingDialog&) = delete;
    CCreatingDialog& operator=(const CCreatingDialog&) = delete;

private:
    CDialog* m_pOuter;
};
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, &CDialog::OnInitDialogMessage)
ON_COMMAND(IDOK, &CDialog::OnOKCommand)
ON_COMMAND(IDCANCEL, &CDialog::OnCancelCommand)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, HWND hParent) : m_nIDTemplate(nIDTemplate), m_hParent(hParent)
{
}

const DLGTEMPLATE* CDialog::LoadTemplate(const wchar_t* pszOperation)
{
    HMODULE hModule = AfxGetResourceHandle();
    LANGID found = 0;
    HRSRC hRes = AfxFindResourceInOrder(hModule, reinterpret_cast<LPCWSTR>(RT_DIALOG),
                                        MAKEINTRESOURCEW(m_nIDTemplate), m_langId, &found);
    HGLOBAL hData = hRes ? LoadResource(hModule, hRes) : nullptr;
    const DLGTEMPLATE* pTemplate = hData ? static_cast<const DLGTEMPLATE*>(LockResource(hData)) : nullptr;
    if (!pTemplate)
    {
        AfxReportError(L"%s : the dialog template %u is missing (language %u)", pszOperation, m_nIDTemplate,
                       m_langId ? m_langId : AfxGetResourceLanguage());
        return nullptr;
    }
    m_loadedLanguage = found;
    return pTemplate;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    const DLGTEMPLATE* pTemplate = LoadTemplate(L"CDialog::DoModal");
    if (!pTemplate)
        return -1;
    m_bModal = true;
    INT_PTR nResult = -1;
    {
        CCreatingDialog creating(this);
        nResult = DialogBoxIndirectParamW(AfxGetResourceHandle(), pTemplate, m_hParent, &CDialog::StartDlgProc, 0);
    }
    m_bModal = false;
    if (nResult == -1)
        AfxReportError(L"CDialog::DoModal : the dialog %u was not created or ended as not created (%lu)",
                       m_nIDTemplate, GetLastError());
    return nResult;
}

BOOL CDialog::Create(UINT nIDTemplate, HWND hParent)
{
    if (m_hWnd)
        return FALSE;
    if (nIDTemplate)
        m_nIDTemplate = nIDTemplate;
    if (hParent)
        m_hParent = hParent;
    const DLGTEMPLATE* pTemplate = LoadTemplate(L"CDialog::Create");
    if (!pTemplate)
        return FALSE;
    m_bModal = false;
    HWND hWnd = nullptr;
    {
        CCreatingDialog creating(this);
        hWnd = CreateDialogIndirectParamW(AfxGetResourceHandle(), pTemplate, m_hParent, &CDialog::StartDlgProc, 0);
    }
    // A dialog destroyed while it was being initialised has let go of its object already.
    if (!hWnd || !m_hWnd || !IsWindow(m_hWnd))
    {
        AfxReportError(L"CDialog::Create : the dialog %u was not created (%lu)", m_nIDTemplate, GetLastError());
        if (hWnd && IsWindow(hWnd) && m_hWnd == hWnd)
            DestroyWindow();
        return FALSE;
    }
    return TRUE;
}

void CDialog::EndDialog(INT_PTR nResult)
{
    if (!m_hWnd)
        return;
    if (m_bModal)
        ::EndDialog(m_hWnd, nResult);
    else
        DestroyWindow();
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.m_bFailed ? FALSE : TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!m_bModal)
    {
        DestroyWindow();
        return;
    }
    if (UpdateData(TRUE))
        ::EndDialog(m_hWnd, IDOK);
}

void CDialog::OnCancel()
{
    if (m_bModal)
        ::EndDialog(m_hWnd, IDCANCEL);
    else
        DestroyWindow();
}

LRESULT CDialog::OnHandlerException(UINT message)
{
    if (message == WM_INITDIALOG)
        EndDialog(-1);
    return CWnd::OnHandlerException(message);
}

INT_PTR CALLBACK CDialog::StartDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Once bound, the object's map has seen the message before the dialog manager called here.
    if (FromHandlePermanent(hWnd))
        return FALSE;
    CDialog* pDialog = t_pCreatingDialog;
    if (!pDialog || pDialog->m_hWnd)
        return FALSE;
    t_pCreatingDialog = nullptr;
    pDialog->AttachCreated(hWnd);
    // This message came through the dialog manager's own procedure: only the initialisation
    // needs the object's answer (the others take their default).
    if (message == WM_INITDIALOG)
        return pDialog->DispatchGuarded(message, wParam, lParam);
    return FALSE;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    if (!rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd))
    {
        AfxReportError(L"DDX_Control : the control %d cannot be bound", nIDC);
        pDX->m_bFailed = true;
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& rValue)
{
    HWND hItem = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (!hItem)
    {
        pDX->m_bFailed = true;
        return;
    }
    if (pDX->m_bSaveAndValidate)
        rValue = pDX->m_pDlgWnd->GetDlgItemText(nIDC);
    else
        SetWindowTextW(hItem, rValue);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& rValue)
{
    HWND hItem = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (!hItem)
    {
        pDX->m_bFailed = true;
        return;
    }
    if (pDX->m_bSaveAndValidate)
        rValue = static_cast<int>(SendMessageW(hItem, BM_GETCHECK, 0, 0));
    else
        SendMessageW(hItem, BM_SETCHECK, static_cast<WPARAM>(rValue), 0);
}

bool AfxPreTranslateDialogMessage(MSG* pMsg)
{
    if (!pMsg || !pMsg->hwnd)
        return false;
    HWND hRoot = GetAncestor(pMsg->hwnd, GA_ROOT);
    if (!dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hRoot)))
        return false;
    return IsDialogMessageW(hRoot, pMsg) != FALSE;
}
