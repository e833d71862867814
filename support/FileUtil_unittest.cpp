#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "support/ProtectedFolders.h"
#include "support/TraceLog.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <set>

namespace
{
class FileUtilTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "fileutil_"; }
    void Write(const CString& relative, const std::string& content = "x")
    {
        ASSERT_TRUE(CreateFolderTree(GetFolderOfPath(m_folder + relative), nullptr)) << relative.ToNarrow();
        ASSERT_TRUE(WriteTextFile(m_folder + relative, content)) << relative.ToNarrow();
    }
    // The tree with a directory link that ctest's fixture step made for this case (Wine gives
    // programs no way to make one): work\a\one.txt, work\a\b\two.txt, work\link -> outside\.
    void UseTreeWithLink(const wchar_t* pszCase)
    {
        m_folder = CString(L"D:\\tests\\fileutil_links\\") + pszCase + L"\\";
        const DWORD attr = GetFileAttributesW(m_folder + L"work\\link");
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, attr) << "run through ctest, which makes the fixture";
        ASSERT_TRUE(attr & FILE_ATTRIBUTE_REPARSE_POINT) << std::hex << attr;
        ASSERT_TRUE(attr & FILE_ATTRIBUTE_DIRECTORY) << std::hex << attr;
        ASSERT_TRUE(FileExists(m_folder + L"work\\link\\keep1.txt")) << "the link leads to outside\\";
    }
    void ExpectOutsideKept()
    {
        EXPECT_TRUE(FileExists(m_folder + L"outside\\keep1.txt"));
        EXPECT_TRUE(FileExists(m_folder + L"outside\\sub\\keep2.txt"));
    }
};

CString ShellFolder(int csidl)
{
    wchar_t buf[MAX_PATH + 1] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf)) ? CString(buf) : CString();
}
}

// A link is removed as a link where the system can do that, or left where it cannot (Wine);
// either way the walk never enters it, so its target keeps its files.
TEST_F(FileUtilTest, RemovalDeletesTheLinkNotItsTarget)
{
    UseTreeWithLink(L"remove");
    const bool removed = RemoveDirectoryRec(m_folder + L"work");
    EXPECT_EQ(removed, !PathExists(m_folder + L"work\\link"));
    EXPECT_FALSE(PathExists(m_folder + L"work\\a"));
    ExpectOutsideKept();
}

TEST_F(FileUtilTest, RemovalOfALinkItselfKeepsTheTarget)
{
    UseTreeWithLink(L"link_itself");
    const bool removed = RemoveDirectoryRec(m_folder + L"work\\link\\");
    EXPECT_EQ(removed, !PathExists(m_folder + L"work\\link"));
    ExpectOutsideKept();
}

TEST_F(FileUtilTest, CleanUpEmptiesTheFolderButNotTheLinkTarget)
{
    UseTreeWithLink(L"cleanup");
    Write(L"work\\top.txt");
    const bool cleaned = CFileUtils::CleanUpFolderRecursively(m_folder + L"work", L"", 0);
    EXPECT_EQ(cleaned, !PathExists(m_folder + L"work\\link")) << "a link that stays makes the clean-up fail";
    EXPECT_TRUE(IsFolder(m_folder + L"work"));
    EXPECT_EQ(0, ListFiles(m_folder + L"work\\*.*").GetSize());
    EXPECT_FALSE(PathExists(m_folder + L"work\\a"));
    ExpectOutsideKept();
}

TEST_F(FileUtilTest, CopyCountAndSizeLeaveTheLinkOut)
{
    UseTreeWithLink(L"copy");
    DWORD count = 0;
    ULONGLONG total = 0;
    EXPECT_TRUE(CFileUtils::CountFilesInFolder(m_folder + L"work\\", count, total));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(3u, total);
    EXPECT_EQ(3u, GetFolderSize(m_folder + L"work"));

    std::set<std::wstring> copied;
    auto onFile = [](void* pContext, const wchar_t* pszSource, const wchar_t*, ULONGLONG) {
        static_cast<std::set<std::wstring>*>(pContext)->insert(pszSource);
        return true;
    };
    EXPECT_TRUE(CopyFolderRec(m_folder + L"work", m_folder + L"copy/", false, onFile, &copied));
    EXPECT_EQ(2u, copied.size());
    EXPECT_EQ(L"22", ReadUtf8File(m_folder + L"copy\\a\\b\\two.txt"));
    EXPECT_FALSE(PathExists(m_folder + L"copy\\link"));
}

// Nothing is written through a link at the target, nor read through one at the source, and the
// link check names the first link on a path.
TEST_F(FileUtilTest, CopyNeverGoesThroughALink)
{
    UseTreeWithLink(L"copy_into");
    Write(L"src\\link\\new.txt", "new");
    EXPECT_FALSE(CopyFolderRec(m_folder + L"work\\a", m_folder + L"work\\link", false, nullptr, nullptr));
    EXPECT_FALSE(CopyFolderRec(m_folder + L"src", m_folder + L"work", false, nullptr, nullptr));
    EXPECT_TRUE(Contains(Log(), L"CopyFolderRec : refusing to copy into the link"));
    EXPECT_FALSE(CopyFileNoFollow(m_folder + L"src\\link\\new.txt", m_folder + L"work\\link", false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANT_ACCESS_FILE), GetLastError());
    EXPECT_FALSE(CopyFileNoFollow(m_folder + L"work\\link", m_folder + L"linkcopy", false));
    EXPECT_FALSE(PathExists(m_folder + L"linkcopy"));
    EXPECT_FALSE(PathExists(m_folder + L"outside\\new.txt"));
    EXPECT_FALSE(PathExists(m_folder + L"outside\\one.txt"));
    ExpectOutsideKept();

    CString link;
    EXPECT_TRUE(FindLinkOnPath(m_folder + L"work\\link\\sub\\keep2.txt", link));
    EXPECT_EQ(m_folder + L"work\\link", link);
    EXPECT_FALSE(FindLinkOnPath(m_folder + L"work\\a\\missing\\x.txt", link));
    EXPECT_TRUE(IsLinkItself(m_folder + L"work\\link"));
    EXPECT_FALSE(IsLinkItself(m_folder + L"work\\a"));
}

TEST_F(FileUtilTest, CopyLeavesOutTheNamedFileAndKeepsTimeAndContent)
{
    Write(L"src\\keep.txt", "kept");
    Write(L"src\\sub\\package.msi", "left out");
    Write(L"src\\sub\\big.bin", std::string(3 * 1024 * 1024 + 5, 'b'));
    EXPECT_TRUE(CopyFolderRec(m_folder + L"src", m_folder + L"dst", false, nullptr, nullptr,
                              m_folder + L"src\\sub\\package.msi"));
    EXPECT_EQ("kept", ReadBytes(m_folder + L"dst\\keep.txt"));
    EXPECT_EQ(std::string(3 * 1024 * 1024 + 5, 'b'), ReadBytes(m_folder + L"dst\\sub\\big.bin"));
    EXPECT_FALSE(PathExists(m_folder + L"dst\\sub\\package.msi"));
    WIN32_FILE_ATTRIBUTE_DATA source, copy;
    ASSERT_TRUE(GetFileAttributesExW(m_folder + L"src\\sub\\big.bin", GetFileExInfoStandard, &source));
    ASSERT_TRUE(GetFileAttributesExW(m_folder + L"dst\\sub\\big.bin", GetFileExInfoStandard, &copy));
    EXPECT_EQ(0, CompareFileTime(&source.ftLastWriteTime, &copy.ftLastWriteTime));
    // Fail-if-exists keeps what is there.
    EXPECT_FALSE(CopyFileNoFollow(m_folder + L"src\\keep.txt", m_folder + L"dst\\sub\\big.bin", true));
    EXPECT_EQ(std::string(3 * 1024 * 1024 + 5, 'b'), ReadBytes(m_folder + L"dst\\sub\\big.bin"));
}

TEST_F(FileUtilTest, RemovalReportsEachDeletedFile)
{
    Write(L"tree\\one.txt", "1");
    Write(L"tree\\a\\b\\three.txt", "333");
    std::set<std::wstring> removed;
    auto onRemoved = [](void* pContext, const wchar_t* pszPath, ULONGLONG size) {
        static_cast<std::set<std::wstring>*>(pContext)->insert(std::wstring(pszPath) + L"=" + std::to_wstring(size));
    };
    EXPECT_TRUE(RemoveDirectoryRec(m_folder + L"tree", onRemoved, &removed));
    EXPECT_EQ((std::set<std::wstring>{ (m_folder + L"tree\\one.txt=1").GetString(),
                                       (m_folder + L"tree\\a\\b\\three.txt=3").GetString() }),
              removed);
    EXPECT_FALSE(PathExists(m_folder + L"tree"));
}

TEST_F(FileUtilTest, ProtectedFoldersAreNeitherRemovedNorEmptied)
{
    wchar_t windows[MAX_PATH + 1] = {}, system[MAX_PATH + 1] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    const CString profile = ShellFolder(CSIDL_PROFILE);
    CString lowerWindows(windows);
    lowerWindows.MakeLower().Replace(L'\\', L'/');
    const CString protectedPaths[] = {
        L"C:\\", L"c:", L"C:/", L"D:\\", L"D:", L"d:\\.\\",
        windows, lowerWindows + L"/", CString(system) + L"\\..\\", CString(windows) + L"\\.",
        system, ShellFolder(CSIDL_PROGRAM_FILES) + L"\\", ShellFolder(CSIDL_PROGRAM_FILESX86),
        profile, profile + L"\\Desktop\\..\\Downloads", ShellFolder(CSIDL_DESKTOPDIRECTORY),
        ShellFolder(CSIDL_PERSONAL) + L"\\", ShellFolder(CSIDL_MYMUSIC), ShellFolder(CSIDL_MYPICTURES),
        ShellFolder(CSIDL_MYVIDEO), L"",
        // Everything below the Windows folder, its Temp folder too.
        CString(windows) + L"\\Temp", CString(windows) + L"\\Temp\\TempSFX", lowerWindows + L"/Fonts/",
        CString(system) + L"\\drivers\\etc", CString(windows) + L"\\not\\there\\yet"
    };
    for (const CString& path : protectedPaths)
    {
        // The check comes first, so that a fault here never lets a removal run on the folder.
        ASSERT_TRUE(IsProtectedFolder(path)) << path.ToNarrow();
        const bool existed = PathExists(path);
        EXPECT_FALSE(RemoveDirectoryRec(path)) << path.ToNarrow();
        EXPECT_FALSE(CFileUtils::CleanUpFolderRecursively(path, L"", 0)) << path.ToNarrow();
        EXPECT_EQ(existed, PathExists(path)) << path.ToNarrow();
    }
    EXPECT_TRUE(Contains(Log(), L"ERR: RemoveDirectoryRec : refusing to remove the protected folder"));

    const CString ordinary[] = { m_folder + L"work", ShellFolder(CSIDL_PERSONAL) + L"\\Vantolin",
                                 CString(windows) + L"Temp", CString(windows) + L".old", L"D:\\tests" };
    for (const CString& path : ordinary)
        EXPECT_FALSE(IsProtectedFolder(path)) << path.ToNarrow();
}

// "D:\folder::$INDEX_ALLOCATION" is the folder itself to Windows; a path with any colon after
// the drive letter is refused before anything is asked of it.
TEST_F(FileUtilTest, StreamPathsAreRefused)
{
    Write(L"streamed\\keep.txt");
    const CString folder = m_folder + L"streamed";
    const CString streams[] = { folder + L"::$INDEX_ALLOCATION", folder + L":$I30:$INDEX_ALLOCATION",
                                folder + L"\\keep.txt:hidden", L"D:\\tests:x" };
    for (const CString& path : streams)
    {
        EXPECT_TRUE(IsProtectedFolder(path)) << path.ToNarrow();
        EXPECT_FALSE(RemoveDirectoryRec(path)) << path.ToNarrow();
        EXPECT_FALSE(CFileUtils::CleanUpFolderRecursively(path, L"", 0)) << path.ToNarrow();
        EXPECT_TRUE(Contains(Log(), L"ERR: RemoveDirectoryRec : refusing to remove " + path + L": it names a stream"));
    }
    EXPECT_TRUE(FileExists(folder + L"\\keep.txt"));
    EXPECT_TRUE(Contains(Log(), L"ERR: CFileUtils::CleanUpFolderRecursively - refusing to empty '" + streams[0] +
                                    L"': it names a stream"));
}

// The link fixture's work\link leads to outside\: a removal of work\link\sub names a real folder
// whose way goes through the link. Where the system names the folder held (Wine does, through
// its links too), the removal sees that it leads elsewhere and touches nothing.
TEST_F(FileUtilTest, RemovalThroughALinkAboveIsRefused)
{
    UseTreeWithLink(L"link_above");
    const CString through = m_folder + L"work\\link\\sub";
    EXPECT_FALSE(RemoveDirectoryRec(through));
    EXPECT_FALSE(CFileUtils::CleanUpFolderRecursively(through, L"", 0));
    ExpectOutsideKept();
    EXPECT_TRUE(Contains(Log(), L"ERR: RemoveDirectoryRec : refusing to remove " + through + L": the folder it leads to is [" +
                                    m_folder + L"outside\\sub]"))
        << Log().ToNarrow();
    EXPECT_TRUE(Contains(Log(), L"ERR: CFileUtils::CleanUpFolderRecursively - refusing to empty '" + through +
                                    L"': the folder it leads to is [" + m_folder + L"outside\\sub]"));
}

TEST_F(FileUtilTest, RemovalFailures)
{
    EXPECT_TRUE(RemoveDirectoryRec(m_folder + L"missing")) << "a missing folder counts as removed";
    EXPECT_TRUE(Contains(Log(), L"is not a directory (maybe was deleted shortly)"));

    Write(L"ro\\sub\\locked.txt");
    ASSERT_TRUE(SetFileAttributesW(m_folder + L"ro\\sub\\locked.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(RemoveDirectoryRec(m_folder + L"ro"));
    EXPECT_TRUE(FileExists(m_folder + L"ro\\sub\\locked.txt"));
    EXPECT_TRUE(Contains(Log(), L"RemoveDirectoryRec failed to remove file"));

    Write(L"clean\\old.txt");
    EXPECT_FALSE(CFileUtils::CleanUpFolderRecursively(m_folder + L"ro", L"", 0))
        << "an entry that stays makes the clean-up fail";
    SetFileAttributesW(m_folder + L"ro\\sub\\locked.txt", FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(CFileUtils::CleanUpFolderRecursively(m_folder + L"clean\\old.txt", L"", 0));
}

TEST_F(FileUtilTest, CleanUpByPrefixAndAge)
{
    Write(L"c\\keep_a.txt");
    Write(L"c\\Log_1.txt");
    Write(L"c\\log_2.txt");
    EXPECT_TRUE(CFileUtils::CleanUpFolderRecursively(m_folder + L"c", m_folder + L"C\\LOG_", 0));
    EXPECT_TRUE(FileExists(m_folder + L"c\\keep_a.txt"));
    EXPECT_FALSE(FileExists(m_folder + L"c\\Log_1.txt"));
    EXPECT_FALSE(FileExists(m_folder + L"c\\log_2.txt"));
    EXPECT_TRUE(CFileUtils::CleanUpFolderRecursively(m_folder + L"c", L"", 1));
    EXPECT_TRUE(FileExists(m_folder + L"c\\keep_a.txt")) << "a new file is younger than a day";
}

TEST_F(FileUtilTest, CopyWithFailIfExistsStopsAtTheExistingFile)
{
    Write(L"src\\f.txt", "new");
    Write(L"dst\\f.txt", "old");
    EXPECT_FALSE(CopyFolderRec(m_folder + L"src", m_folder + L"dst", true, nullptr, nullptr));
    EXPECT_EQ(L"old", ReadUtf8File(m_folder + L"dst\\f.txt"));
    EXPECT_TRUE(Contains(Log(), L"CopyFile() failed. GetLastError() returned 80"));
    EXPECT_FALSE(CopyFolderRec(m_folder + L"nothere", m_folder + L"dst2", false, nullptr, nullptr));
    EXPECT_TRUE(Contains(Log(), L"FindFirstFile() failed."));
}

TEST_F(FileUtilTest, MoveOntoAnExistingTargetCopiesAfterFiveTries)
{
    Write(L"from.txt", "data");
    Write(L"to.txt", "old");
    EXPECT_TRUE(MoveFileWithRetry(m_folder + L"from.txt", m_folder + L"to.txt"));
    EXPECT_EQ(L"data", ReadUtf8File(m_folder + L"to.txt"));
    EXPECT_TRUE(FileExists(m_folder + L"from.txt"));
    const CString log = Log();
    int moves = 0;
    for (int at = log.Find(L"ERR: Error moving file from"); at >= 0; at = log.Find(L"ERR: Error moving file from", at + 1))
        ++moves;
    EXPECT_EQ(5, moves);
    EXPECT_TRUE(Contains(log, L"File successfully copied from"));

    EXPECT_TRUE(MoveFileWithRetry(m_folder + L"from.txt", m_folder + L"moved.txt"));
    EXPECT_FALSE(FileExists(m_folder + L"from.txt"));
}

TEST_F(FileUtilTest, FolderCreationAndTests)
{
    EXPECT_TRUE(CreateFolderTree(m_folder + L"x\\y\\z\\", nullptr));
    EXPECT_TRUE(IsFolder(m_folder + L"x\\y\\z"));
    EXPECT_TRUE(IsFolder(m_folder + L"x\\y\\\\\\"));
    EXPECT_TRUE(IsFolderByStatus(m_folder + L"x\\y\\"));
    EXPECT_TRUE(IsFolder(L"D:"));
    Write(L"file.txt");
    SetLastError(0);
    EXPECT_FALSE(CreateFolderTree(m_folder + L"file.txt", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_FALSE(EnsureFolderExists(m_folder + L"file.txt"));
    EXPECT_FALSE(IsFolder(m_folder + L"file.txt"));
    EXPECT_TRUE(EnsureFolderExists(m_folder + L"p\\q"));
    EXPECT_TRUE(AssureDirExists(m_folder + L"p\\q\\r"));
    EXPECT_FALSE(AssureDirExists(m_folder + L"file.txt"));
    EXPECT_FALSE(AssureDirExists(m_folder + L"no\\parents"));

    ULONGLONG size = 99;
    EXPECT_TRUE(GetFileSizeOfPath(m_folder + L"file.txt", size));
    EXPECT_EQ(1u, size);
    size = 99;
    EXPECT_FALSE(GetFileSizeOfPath(m_folder + L"none.txt", size));
    EXPECT_EQ(99u, size);
}

TEST_F(FileUtilTest, TempNamesAndTimestampsNeverRepeat)
{
    std::set<std::wstring> names, stamps;
    for (int i = 0; i < 200; ++i)
    {
        CString name;
        ASSERT_TRUE(MakeTempFileName(L"tmp", name));
        EXPECT_TRUE(names.insert(name.Std()).second) << name.ToNarrow();
        stamps.insert(GetTimestampString().Std());
    }
    EXPECT_EQ(200u, stamps.size());
    EXPECT_EQ(19u, stamps.begin()->size());

    wchar_t saved[MAX_PATH * 2] = {};
    GetEnvironmentVariableW(L"TMP", saved, MAX_PATH * 2);
    const CString longTemp = m_folder + CString(L'x', 300);
    SetEnvironmentVariableW(L"TMP", longTemp);
    SetEnvironmentVariableW(L"TEMP", longTemp);
    CString name(L"unchanged");
    EXPECT_FALSE(MakeTempFileName(L"tmp", name));
    SetEnvironmentVariableW(L"TMP", saved);
    SetEnvironmentVariableW(L"TEMP", saved);
    EXPECT_TRUE(Contains(Log(), L"GetTempPath returned"));
}
