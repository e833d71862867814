// The recursive removals hold each folder they walk from before its entries are deleted until
// just before the folder itself goes, so that no folder of the walk can be swapped for a
// junction meanwhile. A swap cannot be timed here: a recording of the calls shows the order.
// A folder above the one held, swapped for a junction before the hold, leads the open elsewhere:
// the recording's open stands for that by opening another folder than the one named.

#include "support/FileUtil.h"
#include "support/FolderRemovalCalls.h"
#include "support/FolderTree.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace
{
struct CEvent
{
    const char* what;
    CString path;
};

std::vector<CEvent> g_events;
std::map<HANDLE, CString> g_held;
CFolderRemovalCalls g_real;
bool g_refuseOpen = false;
// The open of this folder reaches that one instead.
CString g_swappedFrom, g_swappedTo;

CString Trimmed(const wchar_t* pszPath)
{
    CString path(pszPath);
    path.TrimRight(L"\\");
    return path;
}

HANDLE RecordOpen(const wchar_t* pszPath)
{
    g_events.push_back({ "open", Trimmed(pszPath) });
    if (g_refuseOpen)
        return INVALID_HANDLE_VALUE;
    const bool bSwapped = !g_swappedFrom.IsEmpty() && Trimmed(pszPath).CompareNoCase(g_swappedFrom) == 0;
    const HANDLE h = g_real.pOpenFolder(bSwapped ? g_swappedTo.GetString() : pszPath);
    g_held[h] = Trimmed(pszPath);
    return h;
}

void RecordClose(HANDLE h)
{
    g_events.push_back({ "close", g_held[h] });
    g_real.pCloseFolder(h);
}

BOOL RecordDelete(const wchar_t* pszPath)
{
    g_events.push_back({ "delete", Trimmed(pszPath) });
    return g_real.pDeleteFile(pszPath);
}

BOOL RecordRemove(const wchar_t* pszPath)
{
    g_events.push_back({ "rmdir", Trimmed(pszPath) });
    return g_real.pRemoveDirectory(pszPath);
}

int IndexOf(const char* pszWhat, const CString& path)
{
    for (size_t i = 0; i < g_events.size(); ++i)
        if (strcmp(g_events[i].what, pszWhat) == 0 && g_events[i].path.CompareNoCase(path) == 0)
            return static_cast<int>(i);
    return -1;
}

const CFolderRemovalCalls kRecordingCalls = { RecordOpen, RecordClose, RecordDelete, RecordRemove };

class FolderRemovalOrder : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "removal_"; }
    const CScopedCalls<CFolderRemovalCalls> m_removal{ SetFolderRemovalCalls, &kRecordingCalls };
    void SetUp() override
    {
        CTracedTest::SetUp();
        g_events.clear();
        g_held.clear();
        g_refuseOpen = false;
        g_swappedFrom.Empty();
        g_swappedTo.Empty();
        g_real = *m_removal.Previous();
        m_base = FreshTestFolder(L"removal_order");
        m_top = m_base + L"top";
        for (const wchar_t* folder : { L"", L"\\sub", L"\\sub\\deeper" })
            CreateDirectoryW(m_top + folder, nullptr);
        for (const wchar_t* file : { L"\\a.txt", L"\\sub\\b.txt", L"\\sub\\deeper\\c.txt" })
            WriteTextFile(m_top + file, "x");
    }

    // Each folder is opened before anything inside it is deleted and closed only after; its own
    // removal follows its close at once.
    void ExpectHeldAroundItsEntries(const CString& folder, bool bRemoved)
    {
        const int open = IndexOf("open", folder), close = IndexOf("close", folder);
        ASSERT_GE(open, 0) << folder.ToNarrow();
        ASSERT_GT(close, open) << folder.ToNarrow();
        const CString inside = folder + L"\\";
        for (size_t i = 0; i < g_events.size(); ++i)
            if (g_events[i].path.Left(inside.GetLength()).CompareNoCase(inside) == 0)
            {
                EXPECT_GT(static_cast<int>(i), open) << g_events[i].what << " " << g_events[i].path.ToNarrow();
                EXPECT_LT(static_cast<int>(i), close) << g_events[i].what << " " << g_events[i].path.ToNarrow();
            }
        if (bRemoved)
            EXPECT_EQ(close + 1, IndexOf("rmdir", folder)) << folder.ToNarrow();
    }

    CString m_base, m_top;
};
}

TEST_F(FolderRemovalOrder, RemovalHoldsEachFolderWhileItsEntriesGo)
{
    EXPECT_TRUE(RemoveDirectoryRec(m_top));
    EXPECT_FALSE(PathExistsHere(m_top));
    for (const CString& folder : { m_top, m_top + L"\\sub", m_top + L"\\sub\\deeper" })
        ExpectHeldAroundItsEntries(folder, true);
}

TEST_F(FolderRemovalOrder, CleanUpHoldsTheFolderItEmpties)
{
    EXPECT_TRUE(CFileUtils::CleanUpFolderRecursively(m_top, L"", 0));
    EXPECT_TRUE(PathExistsHere(m_top));
    EXPECT_FALSE(PathExistsHere(m_top + L"\\a.txt"));
    EXPECT_FALSE(PathExistsHere(m_top + L"\\sub"));
    ExpectHeldAroundItsEntries(m_top, false);
    ExpectHeldAroundItsEntries(m_top + L"\\sub", true);
    EXPECT_EQ(-1, IndexOf("rmdir", m_top));
}

TEST_F(FolderRemovalOrder, FolderThatCannotBeHeldIsNotTouched)
{
    g_refuseOpen = true;
    EXPECT_FALSE(RemoveDirectoryRec(m_top));
    EXPECT_FALSE(CFileUtils::CleanUpFolderRecursively(m_top, L"", 0));
    for (const CEvent& e : g_events)
        EXPECT_STREQ("open", e.what) << e.path.ToNarrow();
    EXPECT_TRUE(FileExists(m_top + L"\\sub\\deeper\\c.txt"));
}


// The walk reaches top\sub, but the way to it now leads to outside\ (a junction put in place of
// a folder above it): once held, the folder is asked where it is, and nothing of it is touched.
TEST_F(FolderRemovalOrder, FolderThatLeadsElsewhereOnceHeldIsNotTouched)
{
    const CString outside = m_base + L"outside";
    CreateDirectoryW(outside, nullptr);
    WriteTextFile(outside + L"\\keep.txt", "x");
    if (!GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW"))
        GTEST_SKIP() << "this system cannot name the folder behind a handle (Windows XP)";

    for (const CString& swapped : { m_top + L"\\sub", m_top })
    {
        SCOPED_TRACE(swapped.ToNarrow());
        g_events.clear();
        g_swappedFrom = swapped;
        g_swappedTo = outside;
        EXPECT_FALSE(RemoveDirectoryRec(m_top));
        EXPECT_TRUE(FileExists(m_top + L"\\sub\\b.txt"));
        EXPECT_TRUE(FileExists(m_top + L"\\sub\\deeper\\c.txt"));
        EXPECT_TRUE(FileExists(outside + L"\\keep.txt"));
        const CString inside = swapped + L"\\";
        for (const CEvent& e : g_events)
            EXPECT_FALSE(e.path.Left(inside.GetLength()).CompareNoCase(inside) == 0 && strcmp(e.what, "open") != 0)
                << e.what << " " << e.path.ToNarrow();
        EXPECT_EQ(-1, IndexOf("rmdir", swapped));
        EXPECT_TRUE(Contains(Log(), L"ERR: RemoveDirectoryRec : refusing to remove " + swapped +
                                        L": the folder it leads to is [" + outside + L"]"))
            << Log().ToNarrow();

        g_events.clear();
        EXPECT_FALSE(CFileUtils::CleanUpFolderRecursively(swapped, L"", 0));
        for (const CEvent& e : g_events)
            EXPECT_STREQ(strcmp(e.what, "close") == 0 ? "close" : "open", e.what) << e.path.ToNarrow();
        EXPECT_TRUE(FileExists(outside + L"\\keep.txt"));
    }
}
