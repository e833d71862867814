// Folders that no recursive removal may take, in the forms that reach them by another name:
// device paths, hidden administrative shares, and the profiles of other accounts (listed under
// ProfileList), which over-the-shoulder elevation puts beside the account that runs the setup.

#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "support/ProtectedFolders.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace
{
const wchar_t kProfileListKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-9150-9150-9150-1001";
const wchar_t kOtherProfile[] = L"D:\\tests\\protected_other_profile\\Kim";
const wchar_t* const kProfileParts[] = { L"", L"\\Desktop", L"\\Documents", L"\\Downloads", L"\\Music", L"\\Pictures",
                                         L"\\Videos", L"\\AppData\\Roaming", L"\\AppData\\Local" };

void DeleteProfileEntry()
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProfileListKey);
}

bool WriteProfileEntry()
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProfileListKey, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const CString value(kOtherProfile);
    const LONG result = RegSetValueExW(hKey, L"ProfileImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.GetString()),
                                       (value.GetLength() + 1) * sizeof(wchar_t));
    RegCloseKey(hKey);
    return result == ERROR_SUCCESS;
}

DWORD RunCleanupProgram(const CString& folder)
{
    CChildProcess cleanup;
    if (!cleanup.Start(BinFolder() + L"VantolinSetupCleanup.exe", L"/p 0 /d \"" + folder + L"\"", BinFolder()))
        return static_cast<DWORD>(-1);
    const DWORD code = cleanup.Wait(30000);
    if (code == STILL_ACTIVE)
        TerminateProcess(cleanup.GetHandle(), 1);
    return code;
}
}

TEST(ProtectedForms, DevicePathsAndHiddenSharesAreNeverRemoved)
{
    const CString folder = FreshTestFolder(L"protected_forms");
    ASSERT_TRUE(CreateDirectoryW(folder + L"x", nullptr));
    ASSERT_TRUE(WriteTextFile(folder + L"x\\keep.txt", "keep"));
    const CString paths[] = {
        L"\\\\?\\D:\\tests\\protected_forms\\x",   L"\\\\.\\D:\\tests\\protected_forms\\x",
        L"\\??\\D:\\tests\\protected_forms\\x",     L"\\\\localhost\\D$\\tests\\protected_forms\\x",
        L"\\\\LOCALHOST\\admin$\\Temp",              L"\\\\server\\c$",
    };
    for (const CString& path : paths)
    {
        EXPECT_TRUE(IsProtectedFolder(path)) << path.ToNarrow();
        EXPECT_FALSE(RemoveDirectoryRec(path)) << path.ToNarrow();
        EXPECT_EQ(87u, RunCleanupProgram(path)) << path.ToNarrow();
    }
    EXPECT_TRUE(FileExists(folder + L"x\\keep.txt"));
    EXPECT_FALSE(IsProtectedFolder(L"\\\\server\\share$name\\x")) << "only a share whose name ends in $ is hidden";
}

TEST(ProtectedForms, SystemWideFoldersAreProtected)
{
    wchar_t windows[MAX_PATH + 1] = {}, common[MAX_PATH + 1] = {}, data[MAX_PATH + 1] = {};
    ASSERT_TRUE(GetWindowsDirectoryW(windows, MAX_PATH));
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT, common)));
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, data)));
    for (const CString& path : { CString(windows) + L"\\Sysnative", CString(windows) + L"\\SysNative\\", CString(common),
                                 CString(data) })
        EXPECT_TRUE(IsProtectedFolder(path)) << path.ToNarrow();
    EXPECT_FALSE(IsProtectedFolder(CString(common) + L"\\Vantolin"));
}

// Runs in a copy of this program started after the ProfileList entry was written: the list of
// protected folders is read once per process.
TEST(ProtectedProfilesChild, AnotherAccountsProfileIsProtected)
{
    if (!IsChildTestRun())
        GTEST_SKIP() << "runs in a copy of this program";
    for (const wchar_t* pszPart : kProfileParts)
    {
        const CString path = CString(kOtherProfile) + pszPart;
        EXPECT_TRUE(IsProtectedFolder(path)) << path.ToNarrow();
        EXPECT_FALSE(RemoveDirectoryRec(path)) << path.ToNarrow();
        EXPECT_FALSE(CFileUtils::CleanUpFolderRecursively(path, L"", 0)) << path.ToNarrow();
    }
    // What the product or the user put inside a profile folder is an ordinary folder.
    EXPECT_TRUE(RemoveDirectoryRec(CString(kOtherProfile) + L"\\Documents\\Old Setup"));
}

TEST(ProtectedProfiles, AnotherAccountsProfileIsNeverRemoved)
{
    DeleteProfileEntry(); // a run that ended early may have left it
    FreshTestFolder(L"protected_other_profile");
    for (const wchar_t* pszPart : kProfileParts)
    {
        CreateFolderTree(CString(kOtherProfile) + pszPart, nullptr);
        ASSERT_TRUE(WriteTextFile(CString(kOtherProfile) + pszPart + L"\\keep.txt", "keep"));
    }
    ASSERT_TRUE(CreateDirectoryW(CString(kOtherProfile) + L"\\Documents\\Old Setup", nullptr));
    ASSERT_TRUE(WriteProfileEntry());

    const CString copyFolder = FreshTestFolder(L"protected_profiles_copy");
    EXPECT_EQ(0u, RunTestProgramCopy(copyFolder, L"ProtectedProfiles_test.exe",
                                     "ProtectedProfilesChild.AnotherAccountsProfileIsProtected", 60000));
    for (const wchar_t* pszPart : { L"", L"\\Documents", L"\\AppData\\Roaming" })
        EXPECT_EQ(87u, RunCleanupProgram(CString(kOtherProfile) + pszPart)) << CString(pszPart).ToNarrow();
    DeleteProfileEntry();

    for (const wchar_t* pszPart : kProfileParts)
        EXPECT_TRUE(FileExists(CString(kOtherProfile) + pszPart + L"\\keep.txt")) << CString(pszPart).ToNarrow();
    EXPECT_FALSE(PathExistsHere(CString(kOtherProfile) + L"\\Documents\\Old Setup")) << "the copy's test ran";
}
