#pragma once
// The licence viewer (dialog 153): the RTF file in a read-only rich edit, and Print through the
// file's associated program.

#include "classlib/Dialog.h"
#include "classlib/String.h"

// The shell start of Print; tests record it. Null restores the system's; gives back the
// previous table.
struct EulaShellCalls
{
    HINSTANCE(WINAPI* pShellExecute)(HWND hWnd, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                     INT showCommand);
};
const EulaShellCalls* SetEulaShellCalls(const EulaShellCalls* pCalls);

class CEulaDlg : public CDialog
{
public:
    CEulaDlg(const wchar_t* pszFilePath, HWND hParent);
    // Modal: the rich edit's library is loaded first (from the system folder).
    INT_PTR DoModal() override;

    void OnPrint();

protected:
    BOOL OnInitDialog() override;

private:
    void LoadEula();

    CString m_strFilePath;

    DECLARE_MESSAGE_MAP()
};
