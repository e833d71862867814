// Start-up of the built controller on the real store: what a first start writes under its
// generation's root, the portable mode beside OnUSB.cfg, the re-rooting to an unpacked
// package's generation, and generations that cannot name a folder.

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TestArea.h"
#include "tests/common/Windows.h"

#include "classlib/Handles.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

namespace
{
const wchar_t kQuillmark[] = L"SOFTWARE\\Quillmark\\";

void RemoveGeneration(const wchar_t* pszGeneration)
{
    RemoveStoreRoot(CString(L"Vantolin_") + pszGeneration);
}

// "sub\key\name=value" of every value in the tree.
void CollectValues(HKEY hive, const CString& path, const CString& prefix, std::vector<CString>& rValues)
{
    CScopedRegKey key;
    if (RegOpenKeyExW(hive, path, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i)
    {
        wchar_t name[256] = {};
        wchar_t data[1024] = {};
        DWORD nameLength = 256;
        DWORD dataBytes = sizeof(data) - sizeof(wchar_t);
        if (RegEnumValueW(key.Get(), i, name, &nameLength, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &dataBytes) !=
            ERROR_SUCCESS)
            break;
        rValues.push_back(prefix + name + L"=" + data);
    }
    for (DWORD i = 0;; ++i)
    {
        wchar_t sub[256] = {};
        DWORD subLength = 256;
        if (RegEnumKeyExW(key.Get(), i, sub, &subLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        CollectValues(hive, path + L"\\" + sub, prefix + sub + L"\\", rValues);
    }
}

CString WindowsTempQuillmark()
{
    wchar_t buf[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, buf);
    return CString(buf) + L"Quillmark";
}

bool FolderExists(const CString& path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString LocalAppData()
{
    wchar_t buf[MAX_PATH + 1] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf);
    return CString(buf) + L"\\";
}
}

TEST(QMConfigStartup, AFirstStartWritesOnlyTheTempFolder)
{
    RemoveGeneration(L"9109a");
    const CString folder = PrepareControllerFolder(L"e2e_qmconfig_fresh", L"9109a");
    const CControllerRun run = RunController(folder, L"9109a", L"", L"VantolinSetup.exe", IDOK);
    EXPECT_EQ(2u, run.exitCode);
    const CString root = kQuillmark + CString(L"Vantolin_9109a");
    std::vector<CString> user, machine;
    CollectValues(HKEY_CURRENT_USER, root, L"", user);
    CollectValues(HKEY_LOCAL_MACHINE, root, L"", machine);
    CollectValues(HKEY_LOCAL_MACHINE, root + L".default", L".default\\", machine);
    EXPECT_EQ(std::vector<CString>{ L"Common\\TempFolder=" + WindowsTempQuillmark() }, user);
    EXPECT_EQ(std::vector<CString>{}, machine);
    // The elevated run starts programs named under the generation's root: it stays closed to users.
    EXPECT_FALSE(UsersMayWrite(root));
    EXPECT_FALSE(UsersMayWrite(root + L".default"));
    RemoveGeneration(L"9109a");
}

TEST(QMConfigStartup, BesideOnUsbCfgTheStoreIsTheIniFile)
{
    RemoveGeneration(L"9109b");
    const CString folder = PrepareControllerFolder(L"e2e_qmconfig_usb", L"9109b");
    ASSERT_TRUE(WriteTextFile(folder + L"OnUSB.cfg", ""));
    CChildProcess process;
    ASSERT_TRUE(process.Start(folder + L"VantolinSetup.exe", L"", folder));
    // The run ends cancelled (no Internet, no archive) and says so.
    HWND hFinish = WaitForRunDialog(process.GetPid(), 30000);
    ASSERT_NE(nullptr, hFinish);
    PressDialogButton(hFinish, IDOK);
    EXPECT_EQ(2u, process.Wait(60000));

    const CString ini = folder + L"QMConfig.ini";
    ASSERT_TRUE(FileExists(ini));
    EXPECT_EQ(std::string("\xFF\xFE"), ReadBytes(ini).substr(0, 2));
    wchar_t temp[MAX_PATH + 1] = {};
    GetPrivateProfileStringW(L"HKCU\\SOFTWARE\\Quillmark\\Vantolin_9109b\\Common", L"TempFolder", L"", temp, MAX_PATH, ini);
    EXPECT_EQ(WindowsTempQuillmark(), CString(temp));
    const CString log = ReadProcessLogFiles(CString(temp) + L"\\Log\\setup\\", process.GetPid());
    EXPECT_TRUE(Contains(log, L"INF: Starting ORU2010 version ")) << "the log lives under TempFolder";
    std::vector<CString> user;
    CollectValues(HKEY_CURRENT_USER, kQuillmark + CString(L"Vantolin_9109b"), L"", user);
    EXPECT_EQ(std::vector<CString>{}, user) << "nothing goes to the registry";
}

// A package named by /extract_dir: outside the continuation's command line is not taken: the
// settings stay with the program's generation and none go to the package's. (Wine shows no
// folder as an elevated run's own, so no command line re-roots the store here.)
TEST(QMConfigStartup, APackageNamedOnTheCommandLineGetsNoSettings)
{
    RemoveGeneration(L"9108q");
    RemoveGeneration(L"9109c");
    const CString folder = PrepareControllerFolder(L"e2e_qmconfig_reroot", L"9109c");
    const CString extract = CopyExtractFixture(L"e2e_qmconfig_reroot_fixture");
    const CControllerRun run = RunController(folder, L"9109c", L"/extract_dir:\"" + extract + L"\"", L"VantolinSetup.exe", IDOK);
    EXPECT_EQ(2u, run.exitCode);
    std::vector<CString> user;
    CollectValues(HKEY_CURRENT_USER, kQuillmark + CString(L"Vantolin_9108q"), L"", user);
    EXPECT_EQ(std::vector<CString>{}, user);
    CollectValues(HKEY_CURRENT_USER, kQuillmark + CString(L"Vantolin_9109c"), L"", user);
    EXPECT_EQ(std::vector<CString>{ L"Common\\TempFolder=" + WindowsTempQuillmark() }, user);
    EXPECT_FALSE(Contains(run.log, L"QMConfigImplementation::SetRoot"));
    EXPECT_TRUE(Contains(run.log, L"WRN: CoruApp::ReadCommandLine : ignoring /extract_dir:["));
    RemoveGeneration(L"9108q");
    RemoveGeneration(L"9109c");
}

TEST(QMConfigStartup, AGenerationThatCannotNameAFolderIsRefused)
{
    // From oru.ini: the run ends in the start checks; the log goes to the default generation's.
    const CString escape = LocalAppData() + L"vantolin_tests_9109x";
    RemoveDirectoryW(escape + L"\\Log\\setup");
    RemoveDirectoryW(escape + L"\\Log");
    RemoveDirectoryW(escape);
    const CString folder = PrepareControllerFolder(L"e2e_qmconfig_badgen", L"..\\..\\..\\vantolin_tests_9109x");
    const CControllerRun run = RunController(folder, L"2011", L"");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(Contains(run.log, L"ERR: CoruApp::InitInstance : the generation [..\\..\\..\\vantolin_tests_9109x] of "
                                  L"oru.ini cannot name a folder"));
    EXPECT_FALSE(Contains(run.log, L"VerifySystemRequirements"));
    EXPECT_FALSE(FolderExists(escape));

    // Such a package named on the command line outside a continuation is not even read.
    RemoveGeneration(L"9109d");
    const CString folder2 = PrepareControllerFolder(L"e2e_qmconfig_badpkg", L"9109d");
    const CString extract = CopyExtractFixture(L"e2e_qmconfig_badpkg_fixture", L"extract_badgen");
    const CControllerRun run2 = RunController(folder2, L"9109d", L"/extract_dir:\"" + extract + L"\"", L"VantolinSetup.exe", IDOK);
    EXPECT_EQ(2u, run2.exitCode);
    EXPECT_FALSE(Contains(run2.log, L"UpdateProductPropertiesFromMsi"));
    EXPECT_FALSE(Contains(run2.log, L"QMConfigImplementation::SetRoot"));
    RemoveGeneration(L"9109d");
}
