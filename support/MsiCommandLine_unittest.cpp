#include "support/MsiCommandLine.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace
{
struct CParsed
{
    bool bResult = false;
    CString action, target, logFile, secondTarget;
    bool bProductCode = true;
    WORD reserved = 7;
    CMsiLetterList reservedLetters{ L'Z' }, uiLetters{ L'Z' }, logLetters{ L'Z' };
    CMapStringToString properties;

    std::map<std::wstring, std::wstring> Properties() const
    {
        std::map<std::wstring, std::wstring> result;
        CString key, value;
        for (POSITION pos = properties.GetStartPosition(); pos;)
        {
            properties.GetNextAssoc(pos, key, value);
            result[key.Std()] = value.Std();
        }
        return result;
    }
};

CParsed Parse(const wchar_t* pszLine, const wchar_t* pszAction = L"")
{
    CParsed p;
    p.action = pszAction;
    p.target = L"old";
    p.logFile = L"old";
    p.secondTarget = L"old";
    p.properties.SetAt(L"OLD", L"1");
    p.bResult = ParseMsiCommandLine(pszLine, p.action, p.target, p.bProductCode, p.logFile, p.secondTarget, p.reserved,
                                    p.reservedLetters, p.uiLetters, p.logLetters, p.properties);
    return p;
}

std::wstring Letters(const CMsiLetterList& list)
{
    return std::wstring(list.begin(), list.end());
}
}

TEST(MsiCommandLine, ParsesLines)
{
    typedef std::map<std::wstring, std::wstring> Props;
    const struct
    {
        const wchar_t* line;
        const wchar_t* actionIn;
        bool result;
        const wchar_t* action;
        const wchar_t* target;
        bool productCode;
        const wchar_t* logFile;
        const wchar_t* uiLetters;
        const wchar_t* logLetters;
        Props properties;
    } cases[] = {
        { L"/i \"D:\\setup dir\\msi\\VantolinSetup.msi\" /qn REBOOT=ReallySuppress", L"", true, L"INSTALL",
          L"\"D:\\setup dir\\msi\\VantolinSetup.msi\"", false, L"", L"N", L"", { { L"REBOOT", L"ReallySuppress" } } },
        { L"/i {12345678-9ABC-def0-1234-56789abcdef0} /q", L"", true, L"INSTALL", L"{12345678-9ABC-def0-1234-56789abcdef0}",
          true, L"", L"", L"", {} },
        { L"/I 12345678-9ABC-def0-1234-56789abcdef0", L"", true, L"INSTALL", L"12345678-9ABC-def0-1234-56789abcdef0", true,
          L"", L"", L"", {} },
        { L"/i x.msi /l*v \"C:\\my logs\\setup.log\"", L"", true, L"INSTALL", L"x.msi", false, L"C:\\my logs\\setup.log", L"",
          L"*V", {} },
        { L"/L iwe+ C:\\log.txt /i a.msi", L"", true, L"INSTALL", L"a.msi", false, L"C:\\log.txt", L"", L"IWE+", {} },
        { L"/i a.msi /qb+! X=1", L"", true, L"INSTALL", L"a.msi", false, L"", L"B+!", L"", { { L"X", L"1" } } },
        // /q must be followed by a blank or the end.
        { L"/i a.msi /qnx", L"", true, L"INSTALL", L"a.msi", false, L"", L"", L"", {} },
        // Quoted values keep doubled quotes and blanks; blanks around "=" are allowed.
        { L"/i a.msi NAME=\"say \"\"hi\"\" now\" b_2 = v-3 ", L"", true, L"INSTALL", L"a.msi", false, L"", L"", L"",
          { { L"NAME", L"say \"\"hi\"\" now" }, { L"B_2", L"v-3" } } },
        // The first value of a name wins; names are upper-cased.
        { L"/i a.msi a=1 A=2", L"", true, L"INSTALL", L"a.msi", false, L"", L"", L"", { { L"A", L"1" } } },
        // An unquoted value ends at a quote; an empty quoted value is no property.
        { L"/i a.msi P=ab\"cd\" Q=\"\"", L"", true, L"INSTALL", L"a.msi", false, L"", L"", L"", { { L"P", L"ab" } } },
        // Quoted paths containing "=" give no property, the pair after them does.
        { L"/i \"D:\\x=y\\a.msi\" /l*v \"C:\\a=b\\x.log\" INSTALLDIR=\"C:\\Program Files\\V\"", L"", true, L"INSTALL",
          L"\"D:\\x=y\\a.msi\"", false, L"C:\\a=b\\x.log", L"", L"*V", { { L"INSTALLDIR", L"C:\\Program Files\\V" } } },
        // Without /i: fails unless an action was given in, which stays.
        { L"/qn A=1", L"", false, L"", L"", false, L"", L"N", L"", { { L"A", L"1" } } },
        { L"/qn A=1", L"ADMIN", true, L"ADMIN", L"", false, L"", L"N", L"", { { L"A", L"1" } } },
        { L"", L"", false, L"", L"", false, L"", L"", L"", {} },
        // /i needs an argument; a lone brace is no package.
        { L"/i", L"", false, L"", L"", false, L"", L"", L"", {} },
        { L"/i {x", L"", false, L"", L"", false, L"", L"", L"", {} },
        // /l needs a file; "{..." is none.
        { L"/i a.msi /l* {log}", L"", true, L"INSTALL", L"a.msi", false, L"", L"", L"", {} },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.line).ToNarrow());
        CParsed p = Parse(c.line, c.actionIn);
        EXPECT_EQ(c.result, p.bResult);
        EXPECT_STREQ(c.action, p.action);
        EXPECT_STREQ(c.target, p.target);
        EXPECT_EQ(c.productCode, p.bProductCode);
        EXPECT_STREQ(c.logFile, p.logFile);
        EXPECT_STREQ(L"", p.secondTarget);
        EXPECT_EQ(0, p.reserved);
        EXPECT_TRUE(p.reservedLetters.empty());
        EXPECT_EQ(std::wstring(c.uiLetters), Letters(p.uiLetters));
        EXPECT_EQ(std::wstring(c.logLetters), Letters(p.logLetters));
        EXPECT_EQ(c.properties, p.Properties());
    }
}

TEST(MsiCommandLine, ExtractGuid)
{
    const struct
    {
        const wchar_t* text;
        bool found;
        const wchar_t* guid;
    } cases[] = {
        { L"{12345678-9ABC-def0-1234-56789abcdef0}", true, L"12345678-9ABC-def0-1234-56789abcdef0" },
        { L"  12345678-9ABC-def0-1234-56789abcdef0 tail", true, L"12345678-9ABC-def0-1234-56789abcdef0" },
        { L"\"{12345678-9ABC-def0-1234-56789abcdef0}\"", false, L"kept" },
        { L"x {12345678-9ABC-def0-1234-56789abcdef0}", false, L"kept" },
        { L"{12345678-9ABC-def0-1234-56789abcdeg0}", false, L"kept" },
        { L"", false, L"kept" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.text).ToNarrow());
        CString guid = L"kept";
        EXPECT_EQ(c.found, ExtractGuid(c.text, guid));
        EXPECT_STREQ(c.guid, guid);
    }
}

TEST(MsiCommandLine, StripQuotesAndBlanks)
{
    const struct
    {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        { L"\"C:\\a b\\x.log\"", L"C:\\a b\\x.log" },
        { L"  \"C:\\dir\\\"  ", L"C:\\dir\\" },
        { L" x ", L"x" },
        { L"C:\\plain", L"C:\\plain" },       // nothing around it
        { L"\"C:\\half", L"\"C:\\half" },     // only on one side
        { L"\"\"", L"\"\"" },                 // nothing inside
        { L"", L"" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.in).ToNarrow());
        CString text = c.in;
        StripQuotesAndBlanks(text);
        EXPECT_STREQ(c.out, text);
    }
}
