#include "classlib/File.h"
#include "classlib/Map.h"
#include "classlib/String.h"
#include "classlib/Thread.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

TEST(CStringFormat, WideStringArgumentIsPrintedWhole)
{
    // The Windows meaning of %s in a wide format: a wide string, printed to its end.
    CString s;
    s.Format(L"[%s] %d %lu %X %S", L"C:\\Program Files\\Vantolin", -7, 4000000000UL, 0x1A2C, "narrow");
    EXPECT_STREQ(L"[C:\\Program Files\\Vantolin] -7 4000000000 1A2C narrow", s.GetString());

    CString longText(L'x', 5000);
    s.Format(L"%s|%s", longText.GetString(), L"end");
    EXPECT_EQ(5004, s.GetLength());
    EXPECT_EQ(L"end", s.Right(3));

    s.AppendFormat(L"%02d:%03d", 5, 7);
    EXPECT_EQ(L"end05:007", s.Right(9));
}

TEST(CStringEdit, ReplaceFindAndSlices)
{
    CString s(L"Vantolin\\Vantolin 9");
    EXPECT_EQ(2, s.Replace(L"Vantolin", L"Kipsy Player"));
    EXPECT_EQ(L"Kipsy Player\\Kipsy Player 9", s);
    EXPECT_EQ(0, s.Replace(L"", L"x"));
    EXPECT_EQ(1, CString(L"aaa").Replace(L"aa", L"a"));

    const CString p(L"a:b:c");
    EXPECT_EQ(1, p.Find(L':'));
    EXPECT_EQ(3, p.Find(L':', 2));
    EXPECT_EQ(-1, p.Find(L':', 9));
    EXPECT_EQ(3, p.ReverseFind(L':'));
    EXPECT_EQ(L"b:c", p.Mid(2));
    EXPECT_EQ(L"b", p.Mid(2, 1));
    EXPECT_EQ(L"", p.Mid(10));
    EXPECT_EQ(L"a:", p.Left(2));
    EXPECT_EQ(L"a:b:c", p.Right(99));
    EXPECT_EQ(L"", p.Left(-1));

    CString t(L"  \t quoted \r\n");
    EXPECT_EQ(L"quoted", t.Trim());
    CString q(L"\"C:\\x\"");
    EXPECT_EQ(L"C:\\x", q.Trim(L"\""));
}

TEST(CStringCompare, CaseAndOrder)
{
    EXPECT_TRUE(CString(L"Update") == L"Update");
    EXPECT_FALSE(CString(L"update") == L"Update");
    EXPECT_EQ(0, CString(L"msiServer").CompareNoCase(L"MSISERVER"));
    EXPECT_TRUE(CString(L"Log_oru_1.txt") < CString(L"Log_oru_2.txt"));
}

TEST(CStringNarrow, CodePageRoundTrip)
{
    const CString text(L"M\u00fcnchen \u65e5\u672c \U0001F3B5");
    const std::string utf8 = text.ToNarrow(CP_UTF8);
    EXPECT_EQ("M\xc3\xbcnchen \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8e\xb5", utf8);
    EXPECT_EQ(text, CString::FromNarrow(utf8, CP_UTF8));
    EXPECT_EQ(L"", CString::FromNarrow(static_cast<const char*>(nullptr)));
}

TEST(CStringBuffer, Win32CallFillsBuffer)
{
    CString s;
    DWORD n = GetWindowsDirectoryW(s.GetBuffer(MAX_PATH), MAX_PATH + 1);
    s.ReleaseBuffer();
    EXPECT_EQ(static_cast<int>(n), s.GetLength());
    EXPECT_EQ(L':', s[1]);
}

TEST(CMapStringToString, LookupReplaceAndIterate)
{
    CMapStringToString map(10);
    map.SetAt(L"lang", L"de");
    map.SetAt(L"Lang", L"fr");
    map.SetAt(L"lang", L"en"); // a later value replaces the earlier one
    CString value;
    ASSERT_TRUE(map.Lookup(L"lang", value));
    EXPECT_EQ(L"en", value);
    EXPECT_FALSE(map.Lookup(L"LANG", value));
    EXPECT_EQ(2, map.GetCount());

    int seen = 0;
    CString key;
    for (POSITION pos = map.GetStartPosition(); pos;)
    {
        map.GetNextAssoc(pos, key, value);
        ++seen;
    }
    EXPECT_EQ(2, seen);
    EXPECT_TRUE(map.RemoveKey(L"Lang"));
    EXPECT_FALSE(map.RemoveKey(L"Lang"));
    EXPECT_EQ(nullptr, CMapStringToString().GetStartPosition());
}

TEST(CFile, WriteReadAndMissingFile)
{
    const CString folder = FreshTestFolder(L"classlib_file");
    {
        CFile file(folder + L"a.bin", CFile::modeCreate | CFile::modeWrite);
        file.Write("abcdef", 6);
    }
    CFile file(folder + L"a.bin", CFile::modeRead | CFile::shareDenyNone);
    EXPECT_EQ(6u, file.GetLength());
    char buf[8] = {};
    file.Seek(2, CFile::begin);
    EXPECT_EQ(4u, file.Read(buf, sizeof(buf)));
    EXPECT_STREQ("cdef", buf);

    try
    {
        CFile missing(folder + L"missing.bin", CFile::modeRead);
        FAIL() << "opening a missing file must throw";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
        EXPECT_TRUE(Contains(e.GetErrorMessage(), L"missing.bin"));
    }
    CFileException error;
    CFile other;
    EXPECT_FALSE(other.Open(folder + L"no\\such\\a.bin", CFile::modeRead, &error));
    EXPECT_EQ(CFileException::badPath, error.m_cause);
}

namespace
{
UINT __cdecl CountUp(LPVOID pParam)
{
    InterlockedIncrement(static_cast<volatile LONG*>(pParam));
    return 7;
}
}

TEST(WinThread, SuspendedStartRunsOnResumeAndKeepsItsExitCode)
{
    volatile LONG count = 0;
    CWinThread* pThread = AfxBeginThread(CountUp, const_cast<LONG*>(&count), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, pThread);
    pThread->m_bAutoDelete = FALSE;
    Sleep(50);
    EXPECT_EQ(0, count) << "a suspended thread waits for its resume";
    EXPECT_EQ(1u, pThread->ResumeThread());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pThread->m_hThread, 10000));
    DWORD code = 0;
    GetExitCodeThread(pThread->m_hThread, &code);
    EXPECT_EQ(7u, code);
    EXPECT_EQ(1, count);
    delete pThread;

    // An auto-deleting thread frees its object itself; only the count is left to look at.
    ASSERT_NE(nullptr, AfxBeginThread(CountUp, const_cast<LONG*>(&count)));
    for (int i = 0; i < 500 && count < 2; ++i)
        Sleep(10);
    EXPECT_EQ(2, count);
}
