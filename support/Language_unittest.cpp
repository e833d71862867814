// The three names of a language and the native names of the list, against the system's own
// locale data (no name is written down in the code).
#include "support/Language.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

namespace
{
CString SystemLocaleText(LANGID language, LCTYPE type)
{
    wchar_t text[200] = {};
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), type, text, 200);
    return text;
}

TEST(LanguageTest, CodesToIdsExactlyAndEnglishForTheRest)
{
    struct CCase
    {
        const wchar_t* pszCode;
        bool known;
        LANGID id;
    };
    const CCase cases[] = {
        { L"de", true, 1031 }, { L"en", true, 1033 }, { L"es", true, 1034 }, { L"fr", true, 1036 },
        { L"it", true, 1040 }, { L"ja", true, 1041 }, { L"pt", true, 1046 }, { L"tr", true, 1055 },
        { L"zh", true, 2052 },
        // Compared exactly: upper case, a region or a blank is not a code of the table.
        { L"DE", false, 1033 }, { L"De", false, 1033 }, { L"de-DE", false, 1033 }, { L"de ", false, 1033 },
        { L"xx", false, 1033 }, { L"", false, 1033 }, { nullptr, false, 1033 },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.pszCode ? CString(c.pszCode).ToNarrow() : std::string("(null)"));
        LANGID id = 0x7777;
        EXPECT_EQ(c.known, LanguageCodeToLangId(c.pszCode, id));
        EXPECT_EQ(c.id, id);
    }
}

TEST(LanguageTest, TheProductsCodeIsEnglishButForFiveIds)
{
    struct CCase
    {
        LANGID id;
        const wchar_t* pszCode;
    };
    const CCase cases[] = {
        { 1031, L"DE" }, { 1034, L"ES" }, { 1036, L"FR" }, { 1040, L"IT" }, { 1041, L"JA" },
        // Spanish with the modern sort, Brazilian Portuguese, Turkish and Chinese are English here.
        { 1033, L"EN" }, { 3082, L"EN" }, { 1046, L"EN" }, { 1055, L"EN" }, { 2052, L"EN" },
        { 2055, L"EN" }, { 0, L"EN" },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(CString(c.pszCode), GetLanguageCode(c.id));
    }
}

TEST(LanguageTest, DisplayNamesAreTheSystemsNativeNames)
{
    const wchar_t* const known[] = { L"de", L"en", L"es", L"fr", L"it", L"ja", L"pt", L"tr", L"zh" };
    for (const wchar_t* pszCode : known)
    {
        SCOPED_TRACE(CString(pszCode).ToNarrow());
        LANGID id = 0;
        ASSERT_TRUE(LanguageCodeToLangId(pszCode, id));
        CString name;
        EXPECT_TRUE(GetLanguageDisplayName(pszCode, name));
        EXPECT_FALSE(name.IsEmpty());
        EXPECT_EQ(SystemLocaleText(id, LOCALE_SNATIVELANGNAME), name);
    }
    // What a user of each language reads in the list.
    CString name;
    GetLanguageDisplayName(L"de", name);
    EXPECT_EQ(CString(L"Deutsch"), name);
    GetLanguageDisplayName(L"ja", name);
    EXPECT_EQ(CString(L"\u65E5\u672C\u8A9E"), name);

    const wchar_t* const unknown[] = { L"xx", L"DE", L"", nullptr };
    for (const wchar_t* pszCode : unknown)
    {
        CString other = L"kept?";
        EXPECT_FALSE(GetLanguageDisplayName(pszCode, other));
        EXPECT_EQ(CString(L"<unknown>"), other);
    }
}

class LanguageIsoTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "Language_"; }
};

TEST_F(LanguageIsoTest, IsoCodesComeBackThroughTheTable)
{
    struct CCase
    {
        LANGID id;
        const wchar_t* pszIso;
        LANGID back; // the id the code maps to again
    };
    const CCase cases[] = {
        { 1031, L"de", 1031 }, { 1046, L"pt", 1046 }, { 2052, L"zh", 2052 },
        // Spanish with the modern sort comes back with the traditional one.
        { 3082, L"es", 1034 }, { 1034, L"es", 1034 },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.id);
        CString code;
        ASSERT_TRUE(LanguageSupport::MakeIsoCode(c.id, code));
        EXPECT_EQ(CString(c.pszIso), code);
        LANGID back = 0;
        EXPECT_TRUE(LanguageCodeToLangId(code, back));
        EXPECT_EQ(c.back, back);
    }
    // An id the system does not know: empty, false and one error line.
    CString code = L"kept?";
    EXPECT_FALSE(LanguageSupport::MakeIsoCode(0x7FFF, code));
    EXPECT_TRUE(code.IsEmpty());
    EXPECT_NE(-1, Log().Find(L"LanguageSupport::MakeIsoCode -- GetLocaleInfo() failed. Last error ["));
}
}
