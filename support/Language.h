#pragma once
// The three names of a language: a Windows language id, the lower-case ISO 639 code kept in the
// settings ("de"), and the upper-case code the product's settings file takes ("DE"); and the
// native name the language list shows.

#include <windows.h>

#include "classlib/String.h"

namespace LanguageSupport
{
// The lower-case ISO 639 code of the language ("de" for 1031); empty and false when the
// system does not know the id.
bool MakeIsoCode(LANGID language, CString& rCode);
}

// The id of a known code (exact, case-sensitive); 1033 and false for any other code.
bool LanguageCodeToLangId(const wchar_t* pszCode, LANGID& rLanguage);
// The native name of a known code as the system spells it (its English name when the system has
// no native one); "<unknown>" and false for any other code.
bool GetLanguageDisplayName(const wchar_t* pszCode, CString& rName);
// "DE", "ES" (1034 only), "FR", "IT" or "JA"; "EN" for every other id.
CString GetLanguageCode(LANGID language);
