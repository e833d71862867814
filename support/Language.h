#pragma once
// PLACEHOLDER (language support, not built yet): the code-to-LANGID table start-up needs.

#include <windows.h>

#include "classlib/String.h"

namespace LanguageSupport
{
// The lower-case ISO 639 code of the language ("de" for 1031); empty and false when the
// system does not know the id.
bool MakeIsoCode(LANGID language, CString& rCode);
}

// ISO 639 code of a supported language ("de", "en", ...) to its LANGID; 0 when unknown.
LANGID LanguageCodeToLangId(const wchar_t* pszCode);
