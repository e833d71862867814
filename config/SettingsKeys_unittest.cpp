// The product's settings on a fresh root: defaults, the user-default fallback, the accessors,
// the TempFolder check and the standard folders (the temporary-folder fallback runs in a child
// of this program whose TMP and TEMP name a path longer than the system's buffer).

#include "config/ProductFolders.h"
#include "config/QMConfigImplementation.h"
#include "config/QMConfigSection.h"
#include "config/QMModule.h"
#include "config/SettingsKeys.h"
#include "support/FileUtil.h"
#include "support/Folders.h"
#include "support/PathUtil.h"
#include "support/Registry.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TraceCapture.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace
{
const wchar_t kRoot[] = L"VantolinTests_SettingsKeys";
const wchar_t kRootPath[] = L"SOFTWARE\\Quillmark\\VantolinTests_SettingsKeys";

class SettingsKeysTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "settingskeys_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        RemoveStoreRoot(kRoot);
    }
    void TearDown() override
    {
        RemoveStoreRoot(kRoot);
        CTracedTest::TearDown();
    }
};

CString MusicFolder()
{
    wchar_t buf[MAX_PATH + 1] = {};
    SHGetSpecialFolderPathW(nullptr, buf, CSIDL_MYMUSIC, TRUE);
    CString folder(buf);
    AppendBackslash(folder);
    return folder;
}
}

TEST_F(SettingsKeysTest, DefaultsOnAFreshRootAndTheTempFolderCheck)
{
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, CString(kRootPath) + L".default\\Common", L"Language", REG_SZ, L"nl",
                               nullptr, 0));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, CString(kRootPath) + L"\\Common", L"TempFolder", REG_SZ,
                               L"D:\\tests\\no\\such\\folder", nullptr, 0));
    QMConfigImplementation store;
    store.SetRoot(kRoot, QMCONFIG_MODE_AUTO);
    CQMModule module(L"Vantolin", L"9109k");
    InitializeSharedSettingsKeys(&store);
    InitializeProductSettingsKeys(&store, &module);

    QMConfigSection* pCommon = store.GetSection(QMCONFIG_LOCAL, L"Common");
    const struct
    {
        const wchar_t* name;
        CString value;
    } locals[] = {
        { L"AppWidth", L"-1" },          { L"HTTPProxy", L"1" },        { L"CloseButtonAction", L"AskUser" },
        { L"TraceLevel", L"None" },      { L"AppGuiMPFolded", L"0" },   { L"StartVantolinNotifierWithWindows", L"1" },
        { L"OutputFolder", MusicFolder() }, { L"ImportExportFolder", MusicFolder() }, { L"Language", L"nl" },
        { L"LoginAnonymousBaseUrl", L"https://sync.quillmark.com/ano/1.1/" },
    };
    for (const auto& l : locals)
        EXPECT_EQ(l.value, store.GetStringValue(store.GetKey(pCommon, l.name, L"other"))) << CString(l.name).ToNarrow();
    QMConfigSection* pGlobal = store.GetSection(QMCONFIG_GLOBAL, L"Common");
    EXPECT_EQ(L"http://shop.quillmark.com/update_available_tpl.php",
              store.GetStringValue(store.GetKey(pGlobal, L"UpdateCheckUrl", L"")));

    // A missing TempFolder was replaced by the default folder, which now exists.
    CString expectedTemp = GetWindowsTempDir();
    AppendPathPart(expectedTemp, L"Quillmark");
    EXPECT_EQ(expectedTemp, GetTempFolderSetting());
    EXPECT_TRUE(FolderExists(expectedTemp));
    EXPECT_EQ(expectedTemp, GetRegString(HKEY_CURRENT_USER, CString(kRootPath) + L"\\Common", L"TempFolder", 0));
    EXPECT_EQ(L"9109k", GetProductEditionName());

    // Accessors; an empty Language reads "en".
    EXPECT_EQ(L"nl", GetLanguageSetting());
    SetLanguageSetting(L"");
    EXPECT_EQ(L"en", GetLanguageSetting());
    SetPartnerId(L"11082");
    SetAffiliateId(L"a7");
    EXPECT_EQ(L"11082", GetPartnerId());
    EXPECT_EQ(L"a7", GetAffiliateId());
    EXPECT_EQ(L"11082", GetRegString(HKEY_LOCAL_MACHINE, CString(kRootPath) + L"\\Common", L"PartnerId", 0));
    SetStartVantolinNotifierWithWindows(false);
    EXPECT_EQ(L"0", GetRegString(HKEY_CURRENT_USER, CString(kRootPath) + L"\\Common", L"StartVantolinNotifierWithWindows", 0));

    // A second registration keeps the key objects.
    QMConfigKey* pWidth = store.GetKey(pCommon, L"AppWidth", L"");
    InitializeProductSettingsKeys(&store, &module);
    EXPECT_EQ(pWidth, store.GetKey(pCommon, L"AppWidth", L"x"));

    // Outside portable mode the product's folder is under the local application data.
    EXPECT_EQ(GetLocalAppDataFolder() + L"Quillmark\\Vantolin_9109k\\", GetLocalAppDataProductFolder());
    EXPECT_EQ(GetLocalAppDataFolder() + L"Quillmark\\Vantolin_9109k\\Log\\", GetTraceLogFolder());
    RemoveDirectoryW(GetLocalAppDataFolder() + L"Quillmark\\Vantolin_9109k\\Log");
    RemoveDirectoryW(GetLocalAppDataFolder() + L"Quillmark\\Vantolin_9109k");
}

TEST_F(SettingsKeysTest, TheTemporaryFolderFallsBackToTheSystemDrive)
{
    if (GetEnvironmentVariableW(L"VANTOLIN_TESTS_TEMP_CHILD", nullptr, 0) != 0)
    {
        // The child: the system cannot give a temporary path that fits.
        const CString expected = GetSystemDriveRoot() + L"Temp";
        EXPECT_EQ(expected, GetWindowsTempDir());
        EXPECT_TRUE(Contains(Log(), L"ERR: GetWindowsTempDir : GetTempPath failed. Error "));
        QMConfigImplementation store;
        store.SetRoot(kRoot, QMCONFIG_MODE_AUTO);
        CQMModule module(L"Vantolin", L"9109k");
        InitializeProductSettingsKeys(&store, &module);
        EXPECT_EQ(expected + L"\\Quillmark", GetTempFolderSetting());
        return;
    }
    const CString longPath = L"D:\\tests\\" + CString(L't', 300);
    SetEnvironmentVariableW(L"TMP", longPath);
    SetEnvironmentVariableW(L"TEMP", longPath);
    SetEnvironmentVariableW(L"VANTOLIN_TESTS_TEMP_CHILD", L"1");
    const CString folder = FreshTestFolder(L"settingskeys_temp_child");
    CChildProcess child;
    const bool bStarted = child.Start(BinFolder() + L"SettingsKeys_unittest.exe",
                                      L"--gtest_filter=*TheTemporaryFolderFallsBack* --gtest_output=xml:" + folder +
                                          L"result.xml",
                                      BinFolder());
    SetEnvironmentVariableW(L"VANTOLIN_TESTS_TEMP_CHILD", nullptr);
    ASSERT_TRUE(bStarted);
    EXPECT_EQ(0u, child.Wait(60000)) << ReadUtf8File(folder + L"result.xml").ToNarrow(CP_UTF8);
}
