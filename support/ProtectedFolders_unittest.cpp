// The protected-folder check on every form a path can take: relative, drive-relative, roots,
// 8.3 names, and the folders above a protected one.

#include "support/FileUtil.h"
#include "support/ProtectedFolders.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace
{
CString ShellFolder(int csidl)
{
    wchar_t buf[MAX_PATH + 1] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

CString Parent(const CString& path)
{
    return path.Left(path.ReverseFind(L'\\'));
}
}

TEST(ProtectedFolders, PathsThatAreNotAbsoluteOrAreRootsAreProtected)
{
    const wchar_t* paths[] = {
        L"",
        L"   ",
        L".",
        L"..",
        L"sub",
        L"sub\\deeper",
        L"\\",
        L"\\tests",
        L"D:",
        L"D:tests",
        L"d:tests\\x",
        L"D:\\",
        L"D:/",
        L"D:\\tests\\a\\..\\..",
        L"D:\\tests\\..\\.",
        L"\\\\server\\share",
        L"\\\\server\\share\\",
        L"\\\\server",
        L"\\\\?\\D:\\tests\\x",
        L"\\\\.\\D:\\tests\\x",
    };
    for (const wchar_t* path : paths)
        EXPECT_TRUE(IsProtectedFolder(path)) << CString(path).ToNarrow();
    EXPECT_FALSE(IsProtectedFolder(L"\\\\server\\share\\folder"));
}

TEST(ProtectedFolders, ShortNamesAndFoldersAboveCount)
{
    const CString programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
    const CString profile = ShellFolder(CSIDL_PROFILE);
    ASSERT_FALSE(programFiles.IsEmpty());
    ASSERT_FALSE(profile.IsEmpty());
    const CString shortProgramFiles = ShortPathOf(programFiles);
    ASSERT_NE(programFiles, shortProgramFiles) << "this system gives Program Files no 8.3 name";

    wchar_t profiles[MAX_PATH + 1] = {};
    GetEnvironmentVariableW(L"ALLUSERSPROFILE", profiles, MAX_PATH + 1);
    const CString protectedPaths[] = {
        shortProgramFiles,
        shortProgramFiles + L"\\",
        ShortPathOf(profile),
        Parent(profile),
        Parent(profile) + L"\\",
        Parent(ShellFolder(CSIDL_LOCAL_APPDATA)),
        ShellFolder(CSIDL_COMMON_APPDATA),
        profiles,
    };
    for (const CString& path : protectedPaths)
        EXPECT_TRUE(IsProtectedFolder(path)) << path.ToNarrow();

    const CString folder = FreshTestFolder(L"protected_short");
    ASSERT_TRUE(CreateDirectoryW(folder + L"Long Folder Name", nullptr));
    const CString ordinary[] = { ShortPathOf(folder + L"Long Folder Name"), shortProgramFiles + L"\\Vantolin",
                                 profile + L"\\Documents\\Vantolin" };
    for (const CString& path : ordinary)
        EXPECT_FALSE(IsProtectedFolder(path)) << path.ToNarrow();
}

TEST(ProtectedFolders, ResolvedFormIsWhatIsChecked)
{
    const CString folder = FreshTestFolder(L"protected_resolve");
    ASSERT_TRUE(CreateDirectoryW(folder + L"Long Folder Name", nullptr));
    const CString shortName = ShortPathOf(folder + L"Long Folder Name");
    ASSERT_NE(folder + L"Long Folder Name", shortName);

    const struct
    {
        CString given;
        CString resolved;
    } cases[] = {
        { L"D:/tests/protected_resolve/x/../Long Folder Name/", folder + L"Long Folder Name" },
        { shortName + L"\\", folder + L"Long Folder Name" },
        { shortName + L"\\not yet\\there", folder + L"Long Folder Name\\not yet\\there" },
        { L"  D:\\tests\\.\\protected_resolve  ", L"D:\\tests\\protected_resolve" },
        { L"D:\\", L"D:\\" },
    };
    for (const auto& c : cases)
    {
        CString resolved;
        EXPECT_TRUE(ResolveAbsolutePath(c.given, resolved)) << c.given.ToNarrow();
        EXPECT_EQ(c.resolved, resolved) << c.given.ToNarrow();
    }
    // A stream is no folder path: "D:\tests::$INDEX_ALLOCATION" would be D:\tests itself.
    for (const wchar_t* relative : { L"", L"Long Folder Name", L"D:Long", L"\\tests", L"D:\\tests::$INDEX_ALLOCATION",
                                     L"\\\\server\\share\\a:b" })
    {
        CString resolved = L"x";
        EXPECT_FALSE(ResolveAbsolutePath(relative, resolved)) << CString(relative).ToNarrow();
        EXPECT_TRUE(resolved.IsEmpty());
    }
}
