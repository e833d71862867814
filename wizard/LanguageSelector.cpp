#include "LanguageSelector.h"

#include "StartPagesHost.h"
#include "resource.h"
#include "classlib/Dialog.h"
#include "classlib/WinApp.h"
#include "support/Language.h"

#include <stdexcept>

namespace
{
// The owner's texts are in the language its template was loaded in.
LANGID OwnerLanguage(HWND hOwner)
{
    const CDialog* pDialog = dynamic_cast<const CDialog*>(CWnd::FromHandlePermanent(hOwner));
    return pDialog ? pDialog->GetLoadedLanguage() : 0;
}
}

void CLanguageSelector::FillLanguages(const wchar_t* pszCurrentCode, const CStringArray& codes, HWND hOwner)
{
    ResetContent();
    m_strCurrentCode = pszCurrentCode ? pszCurrentCode : L"";
    m_hOwner = hOwner;
    m_codes = codes;
    const StartPageCalls& calls = GetStartPageCalls();
    for (int i = 0; i < m_codes.GetSize(); ++i)
    {
        LANGID language = 0;
        LanguageCodeToLangId(m_codes[i], language);
        if (!calls.pIsValidLocale(MAKELCID(language, SORT_DEFAULT), LCID_INSTALLED))
            continue;
        CString name;
        GetLanguageDisplayName(m_codes[i], name);
        const int nItem = AddString(name);
        if (nItem >= 0)
            SetItemData(nItem, static_cast<DWORD_PTR>(i));
    }
    CString current;
    GetLanguageDisplayName(m_strCurrentCode, current);
    int nItem = FindStringExact(-1, current);
    if (nItem < 0)
    {
        CString select;
        AfxLoadString(IDS_SELECT_LANGUAGE, select, OwnerLanguage(hOwner));
        nItem = InsertString(0, select);
        if (nItem >= 0)
            SetItemData(nItem, 0);
    }
    SetCurSel(nItem);
}

void CLanguageSelector::GetSelectedLanguage(CString& rCode) const
{
    rCode.Empty();
    const int nItem = GetCurSel();
    if (nItem < 0)
        return;
    try
    {
        rCode = m_codes.GetAt(static_cast<int>(GetItemData(nItem)));
    }
    catch (const std::out_of_range&)
    {
    }
}
