#include "support/BoostRegEx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// Every whole match of a pattern, in order, through SearchNext.
std::vector<std::wstring> AllMatches(const wchar_t* pszPattern, const wchar_t* pszText)
{
    BoostRegEx regex;
    std::vector<std::wstring> found;
    if (!regex.Compile(pszPattern))
        return found;
    regex.SetSearchText(pszText);
    for (int guard = 0; guard < 100 && regex.SearchNext(); ++guard)
    {
        CString match;
        EXPECT_TRUE(regex.GetMatch(0, match));
        found.push_back(match.Std());
    }
    return found;
}
}

TEST(BoostRegEx, SearchesAndCopiesGroups)
{
    BoostRegEx regex(L"(\\w+)=(\\d+)?(x)?");
    ASSERT_TRUE(regex.Search(L"  key=12 rest"));
    CString text;
    ASSERT_TRUE(regex.GetMatch(0, text));
    EXPECT_STREQ(L"key=12", text);
    ASSERT_TRUE(regex.GetMatch(1, text));
    EXPECT_STREQ(L"key", text);
    ASSERT_TRUE(regex.GetMatch(2, text));
    EXPECT_STREQ(L"12", text);
    // A group that did not take part is there, empty.
    text = L"old";
    ASSERT_TRUE(regex.GetMatch(3, text));
    EXPECT_STREQ(L"", text);
    EXPECT_EQ(2, regex.GetMatchPosition());
    // Past the groups: false, and the text is left alone.
    text = L"old";
    EXPECT_FALSE(regex.GetMatch(4, text));
    EXPECT_FALSE(regex.GetMatch(5, text));
    EXPECT_FALSE(regex.GetMatch(-1, text));
    EXPECT_STREQ(L"old", text);
}

TEST(BoostRegEx, CaseSensitivePerlSyntax)
{
    BoostRegEx regex(L"^a\\d+$");
    EXPECT_TRUE(regex.Search(L"a12"));
    EXPECT_FALSE(regex.Search(L"A12"));
    EXPECT_FALSE(regex.Search(L"a12b"));
}

TEST(BoostRegEx, NoResultsGiveNoMatch)
{
    CString text = L"kept";
    BoostRegEx fresh;
    EXPECT_FALSE(fresh.GetMatch(0, text)); // nothing searched yet
    EXPECT_FALSE(fresh.Search(L"abc"));    // never compiled
    EXPECT_FALSE(fresh.GetMatch(0, text));

    BoostRegEx regex(L"b");
    ASSERT_TRUE(regex.Search(L"abc"));
    EXPECT_FALSE(regex.Compile(nullptr));
    EXPECT_FALSE(regex.Search(L"abc"));
    ASSERT_TRUE(regex.Compile(L"b"));
    EXPECT_FALSE(regex.Compile(L"("));
    EXPECT_FALSE(regex.Search(L"abc"));
    EXPECT_FALSE(regex.GetMatch(0, text));
    EXPECT_FALSE(regex.SearchNext());
    EXPECT_STREQ(L"kept", text);

    // A failed search leaves no results of an earlier one.
    ASSERT_TRUE(regex.Compile(L"b"));
    ASSERT_TRUE(regex.Search(L"abc"));
    EXPECT_FALSE(regex.Search(L"xyz"));
    EXPECT_FALSE(regex.GetMatch(0, text));
    EXPECT_STREQ(L"kept", text);
}

TEST(BoostRegEx, InvalidPatternInConstructorFindsNothing)
{
    BoostRegEx regex(L"(");
    EXPECT_FALSE(regex.Search(L"(((("));
    // The same object compiles again.
    EXPECT_TRUE(regex.Compile(L"\\("));
    EXPECT_TRUE(regex.Search(L"(((("));
}

TEST(BoostRegEx, SearchNextStepsThroughMatches)
{
    const struct
    {
        const wchar_t* pattern;
        const wchar_t* text;
        std::vector<std::wstring> matches;
    } cases[] = {
        { L"\\d+", L"a1 b22 c333", { L"1", L"22", L"333" } },
        { L"\\d+", L"none", {} },
        { L"\\d+", L"", {} },
        // Anchors: only the real start of the text is a start.
        { L"^\\w", L"ab cd", { L"a" } },
        { L"\\bc\\w", L"abc cd", { L"cd" } },
        // Empty matches move on by one character instead of repeating.
        { L"x*", L"axxb", { L"", L"xx", L"", L"" } },
        { L"", L"ab", { L"", L"", L"" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "pattern " << CString(c.pattern).ToNarrow() << " text " << CString(c.text).ToNarrow());
        EXPECT_EQ(c.matches, AllMatches(c.pattern, c.text));
    }
}

TEST(BoostRegEx, SearchStartsAgainAfterSearchNext)
{
    BoostRegEx regex(L"^\\w");
    regex.SetSearchText(L"ab");
    ASSERT_TRUE(regex.SearchNext());
    EXPECT_FALSE(regex.SearchNext());
    // A fresh search of a new text is again at the beginning: "^" matches.
    ASSERT_TRUE(regex.Search(L"cd"));
    CString text;
    ASSERT_TRUE(regex.GetMatch(0, text));
    EXPECT_STREQ(L"c", text);
    // Compiling again keeps the text.
    ASSERT_TRUE(regex.Compile(L"d"));
    EXPECT_TRUE(regex.MakeSearch());
}

TEST(BoostRegEx, LibraryErrorsDuringSearchAreFalse)
{
    // Catastrophic backtracking hits the library's complexity limit, which throws.
    BoostRegEx regex(L"(a*)*(b*)*(a*)*(b*)*c");
    std::wstring text(4000, L'a');
    text += L"ab";
    EXPECT_FALSE(regex.Search(text.c_str()));
}
