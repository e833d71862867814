#pragma once
// PLACEHOLDER (language support, not built yet): the code-to-LANGID table start-up needs.

#include <windows.h>

// ISO 639 code of a supported language ("de", "en", ...) to its LANGID; 0 when unknown.
LANGID LanguageCodeToLangId(const wchar_t* pszCode);
