#include "support/TraceLog.h"
#include "classlib/WinApp.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace
{
SYSTEMTIME g_now;

void FixedLocalTime(SYSTEMTIME* pNow)
{
    *pNow = g_now;
}

const TraceClockCalls kFixedClock = { FixedLocalTime, GetTickCount };

void SetClock(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms)
{
    g_now = SYSTEMTIME{ year, month, 0, day, hour, minute, second, ms };
}

CString Pid()
{
    CString pid;
    pid.Format(L"%X", GetCurrentProcessId());
    return pid;
}

ULONGLONG FileSize(const CString& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<CString> SplitLines(const CString& text)
{
    std::vector<CString> lines;
    int start = 0;
    for (int at = text.Find(L"\r\n"); at >= 0; at = text.Find(L"\r\n", start))
    {
        lines.push_back(text.Mid(start, at - start));
        start = at + 2;
    }
    return lines;
}

class TraceLogTest : public ::testing::Test
{
protected:
    const CScopedCalls<TraceClockCalls> m_clock{ SetTraceClockCalls, &kFixedClock };
    void SetUp() override
    {
        SetClock(2024, 1, 31, 14, 25, 1, 347);
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        CString name = CString::FromNarrow(std::string("tracelog_") + info->test_suite_name() + "_" + info->name());
        name.Replace(L'/', L'_');
        m_folder = FreshTestFolder(name);
        m_prefix = m_folder + L"Log_oru";
    }
    void TearDown() override
    {
        SetTraceLevel(0);
        SetTracePrefix(L"D:\\tests\\tracelog_unused");
        SetCurrentDirectoryW(L"D:\\");
    }
    CString m_folder;
    CString m_prefix;
};
}

TEST(TraceLevelNames, NameIsTakenByTens)
{
    const struct
    {
        int level;
        const wchar_t* name;
    } cases[] = { { -1, L"" },    { 0, L"" },     { 9, L"" },      { 10, L"ERR" }, { 19, L"ERR" }, { 20, L"WRN" },
                  { 30, L"INF" }, { 40, L"DBG" }, { 50, L"-->" },  { 60, L"---" }, { 65, L"---" }, { 69, L"---" },
                  { 70, L"" },    { 1000, L"" } };
    for (const auto& c : cases)
        EXPECT_STREQ(c.name, GetTraceLevelName(c.level)) << c.level;
}

TEST_F(TraceLogTest, FileNameBomAndLineFormat)
{
    SetTracePrefix(m_prefix);
    SetTraceLevel(50);
    Trace(30, L"Computer name: %s", L"PC-\u00c4\u00d6\u00dc");

    const CString expectedName = m_prefix + L"_20240131_142501_" + Pid() + L".txt";
    EXPECT_EQ(expectedName, GetTraceFileName());
    const std::string bytes = ReadBytes(expectedName);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ('\xFF', bytes[0]);
    EXPECT_EQ('\xFE', bytes[1]);

    CString expectedLine;
    expectedLine.Format(L"14:25:01.347 %X INF: Computer name: PC-\u00c4\u00d6\u00dc\r\n", GetCurrentThreadId());
    EXPECT_EQ(expectedLine, ReadUtf16File(expectedName));
}

TEST_F(TraceLogTest, ClassLibraryFaultsBecomeErrorLines)
{
    SetTracePrefix(m_prefix);
    SetTraceLevel(50);
    AfxReportError(L"%s : the handler of message 0x%04X threw \"%s\"", L"CWnd::WindowProc", 0x111u, L"planted");

    CString expectedLine;
    expectedLine.Format(L"14:25:01.347 %X ERR: CWnd::WindowProc : the handler of message 0x0111 threw \"planted\"\r\n",
                        GetCurrentThreadId());
    EXPECT_EQ(expectedLine, ReadUtf16File(GetTraceFileName()));
}

TEST_F(TraceLogTest, ConfiguredLevelFiltersAndNamesLines)
{
    const struct
    {
        int configured;
        int level;
        const wchar_t* expectedTail; // null: not written
    } cases[] = {
        { 0, 10, nullptr }, { 0, 0, nullptr },       { 50, 10, L" ERR: m" }, { 50, 50, L" -->: m" },
        { 50, 60, nullptr }, { 70, 65, L" ---: m" }, { 70, 70, L" : m" },    { -5, 10, nullptr },
    };
    int n = 0;
    for (const auto& c : cases)
    {
        CString prefix;
        prefix.Format(L"%sL%d", m_folder.GetString(), n++);
        SetTracePrefix(prefix);
        SetTraceLevel(c.configured);
        Trace(c.level, L"m");
        const CString file = GetTraceFileName();
        if (!c.expectedTail)
        {
            EXPECT_TRUE(file.IsEmpty()) << c.configured << "/" << c.level;
            EXPECT_EQ(0, ListFiles(prefix + L"*").GetSize());
            continue;
        }
        const CString text = ReadUtf16File(file);
        EXPECT_EQ(CString(c.expectedTail) + L"\r\n", text.Right(static_cast<int>(wcslen(c.expectedTail)) + 2))
            << c.configured << "/" << c.level;
    }
    Trace(10, nullptr); // a null format is ignored
}

TEST_F(TraceLogTest, NewFileAfterLocalMidnight)
{
    SetTracePrefix(m_prefix);
    SetTraceLevel(50);
    SetClock(2024, 1, 31, 23, 59, 59, 990);
    Trace(50, L"before midnight");
    const CString first = GetTraceFileName();
    SetClock(2024, 2, 1, 0, 0, 0, 10);
    Trace(50, L"after midnight");
    const CString second = GetTraceFileName();

    EXPECT_EQ(m_prefix + L"_20240131_235959_" + Pid() + L".txt", first);
    EXPECT_EQ(m_prefix + L"_20240201_000000_" + Pid() + L".txt", second);
    EXPECT_TRUE(Contains(ReadUtf16File(first), L"before midnight"));
    EXPECT_FALSE(Contains(ReadUtf16File(first), L"after midnight"));
    EXPECT_TRUE(Contains(ReadUtf16File(second), L"00:00:00.010"));
}

TEST_F(TraceLogTest, NewFileOnlyPastTenMebibytes)
{
    const ULONGLONG kLimit = 10485760;
    const struct
    {
        ULONGLONG size;
        bool expectNewFile;
    } cases[] = { { kLimit, false }, { kLimit + 2, true } };
    int n = 0;
    for (const auto& c : cases)
    {
        CString prefix;
        prefix.Format(L"%sS%d", m_folder.GetString(), n++);
        SetTracePrefix(prefix);
        SetTraceLevel(50);
        Trace(50, L"%s", L"");
        const CString file = GetTraceFileName();
        // Every line of this thread at this fixed time has the same prefix length.
        const ULONGLONG linePrefixBytes = FileSize(file) - 2 - 4;
        const CString big(L'x', 4000);
        const ULONGLONG bigBytes = linePrefixBytes + 2 * 4000 + 4;
        ULONGLONG size = FileSize(file);
        while (c.size - size > bigBytes + linePrefixBytes + 4)
        {
            Trace(50, L"%s", big.GetString());
            size += bigBytes;
        }
        const int lastChars = static_cast<int>((c.size - size - linePrefixBytes - 4) / 2);
        Trace(50, L"%s", CString(L'y', lastChars).GetString());
        ASSERT_EQ(c.size, FileSize(file));
        ASSERT_EQ(file, GetTraceFileName());

        Trace(50, L"next line");
        EXPECT_EQ(c.expectNewFile, GetTraceFileName() != file) << c.size;
        EXPECT_EQ(c.expectNewFile, !Contains(ReadUtf16File(file).Right(40), L"next line")) << c.size;
    }
}

TEST_F(TraceLogTest, FilesOfTheSameSecondKeepEachOther)
{
    std::vector<CString> files;
    for (int i = 0; i < 12; ++i)
    {
        SetTracePrefix(m_prefix);
        SetTraceLevel(50);
        Trace(50, L"file %d", i);
        files.push_back(GetTraceFileName());
    }
    const CString base = m_prefix + L"_20240131_142501_" + Pid();
    EXPECT_EQ(base + L".txt", files[0]);
    EXPECT_EQ(base + L"_2.txt", files[1]);
    EXPECT_EQ(base + L"_9.txt", files[8]);
    EXPECT_EQ(base + L"_910.txt", files[9]);
    // Each new prefix kept the ten newest before its file was added; the names sort in the
    // order the files were made, so the oldest went.
    const CStringArray left = ListFiles(m_prefix + L"*.txt");
    ASSERT_EQ(11, left.GetSize());
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(files[i + 1], m_folder + left[i]);
    CString expected;
    expected.Format(L"file %d", 11);
    EXPECT_TRUE(Contains(ReadUtf16File(files[11]), expected));
    EXPECT_TRUE(Contains(ReadUtf16File(files[2]), L"file 2"));
}

TEST_F(TraceLogTest, OldFilesBeyondTenAreDeleted)
{
    auto makeFiles = [](const CString& prefix, int count) {
        for (int i = 0; i < count; ++i)
        {
            CString name;
            name.Format(L"%s_20240101_0000%02d_1.txt", prefix.GetString(), i);
            WriteTextFile(name, "x");
        }
    };
    makeFiles(m_prefix, 12);
    WriteTextFile(m_prefix + L"_keep.log", "not a trace file");
    SetTracePrefix(m_prefix);
    CStringArray left = ListFiles(m_prefix + L"*.txt");
    ASSERT_EQ(10, left.GetSize());
    EXPECT_EQ(L"Log_oru_20240101_000002_1.txt", left[0]);
    EXPECT_TRUE(FileExists(m_prefix + L"_keep.log"));

    SetTracePrefix(m_prefix); // ten or fewer: nothing goes
    EXPECT_EQ(10, ListFiles(m_prefix + L"*.txt").GetSize());

    // Without a folder part the prefix is relative to the current folder: nothing is deleted.
    const CString rel = m_folder + L"rel\\";
    CreateDirectoryW(rel, nullptr);
    makeFiles(rel + L"Log_oru", 12);
    SetCurrentDirectoryW(rel);
    DeleteOldTraceFiles(L"Log_oru", 10);
    EXPECT_EQ(12, ListFiles(rel + L"Log_oru*.txt").GetSize());

    // A drive root is too short a folder to delete in.
    makeFiles(L"D:\\tracelog_root", 12);
    DeleteOldTraceFiles(L"D:\\tracelog_root", 10);
    EXPECT_EQ(12, ListFiles(L"D:\\tracelog_root*.txt").GetSize());
    for (const CString& name : ListFiles(L"D:\\tracelog_root*.txt"))
        DeleteFileW(L"D:\\" + name);
    DeleteOldTraceFiles(nullptr, 10);
}

TEST_F(TraceLogTest, NullPrefixNamesFilesFromTheDate)
{
    SetCurrentDirectoryW(m_folder);
    SetTracePrefix(nullptr);
    SetTraceLevel(50);
    Trace(50, L"x");
    EXPECT_EQ(L"_20240131_142501_" + Pid() + L".txt", GetTraceFileName());
    EXPECT_TRUE(FileExists(m_folder + L"_20240131_142501_" + Pid() + L".txt"));
}

TEST_F(TraceLogTest, ThreadsNeverInterleaveLines)
{
    m_clock.Install(nullptr);
    SetTracePrefix(m_prefix);
    SetTraceLevel(50);
    const int kLines = 200;
    const CString payload(L'p', 300);
    DWORD tids[3] = {};
    auto writer = [&](int k) {
        tids[k] = GetCurrentThreadId();
        for (int i = 0; i < kLines; ++i)
            Trace(50, L"writer %d line %d %s end", k, i, payload.GetString());
    };
    std::thread a([&] { writer(1); }), b([&] { writer(2); });
    a.join();
    b.join();

    const std::vector<CString> lines = SplitLines(ReadUtf16File(GetTraceFileName()));
    ASSERT_EQ(static_cast<size_t>(2 * kLines), lines.size());
    int count[3] = {};
    for (const CString& line : lines)
    {
        const int k = line.Find(L"writer 1 ") >= 0 ? 1 : 2;
        CString tail;
        tail.Format(L"%X -->: writer %d line %d %s end", tids[k], k, count[k]++, payload.GetString());
        ASSERT_EQ(tail, line.Mid(13)) << "a line was broken or reordered";
    }
}

namespace
{
int g_nesting = 0;
std::thread* g_pOther = nullptr;

// A clock that logs while the log holds its lock, then lets another thread try to log.
void NestingClock(SYSTEMTIME* pNow)
{
    *pNow = g_now;
    if (g_nesting++ == 0)
    {
        Trace(50, L"nested");
        g_pOther = new std::thread([] { Trace(50, L"other thread"); });
        Sleep(200);
    }
}

const TraceClockCalls kNestingClock = { NestingClock, GetTickCount };
}

TEST_F(TraceLogTest, NestedTraceKeepsTheLock)
{
    SetTracePrefix(m_prefix);
    SetTraceLevel(50);
    m_clock.Install(&kNestingClock);
    Trace(50, L"outer");
    m_clock.Install(&kFixedClock);
    ASSERT_NE(nullptr, g_pOther);
    g_pOther->join();
    delete g_pOther;

    const std::vector<CString> lines = SplitLines(ReadUtf16File(GetTraceFileName()));
    ASSERT_EQ(3u, lines.size());
    EXPECT_TRUE(Contains(lines[0], L": nested"));
    EXPECT_TRUE(Contains(lines[1], L": outer"));
    EXPECT_TRUE(Contains(lines[2], L": other thread"));
}
