#include "Language.h"

#include "SysUtil.h"
#include "TraceLog.h"

#include <cwchar>

LANGID LanguageCodeToLangId(const wchar_t* pszCode)
{
    static const struct
    {
        const wchar_t* code;
        LANGID id;
    } kLanguages[] = {
        { L"de", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN) },
        { L"en", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US) },
        { L"fr", MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH) },
        { L"it", MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN) },
        { L"ja", MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN) },
        { L"pt", MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN) },
        { L"zh", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED) },
        { L"es", MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN) },
    };
    if (!pszCode)
        return 0;
    for (const auto& l : kLanguages)
        if (_wcsicmp(l.code, pszCode) == 0)
            return l.id;
    return 0;
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
