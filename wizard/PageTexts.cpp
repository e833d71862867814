#include "PageTexts.h"
#include "WizardHost.h"

#include "classlib/WinApp.h"

CString PageDisplayName()
{
    IWizardHost* pHost = GetWizardHost();
    return pHost ? pHost->GetProductDisplayName() : CString();
}

CString FormatWithDisplayName(const wchar_t* pszTemplate)
{
    CString text;
    text.Format(pszTemplate, static_cast<const wchar_t*>(PageDisplayName()));
    return text;
}

void FormatItemWithDisplayName(HWND hPage, int nID)
{
    HWND hItem = GetDlgItem(hPage, nID);
    if (!hItem)
        return;
    const int nLength = GetWindowTextLengthW(hItem);
    CString text;
    GetWindowTextW(hItem, text.GetBuffer(nLength + 1), nLength + 1);
    text.ReleaseBuffer();
    SetWindowTextW(hItem, FormatWithDisplayName(text));
}

CString LoadPageString(UINT nID, LANGID langId)
{
    CString text;
    AfxLoadString(nID, text, langId);
    return text;
}
