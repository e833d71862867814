#include "PageTexts.h"
#include "WizardHost.h"
#include "classlib/WinApp.h"
#include "config/SettingsKeys.h"

CString PageDisplayName()
{
    IWizardHost* pHost = GetWizardHost();
    return pHost ? pHost->GetProductDisplayName() : CString();
}

CString WithDisplayName(const CString& text)
{
    // Every "%s", not only the first: a template may name the product more than once, and a
    // format with fewer arguments than directives would read past them.
    CString result = text;
    result.Replace(L"%s", PageDisplayName());
    return result;
}

CString FormatWithDisplayName(const wchar_t* pszTemplate)
{
    return WithDisplayName(CString(pszTemplate));
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

const wchar_t kOwnNamePartnerId[] = L"11082";

CString WithPartnerProductName(const CString& text, const wchar_t* pszPartnerId)
{
    CString result = text;
    if (CString(pszPartnerId) == kOwnNamePartnerId)
        result.Replace(L"Vantolin", PageDisplayName());
    return result;
}

CString WithPartnerProductName(const CString& text)
{
    return WithPartnerProductName(text, GetPartnerId());
}

CString LoadPageString(UINT nID, LANGID langId)
{
    CString text;
    AfxLoadString(nID, text, langId);
    return text;
}
