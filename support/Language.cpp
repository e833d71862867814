#include "Language.h"

#include "SysUtil.h"
#include "TraceLog.h"

#include <map>
#include <string>

namespace
{
const LANGID kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Spanish is 1034 (traditional sort) here: the product's file takes "ES" only from that id.
std::map<std::wstring, LANGID> KnownLanguages()
{
    return {
        { L"de", 1031 }, { L"en", 1033 }, { L"es", 1034 }, { L"fr", 1036 }, { L"it", 1040 },
        { L"ja", 1041 }, { L"pt", 1046 }, { L"tr", 1055 }, { L"zh", 2052 },
    };
}

bool FindLanguage(const wchar_t* pszCode, LANGID& rLanguage)
{
    if (!pszCode)
        return false;
    const std::map<std::wstring, LANGID> known = KnownLanguages();
    const auto found = known.find(pszCode);
    if (found == known.end())
        return false;
    rLanguage = found->second;
    return true;
}

bool LocaleText(LANGID language, LCTYPE type, CString& rText)
{
    wchar_t text[200] = {};
    if (!GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), type, text, 200))
        return false;
    rText = text;
    return true;
}
}

bool LanguageCodeToLangId(const wchar_t* pszCode, LANGID& rLanguage)
{
    if (FindLanguage(pszCode, rLanguage))
        return true;
    rLanguage = kEnglishUs;
    return false;
}

bool GetLanguageDisplayName(const wchar_t* pszCode, CString& rName)
{
    LANGID language = 0;
    if (!FindLanguage(pszCode, language))
    {
        rName = L"<unknown>";
        return false;
    }
    if (!LocaleText(language, LOCALE_SNATIVELANGNAME, rName))
        LocaleText(language, LOCALE_SLANGUAGE, rName);
    return true;
}

CString GetLanguageCode(LANGID language)
{
    switch (language)
    {
    case 1031: return L"DE";
    case 1034: return L"ES";
    case 1036: return L"FR";
    case 1040: return L"IT";
    case 1041: return L"JA";
    default: return L"EN";
    }
}

bool LanguageSupport::MakeIsoCode(LANGID language, CString& rCode)
{
    wchar_t code[512] = {};
    if (!GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SISO639LANGNAME, code, 512))
    {
        const DWORD error = GetLastError();
        Trace(TRACE_ERROR, L"LanguageSupport::MakeIsoCode -- GetLocaleInfo() failed. Last error [%d | %s]",
              static_cast<int>(error), GetLastErrorText().GetString());
        rCode.Empty();
        return false;
    }
    rCode = code;
    return true;
}
