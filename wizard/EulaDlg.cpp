#include "EulaDlg.h"
#include "PageTexts.h"
#include "resource.h"
#include "classlib/Handles.h"
#include "support/TraceLog.h"

#include <richedit.h>
#include <shellapi.h>

namespace
{
const EulaShellCalls kSystemCalls = { ShellExecuteW };
const EulaShellCalls* g_pCalls = &kSystemCalls;

// Reads the file into the control's buffer; a read of 0 bytes ends the stream, and so does a
// failed read (the viewer keeps what arrived so far).
DWORD CALLBACK MyStreamInCallback(DWORD_PTR dwCookie, LPBYTE pbBuff, LONG cb, LONG* pcb)
{
    Trace(TRACE_TRACE, L"MyStreamInCallback");
    DWORD dwRead = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(dwCookie), pbBuff, static_cast<DWORD>(cb), &dwRead, nullptr))
    {
        Trace(TRACE_ERROR, L"CChooseLanguageDlg::OnInitDialog: error reading eula");
        dwRead = 0;
    }
    *pcb = static_cast<LONG>(dwRead);
    return 0;
}

// The rich edit's window class comes from the system folder's library only.
void LoadRichEdit()
{
    static HMODULE s_hRichEdit = nullptr;
    if (s_hRichEdit)
        return;
    wchar_t szPath[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(szPath, MAX_PATH);
    if (n == 0 || n + 14 >= MAX_PATH)
        return;
    wcscat_s(szPath, L"\\riched20.dll");
    s_hRichEdit = LoadLibraryW(szPath);
}
}

const EulaShellCalls* SetEulaShellCalls(const EulaShellCalls* pCalls)
{
    const EulaShellCalls* pPrevious = g_pCalls;
    g_pCalls = pCalls ? pCalls : &kSystemCalls;
    return pPrevious;
}

BEGIN_MESSAGE_MAP(CEulaDlg, CDialog)
ON_COMMAND(IDC_EULA_PRINT, &CEulaDlg::OnPrint)
END_MESSAGE_MAP()

CEulaDlg::CEulaDlg(const wchar_t* pszFilePath, HWND hParent)
    : CDialog(IDD_EULA, hParent), m_strFilePath(pszFilePath ? pszFilePath : L"")
{
}

INT_PTR CEulaDlg::DoModal()
{
    LoadRichEdit();
    return CDialog::DoModal();
}

BOOL CEulaDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    Trace(TRACE_TRACE, L"begin LoadEula");
    LoadEula();
    Trace(TRACE_TRACE, L"end LoadEula");
    SetWindowText(WithPartnerProductName(GetWindowText()));
    return TRUE;
}

void CEulaDlg::LoadEula()
{
    HWND hViewer = GetDlgItem(IDC_EULA_VIEWER);
    CScopedFileHandle file(CreateFileW(m_strFilePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !hViewer)
    {
        Trace(TRACE_ERROR, L"CChooseLanguageDlg::OnInitDialog: error reading eula");
        return;
    }
    ::SendMessageW(hViewer, EM_SETREADONLY, TRUE, 0);
    ::SendMessageW(hViewer, EM_SETTARGETDEVICE, 0, 0);
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.Get());
    stream.pfnCallback = MyStreamInCallback;
    ::SendMessageW(hViewer, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

void CEulaDlg::OnPrint()
{
    g_pCalls->pShellExecute(nullptr, L"print", m_strFilePath, L"", nullptr, SW_SHOWNORMAL);
}
