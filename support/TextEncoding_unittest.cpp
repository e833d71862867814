#include "support/TextEncoding.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

TEST(UrlEncode, AsciiUmlautsCjkAndEmoji)
{
    const struct
    {
        const wchar_t *text, *encoded;
    } cases[] = {
        { L"", L"" },
        { L"a b&c", L"a%20b%26c" },
        { L"a+b", L"a%2Bb" }, // a plus stays a plus for every reader
        { L"AZaz09-._~", L"AZaz09-._~" },
        { L"!*'()", L"%21%2A%27%28%29" },
        { L"/?=%#", L"%2F%3F%3D%25%23" },
        { L"\u00e9", L"%C3%A9" },
        { L"\u00c4\u00f6\u00fc\u00df", L"%C3%84%C3%B6%C3%BC%C3%9F" },
        { L"\u20ac", L"%E2%82%AC" },
        { L"\u65e5\u672c", L"%E6%97%A5%E6%9C%AC" },
        { L"\U0001F600", L"%F0%9F%98%80" },
        { L"x\xD83Dy", L"x%EF%BF%BDy" }, // a lone surrogate
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString(c.encoded), UrlEncode(c.text)) << CString(c.encoded).ToNarrow();
    EXPECT_EQ(CString(), UrlEncode(nullptr));
}

TEST(Utf8ToWide, ValidInvalidAndCutOffInput)
{
    const struct
    {
        std::string bytes;
        bool lenient;
        const wchar_t* text;
        EUtf8Result result;
    } cases[] = {
        { "abc", false, L"abc", UTF8_CONVERSION_OK },
        { "\xc3\xa9\xe2\x82\xac", false, L"\u00e9\u20ac", UTF8_CONVERSION_OK },
        { "\xf0\x9f\x98\x80", false, L"\U0001F600", UTF8_CONVERSION_OK },
        { "a\x80z", false, L"a\uFFFDz", UTF8_SOURCE_ILLEGAL },
        { "a\xc0\xafz", false, L"a\uFFFD\uFFFDz", UTF8_SOURCE_ILLEGAL },   // overlong '/'
        { "a\xe2\x82z", false, L"a\uFFFDz", UTF8_SOURCE_ILLEGAL },        // cut short before 'z'
        { "\xed\xa0\x80!", false, L"\uFFFD!", UTF8_SOURCE_ILLEGAL }, // encoded surrogate
        { "\xed\xa0\x80!", true, L"\uFFFD!", UTF8_CONVERSION_OK },
        { "\xf5\x80\x80\x80!", false, L"\uFFFD!", UTF8_SOURCE_ILLEGAL }, // above U+10FFFF
        { "\xf5\x80\x80\x80!", true, L"\uFFFD!", UTF8_CONVERSION_OK },
        { "ok\xe2\x82", false, L"ok", UTF8_SOURCE_EXHAUSTED },
    };
    for (const auto& c : cases)
    {
        wchar_t out[32] = {};
        size_t written = 0;
        EXPECT_EQ(c.result, Utf8ToWide(c.bytes.data(), c.bytes.size(), out, 32, written, c.lenient)) << c.bytes;
        EXPECT_EQ(CString(c.text), CString(out, static_cast<int>(written))) << c.bytes;
    }

    wchar_t one[1] = {};
    size_t written = 9;
    EXPECT_EQ(UTF8_TARGET_EXHAUSTED, Utf8ToWide("\xf0\x9f\x98\x80", 4, one, 1, written, false));
    EXPECT_EQ(0u, written) << "no half surrogate pair";

    CString text;
    Utf8StringToCString(text, "Gr\xc3\xbc\xc3\x9f\xff!");
    EXPECT_EQ(L"Gr\u00fc\u00df\uFFFD!", text);
}
