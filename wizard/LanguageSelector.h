#pragma once
// The list of interface languages on the language page: each language the system has installed
// by its native name, the item's data the index of its code in the list given.

#include "classlib/ComboBox.h"
#include "classlib/String.h"

class CLanguageSelector : public CComboBox
{
public:
    // Selects the current code's language; when it is not listed, "(Select)" stands first and
    // is selected (it then stands for the list's first code).
    void FillLanguages(const wchar_t* pszCurrentCode, const CStringArray& codes, HWND hOwner);
    // Empty when nothing is selected.
    void GetSelectedLanguage(CString& rCode) const;

private:
    CString m_strCurrentCode;
    CStringArray m_codes;
    HWND m_hOwner = nullptr;
};
