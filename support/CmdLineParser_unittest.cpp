#include "support/CmdLineParser.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
struct CSwitch
{
    const wchar_t* name;
    const wchar_t* value;
};

CStringArray ToArray(std::initializer_list<const wchar_t*> items)
{
    CStringArray array;
    for (const wchar_t* item : items)
        array.Add(item);
    return array;
}
}

TEST(CmdLineParser, SplitsSwitchesAndPositionalArguments)
{
    const struct
    {
        std::initializer_list<const wchar_t*> args;
        std::vector<CSwitch> switches;
        std::vector<const wchar_t*> positional;
    } cases[] = {
        { { L"/lang:de" }, { { L"lang", L"de" } }, {} },
        { { L"-lang:de" }, { { L"lang", L"de" } }, {} },
        { { L"-a:b:c" }, { { L"a", L"b:c" } }, {} },
        { { L"-quickmode" }, { { L"quickmode", L"" } }, {} },
        { { L"-" }, { { L"", L"" } }, {} },
        { { L"-:x" }, { { L":x", L"" } }, {} },
        { { L"/p:\"C:\\a b\\\" tail " }, { { L"p", L"\"C:\\a b\\\" tail " } }, {} },
        { { L"-lang:de", L"/lang:fr" }, { { L"lang", L"fr" } }, {} },
        { { L"file.txt", L"-x", L"second" }, { { L"x", L"" } }, { L"file.txt", L"second" } },
        { { L"Lang:de" }, {}, { L"Lang:de" } },
    };
    for (const auto& c : cases)
    {
        CCmdLineParser parser;
        const CStringArray args = ToArray(c.args);
        EXPECT_EQ(args.GetSize(), parser.Parse(args));
        for (const CSwitch& s : c.switches)
        {
            EXPECT_TRUE(parser.HasOption(s.name)) << CString(s.name).ToNarrow();
            EXPECT_EQ(CString(s.value), parser.GetOption(s.name, L"default"));
        }
        ASSERT_EQ(static_cast<int>(c.positional.size()), parser.GetArguments().GetSize());
        for (size_t i = 0; i < c.positional.size(); ++i)
            EXPECT_EQ(CString(c.positional[i]), parser.GetArguments()[static_cast<int>(i)]);
    }
}

TEST(CmdLineParser, QueriesWithDefaults)
{
    CCmdLineParser parser;
    parser.Parse(ToArray({ L"-quickmode", L"-on:1", L"-n: -42xyz", L"-text:abc", L"-path:\"C:\\x y\"", L"-q1:\"",
                           L"-q2:\"\"", L"-open:\"C:\\x", L"-Case:1" }));
    const struct
    {
        const wchar_t* name;
        bool has;
        const wchar_t* value;      // GetOption with the default "dflt"
        const wchar_t* unquoted;   // GetOptionUnquoted with the default "dflt"
        int intValue;              // GetIntOption with the default 7
        bool boolValue;            // GetBoolOption with the default true
    } cases[] = {
        { L"quickmode", true, L"", L"", 0, false },
        { L"on", true, L"1", L"1", 1, true },
        { L"n", true, L" -42xyz", L" -42xyz", -42, true },
        { L"text", true, L"abc", L"abc", 0, false },
        { L"path", true, L"\"C:\\x y\"", L"C:\\x y", 0, false },
        { L"q1", true, L"\"", L"\"", 0, false },
        { L"q2", true, L"\"\"", L"", 0, false },
        { L"open", true, L"\"C:\\x", L"C:\\x", 0, false },
        { L"case", false, L"dflt", L"dflt", 7, true },
        { L"missing", false, L"dflt", L"dflt", 7, true },
    };
    for (const auto& c : cases)
    {
        const std::string name = CString(c.name).ToNarrow();
        EXPECT_EQ(c.has, parser.HasOption(c.name)) << name;
        EXPECT_EQ(CString(c.value), parser.GetOption(c.name, L"dflt")) << name;
        EXPECT_EQ(CString(c.unquoted), parser.GetOptionUnquoted(c.name, L"dflt")) << name;
        EXPECT_EQ(c.intValue, parser.GetIntOption(c.name, 7)) << name;
        EXPECT_EQ(c.boolValue, parser.GetBoolOption(c.name, true)) << name;
    }
    EXPECT_EQ(L"", parser.GetOption(L"missing"));
    EXPECT_FALSE(parser.GetBoolOption(L"missing", false));
}

TEST(CmdLineParser, BuiltCommandLineCarriesTheCurrentFolder)
{
    wchar_t dir[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, dir);
    EXPECT_EQ(CString(L"-crt-dir:") + dir, GetCrtDirArgument());

    size_t cb = 0;
    std::unique_ptr<wchar_t[]> pBuffer(BuildCommandLine(ToArray({ L"a", L"b" }), &cb));
    ASSERT_TRUE(pBuffer);
    const CString crtDir = GetCrtDirArgument();
    EXPECT_EQ((crtDir.GetLength() + 1 + 2 + 2 + 1) * sizeof(wchar_t), cb);
    EXPECT_EQ(L'\0', pBuffer[cb / sizeof(wchar_t) - 1]);
    EXPECT_EQ(L'\0', pBuffer[cb / sizeof(wchar_t) - 2]);

    CCmdLineParser parser;
    parser.Parse(ToArray({ L"-stale" }));
    parser.ParseStrings(pBuffer.get());
    EXPECT_FALSE(parser.HasOption(L"stale")) << "ParseStrings starts afresh";
    EXPECT_EQ(CString(dir), parser.GetOption(L"crt-dir"));
    ASSERT_EQ(2, parser.GetArguments().GetSize());
    EXPECT_EQ(L"a", parser.GetArguments()[0]);
    EXPECT_EQ(L"b", parser.GetArguments()[1]);

    // A multi-string whose first text is empty holds nothing.
    const wchar_t empty[] = L"\0-x\0";
    parser.ParseStrings(empty);
    EXPECT_FALSE(parser.HasOption(L"x"));
    EXPECT_FALSE(parser.HasOption(L"crt-dir"));
    EXPECT_EQ(0, parser.GetArguments().GetSize());
}

TEST(CmdLineParser, DumpListsArgumentsAndSwitches)
{
    CTraceCapture capture(L"cmdline_dump");
    CCmdLineParser parser;
    parser.Parse(ToArray({ L"first", L"-bare", L"/lang:de", L"second" }));
    parser.Dump();
    parser.Dump(L"switches of the run:");
    const CString log = capture.Text();
    for (const wchar_t* line : { L"-->: cmdline:\r\n", L"-->: file[0] = first\r\n", L"-->: file[1] = second\r\n",
                                 L"-->: -bare\r\n", L"-->: -lang=de\r\n", L"-->: switches of the run:\r\n" })
        EXPECT_TRUE(Contains(log, line)) << CString(line).ToNarrow();
}
