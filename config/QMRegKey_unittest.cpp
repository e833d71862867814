// The storage back-ends and the store's cross-process locks. Registry cases run here; the
// ini-file cases run in a copy of this program placed beside OnUSB.cfg (they skip elsewhere).
// Holding the store's machine-wide mutexes from another process needs nobody else to have them
// open, hence this program's resource locks.

#include "config/ProductFolders.h"
#include "config/QMConfigImplementation.h"
#include "config/QMConfigListener.h"
#include "config/QMConfigSection.h"
#include "config/QMModule.h"
#include "config/QMRegKey.h"
#include "config/SettingsKeys.h"
#include "support/Registry.h"
#include "support/SysUtil.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/MutexHolder.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TraceCapture.h"

#include <sddl.h>
#include <shlwapi.h>

#include <memory>
#include <vector>

namespace
{
const wchar_t kQuillmark[] = L"SOFTWARE\\Quillmark\\";

bool BesideMarker()
{
    return GetFileAttributesW(CString(GetExeFolder()) + L"OnUSB.cfg") != INVALID_FILE_ATTRIBUTES;
}

class BackEndTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "qmregkey_"; }
    const CScopedCalls<CQMRegistryCalls> m_registry{ SetQMRegistryCalls, nullptr };
    void SetUp() override
    {
        CTracedTest::SetUp();
        m_root = TestStoreRoot();
        RemoveStoreRoot(m_root);
    }
    void TearDown() override
    {
        RemoveStoreRoot(m_root);
        CTracedTest::TearDown();
    }
    CString m_root;
};

// Registry calls as a user without rights under HKEY_LOCAL_MACHINE sees them.
struct CRegistryRefusals
{
    static bool s_refuseAllUsers;
    static bool s_refuseCreate;
    static bool s_refuseWritableOpen;
    static std::vector<std::pair<CString, bool>> s_creates;
    static LONG WINAPI Create(HKEY hHive, LPCWSTR pszPath, DWORD reserved, LPWSTR pszClass, DWORD options, REGSAM sam,
                              LPSECURITY_ATTRIBUTES pSecurity, PHKEY phKey, LPDWORD pDisposition)
    {
        s_creates.push_back(std::make_pair(CString(pszPath), pSecurity != nullptr));
        if (hHive == HKEY_LOCAL_MACHINE && (s_refuseCreate || (s_refuseAllUsers && pSecurity)))
            return ERROR_ACCESS_DENIED;
        return RegCreateKeyExW(hHive, pszPath, reserved, pszClass, options, sam, pSecurity, phKey, pDisposition);
    }
    static LONG WINAPI Open(HKEY hHive, LPCWSTR pszPath, DWORD options, REGSAM sam, PHKEY phKey)
    {
        if (hHive == HKEY_LOCAL_MACHINE && s_refuseWritableOpen && (sam & KEY_SET_VALUE))
            return ERROR_ACCESS_DENIED;
        return RegOpenKeyExW(hHive, pszPath, options, sam, phKey);
    }
};
bool CRegistryRefusals::s_refuseAllUsers = false;
bool CRegistryRefusals::s_refuseCreate = false;
bool CRegistryRefusals::s_refuseWritableOpen = false;
std::vector<std::pair<CString, bool>> CRegistryRefusals::s_creates;

// What the section keys are made with, and a user who has only the rights the all-users
// descriptor gives under HKEY_LOCAL_MACHINE (Wine keeps no list given at creation).
struct CDescriptorRecorder
{
    struct CCreate
    {
        CString path;
        REGSAM sam;
        std::vector<std::pair<CString, ACCESS_ALLOWED_ACE>> aces; // by SID text
    };
    static std::vector<CCreate> s_creates;
    static std::vector<REGSAM> s_opens;
    static bool s_asUser;
    static bool UserMay(REGSAM sam) { return (sam & ~(KEY_READ | KEY_SET_VALUE | KEY_WOW64_64KEY | KEY_WOW64_32KEY)) == 0; }
    static LONG WINAPI Create(HKEY hHive, LPCWSTR pszPath, DWORD reserved, LPWSTR pszClass, DWORD options, REGSAM sam,
                              LPSECURITY_ATTRIBUTES pSecurity, PHKEY phKey, LPDWORD pDisposition)
    {
        CCreate create = { pszPath, sam, {} };
        BOOL present = FALSE, defaulted = FALSE;
        PACL pDacl = nullptr;
        if (pSecurity && GetSecurityDescriptorDacl(pSecurity->lpSecurityDescriptor, &present, &pDacl, &defaulted))
            for (DWORD i = 0; pDacl && i < pDacl->AceCount; ++i)
            {
                ACCESS_ALLOWED_ACE* pAce = nullptr;
                wchar_t* pszSid = nullptr;
                if (GetAce(pDacl, i, reinterpret_cast<void**>(&pAce)) && ConvertSidToStringSidW(&pAce->SidStart, &pszSid))
                {
                    create.aces.push_back(std::make_pair(CString(pszSid), *pAce));
                    LocalFree(pszSid);
                }
            }
        s_creates.push_back(create);
        if (hHive == HKEY_LOCAL_MACHINE && s_asUser)
        {
            // The keys exist: a user opens them with what the lists give, and creates nothing.
            if (!UserMay(sam))
                return ERROR_ACCESS_DENIED;
            const LONG result = RegOpenKeyExW(hHive, pszPath, 0, sam, phKey);
            return result == ERROR_FILE_NOT_FOUND ? ERROR_ACCESS_DENIED : result;
        }
        return RegCreateKeyExW(hHive, pszPath, reserved, pszClass, options, sam, pSecurity, phKey, pDisposition);
    }
    static LONG WINAPI Open(HKEY hHive, LPCWSTR pszPath, DWORD options, REGSAM sam, PHKEY phKey)
    {
        s_opens.push_back(sam);
        if (hHive == HKEY_LOCAL_MACHINE && s_asUser && !UserMay(sam))
            return ERROR_ACCESS_DENIED;
        return RegOpenKeyExW(hHive, pszPath, options, sam, phKey);
    }
};
std::vector<CDescriptorRecorder::CCreate> CDescriptorRecorder::s_creates;
std::vector<REGSAM> CDescriptorRecorder::s_opens;
bool CDescriptorRecorder::s_asUser = false;
}

TEST_F(BackEndTest, RegistryValuesReadWhole)
{
    const CString path = kQuillmark + m_root + L"\\Values";
    QMRegKey key;
    EXPECT_EQ(L"", key.Read(L"x")) << "not open";
    EXPECT_FALSE(key.Write(L"x", L"y"));
    key.Create(1, path, false);
    ASSERT_TRUE(key.IsOpen());
    const CString big(L'q', 2499); // 5000 bytes with the terminator
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, path, L"Big", REG_SZ, big, nullptr, 0));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, path, L"Expand", REG_EXPAND_SZ, L"%TEMP%", nullptr, 0));
    EXPECT_EQ(big, key.Read(L"Big"));
    EXPECT_TRUE(key.Exists(L"Expand"));
    EXPECT_EQ(L"", key.Read(L"Expand"));
    EXPECT_FALSE(key.Exists(L"Missing"));
    EXPECT_EQ(L"", key.Read(L"Missing"));
    EXPECT_TRUE(key.Write(L"Plain", L"text"));
    EXPECT_EQ(L"text", GetRegString(HKEY_CURRENT_USER, path, L"Plain", 0));
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"QMConfig: Could not read value of key 'Expand' from registry!"));
    EXPECT_TRUE(Contains(log, L"QMConfig: Could not read value of key 'Missing' from registry!"));
    EXPECT_FALSE(Contains(log, L"'Big'"));
}

TEST_F(BackEndTest, SharedKeysGetTheAllUsersDescriptorTheirParentsDoNot)
{
    static const CQMRegistryCalls recording = { CRegistryRefusals::Create, CRegistryRefusals::Open };
    CRegistryRefusals::s_creates.clear();
    CRegistryRefusals::s_refuseAllUsers = CRegistryRefusals::s_refuseCreate = false;
    CRegistryRefusals::s_refuseWritableOpen = false;
    m_registry.Install(&recording);
    const CString generationRoot = kQuillmark + m_root;
    {
        QMRegKey key;
        key.Create(0, generationRoot + L"\\Common", true);
        EXPECT_TRUE(key.IsOpen());
    }
    // Every parent, one by one, with default security; only the section key with the descriptor.
    const std::vector<std::pair<CString, bool>> expected = {
        { L"SOFTWARE", false }, { L"SOFTWARE\\Quillmark", false }, { generationRoot, false },
        { generationRoot + L"\\Common", true } };
    EXPECT_EQ(expected, CRegistryRefusals::s_creates);
    // Where the registry keeps access lists, they show it too.
    EXPECT_FALSE(UsersMayWrite(generationRoot));
    const bool bListsKept = UsersMayWrite(generationRoot + L"\\Common");
    if (!bListsKept)
        std::printf("note: this registry does not keep the access list given at creation; the create calls show the rule\n");
    EXPECT_FALSE(Contains(Log(), L"QMRegKey::Create")) << "a create that succeeds at once writes no line";
}

// Users and Power Users read the shared section keys and set their values, nothing else: no
// subkey, no registry link, no change of the list or the owner, and nothing passed on to
// subkeys. The store asks for no more than that, so a user's writes still reach the key.
TEST_F(BackEndTest, SharedKeysLetUsersReadAndSetValuesOnly)
{
    static const CQMRegistryCalls recording = { CDescriptorRecorder::Create, CDescriptorRecorder::Open };
    CDescriptorRecorder::s_creates.clear();
    CDescriptorRecorder::s_asUser = false;
    m_registry.Install(&recording);
    const CString section = kQuillmark + m_root + L"\\Shared";
    {
        QMRegKey key;
        key.Create(0, section, true);
        ASSERT_TRUE(key.IsOpen());
        EXPECT_TRUE(key.Write(L"Partner", L"admin"));
    }
    ASSERT_FALSE(CDescriptorRecorder::s_creates.empty());
    const CDescriptorRecorder::CCreate& made = CDescriptorRecorder::s_creates.back();
    EXPECT_EQ(section, made.path);
    EXPECT_EQ(static_cast<REGSAM>(KEY_READ | KEY_SET_VALUE), made.sam);
    const ACCESS_MASK forbidden = GENERIC_ALL | GENERIC_WRITE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | WRITE_DAC |
                                  WRITE_OWNER | DELETE;
    const BYTE passOn = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    int users = 0, powerUsers = 0;
    for (const auto& entry : made.aces)
    {
        const ACCESS_ALLOWED_ACE& ace = entry.second;
        SCOPED_TRACE(entry.first.ToNarrow());
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace.Header.AceType);
        if (entry.first == L"S-1-5-32-545" || entry.first == L"S-1-5-32-547")
        {
            (entry.first == L"S-1-5-32-545" ? users : powerUsers)++;
            EXPECT_EQ(static_cast<ACCESS_MASK>(KEY_READ | KEY_SET_VALUE), ace.Mask);
            EXPECT_EQ(0, ace.Header.AceFlags & (passOn | INHERIT_ONLY_ACE)) << "the key itself only";
        }
        else if (entry.first == L"S-1-3-0")
            EXPECT_TRUE(ace.Header.AceFlags & INHERIT_ONLY_ACE) << "the creator of a subkey, never the key itself";
        else
        {
            EXPECT_TRUE(entry.first == L"S-1-5-18" || entry.first == L"S-1-5-32-544");
            EXPECT_EQ(static_cast<ACCESS_MASK>(GENERIC_ALL), ace.Mask);
        }
        if (entry.first != L"S-1-5-18" && entry.first != L"S-1-5-32-544" && entry.first != L"S-1-3-0")
            EXPECT_EQ(0u, ace.Mask & forbidden);
    }
    EXPECT_EQ(1, users);
    EXPECT_EQ(1, powerUsers);

    // Another user's product opens the section the administrator's run made and writes to it.
    CDescriptorRecorder::s_asUser = true;
    CDescriptorRecorder::s_opens.clear();
    {
        QMConfigImplementation store;
        store.SetRoot(m_root, QMCONFIG_MODE_AUTO);
        QMConfigKey* pPartner = store.GetKey(store.GetSection(QMCONFIG_GLOBAL, L"Shared"), L"Partner", L"dflt");
        EXPECT_EQ(L"admin", store.GetStringValue(pPartner));
        store.SetStringValue(pPartner, L"user");
    }
    CDescriptorRecorder::s_asUser = false;
    EXPECT_EQ(L"user", GetRegString(HKEY_LOCAL_MACHINE, section, L"Partner", 0));
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"QMConfig: global section [Shared] opened read-write.")) << log.ToNarrow();
    EXPECT_FALSE(Contains(log, L"QMRegKey::Create")) << log.ToNarrow();
    for (REGSAM sam : CDescriptorRecorder::s_opens)
        EXPECT_TRUE(CDescriptorRecorder::UserMay(sam)) << std::hex << sam;
}

TEST_F(BackEndTest, RefusedRegistryRightsGiveTheFallbackAndReadOnlySections)
{
    static const CQMRegistryCalls refusing = { CRegistryRefusals::Create, CRegistryRefusals::Open };
    m_registry.Install(&refusing);
    const CString sectionPath = kQuillmark + m_root + L"\\Shared";
    const struct
    {
        bool refuseAllUsers;
        bool refuseCreate;
        const wchar_t* fallbackLine;
        bool readWrite;
    } cases[] = {
        { true, false, L"Creating it with default rights succeeded.", true },
        { true, true, L"Creating it with default rights failed.", false },
    };
    for (const auto& c : cases)
    {
        RemoveStoreRoot(m_root);
        ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, sectionPath, L"Stored", REG_SZ, L"machine", nullptr, 0));
        CRegistryRefusals::s_refuseAllUsers = c.refuseAllUsers;
        CRegistryRefusals::s_refuseCreate = c.refuseCreate;
        CRegistryRefusals::s_refuseWritableOpen = c.refuseCreate;
        QMConfigImplementation store;
        store.SetRoot(m_root, QMCONFIG_MODE_AUTO);
        QMConfigSection* pSection = store.GetSection(QMCONFIG_GLOBAL, L"Shared");
        QMConfigKey* pStored = store.GetKey(pSection, L"Stored", L"dflt");
        EXPECT_EQ(L"machine", store.GetStringValue(pStored)) << "read-only sections still read";
        store.SetStringValue(pStored, L"changed");
        EXPECT_EQ(c.readWrite ? L"changed" : L"machine", store.GetStringValue(pStored))
            << "a refused write leaves the cache at what storage holds";
        EXPECT_EQ(c.readWrite ? L"changed" : L"machine", GetRegString(HKEY_LOCAL_MACHINE, sectionPath, L"Stored", 0));
        const CString log = Log();
        EXPECT_TRUE(Contains(log, CString(L"QMRegKey::Create: Couldn't create the global key ") + sectionPath +
                                      L" with full access rights for all users. " + c.fallbackLine));
        EXPECT_EQ(!c.readWrite, Contains(log, L"QMConfig: global section [Shared] opened read-only. WARNING: Global "
                                              L"settings cannot be saved!"));
    }
    // Writes to a section without any storage vanish quietly: the key reads its default.
    CRegistryRefusals::s_refuseCreate = true;
    CRegistryRefusals::s_refuseWritableOpen = true;
    RemoveStoreRoot(m_root);
    QMConfigImplementation store;
    store.SetRoot(m_root, QMCONFIG_MODE_AUTO);
    QMConfigKey* pKey = store.GetKey(store.GetSection(QMCONFIG_USER_DEFAULT, L"Gone"), L"k", L"dflt");
    store.SetStringValue(pKey, L"v");
    EXPECT_EQ(L"dflt", store.GetStringValue(pKey));
    CRegistryRefusals::s_refuseCreate = CRegistryRefusals::s_refuseWritableOpen = CRegistryRefusals::s_refuseAllUsers = false;
}

TEST_F(BackEndTest, ACommitWaitsForTheTransactionMutexAndAScanGivesUpAfterASecond)
{
    const wchar_t kScanTimeout[] =
        L"QMConfig: Couldn't get system mutex for receiving notifications (reached 1s timeout).";
    QMConfigImplementation store;
    store.SetRoot(m_root, QMCONFIG_MODE_AUTO);
    QMConfigSection* pSection = store.GetSection(QMCONFIG_LOCAL, L"Common");
    QMConfigKey* pKey = store.GetKey(pSection, L"k", L"0");
    CRecordingListener listener;
    store.Subscribe(pSection, &listener);
    {
        CMutexHolder holder(L"QMCONFIG_TRANSACTION_MUTEX", false, 8000);
        ASSERT_TRUE(holder.IsStarted());
        const DWORD heldSince = GetTickCount();
        ASSERT_TRUE(store.Initialize());
        for (int i = 0; i < 200 && !Contains(Log(), kScanTimeout); ++i)
            Sleep(50);
        EXPECT_TRUE(Contains(Log(), kScanTimeout));
        store.BeginTransaction();
        store.SetStringValue(pKey, L"1");
        store.EndTransaction();
        // The holder sleeps 8 s after taking the mutex; a commit that did not wait is back far sooner.
        EXPECT_GE(GetTickCount() - heldSince, 7000u) << "the commit returned while another process held the mutex";
    }
    EXPECT_EQ(L"1", GetRegString(HKEY_CURRENT_USER, kQuillmark + m_root + L"\\Common", L"k", 0));
    EXPECT_TRUE(listener.WaitForCall(20000)) << "scans go on after the holder ended";
    store.Uninitialize();
    store.Unsubscribe(pSection, &listener);
}

// Runs the ini-file cases in a copy of this program beside OnUSB.cfg.
TEST_F(BackEndTest, IniFileModeInACopyBesideTheMarker)
{
    if (BesideMarker())
        GTEST_SKIP() << "this is the copy";
    const CString folder = FreshTestFolder(L"qmregkey_usb");
    ASSERT_TRUE(CopyInto(L"QMRegKey_unittest.exe", folder));
    ASSERT_TRUE(CopyInto(L"StandIn.exe", folder));
    ASSERT_TRUE(WriteTextFile(folder + L"OnUSB.cfg", ""));
    CChildProcess child;
    ASSERT_TRUE(child.Start(folder + L"QMRegKey_unittest.exe",
                            L"--gtest_filter=IniFile* --gtest_output=xml:" + folder + L"result.xml", folder));
    const DWORD code = child.Wait(180000);
    EXPECT_EQ(0u, code) << ReadUtf8File(folder + L"result.xml").ToNarrow(CP_UTF8);
}

class IniFileTest : public BackEndTest
{
protected:
    void SetUp() override
    {
        BackEndTest::SetUp();
        if (!BesideMarker())
            GTEST_SKIP() << "runs in the copy beside OnUSB.cfg";
        m_ini = CString(GetExeFolder()) + L".\\QMConfig.ini";
        DeleteFileW(m_ini);
        m_store.reset(new QMConfigImplementation());
        m_store->SetRoot(m_root, QMCONFIG_MODE_AUTO);
        m_section = L"HKCU\\SOFTWARE\\Quillmark\\" + m_root + L"\\Common";
    }
    void TearDown() override
    {
        m_store.reset();
        BackEndTest::TearDown();
    }
    CString Profile(const wchar_t* pszName)
    {
        wchar_t buf[8192] = {};
        GetPrivateProfileStringW(m_section, pszName, L"<missing>", buf, 8192, m_ini);
        return buf;
    }
    CString m_ini;
    CString m_section;
    std::unique_ptr<QMConfigImplementation> m_store;
};

TEST_F(IniFileTest, TheFileIsWhatTheProfileFunctionsReadAndWrite)
{
    EXPECT_TRUE(m_store->UsesIniFile());
    EXPECT_EQ(m_ini, m_store->GetIniFilePath());
    EXPECT_EQ(std::string("\xFF\xFE"), ReadBytes(m_ini)) << "a new file holds only the byte-order mark";

    ASSERT_TRUE(WritePrivateProfileStringW(m_section, L"Empty", L"", m_ini));
    ASSERT_TRUE(WritePrivateProfileStringW(m_section, L"Sentinel", L"foo0815bar4711", m_ini));
    const CString long3000(L'z', 3000);
    ASSERT_TRUE(WritePrivateProfileStringW(m_section, L"Long", long3000, m_ini));
    QMConfigSection* pCommon = m_store->GetSection(QMCONFIG_LOCAL, L"Common");
    const struct
    {
        const wchar_t* name;
        CString expected;
    } reads[] = { { L"Empty", L"" }, { L"Missing", L"dflt" }, { L"Sentinel", L"dflt" }, { L"Long", long3000 } };
    for (const auto& r : reads)
        EXPECT_EQ(r.expected, m_store->GetStringValue(m_store->GetKey(pCommon, r.name, L"dflt")))
            << CString(r.name).ToNarrow();

    QMConfigKey* pLanguage = m_store->GetKey(pCommon, L"Language", L"en");
    m_store->SetStringValue(pLanguage, L"en");
    EXPECT_EQ(L"<missing>", Profile(L"Language")) << "the default is not written";
    m_store->SetStringValue(pLanguage, L"de");
    EXPECT_EQ(L"de", Profile(L"Language"));
    // An outside change is compared with, not the stale cache.
    ASSERT_TRUE(WritePrivateProfileStringW(m_section, L"Language", L"fr", m_ini));
    m_store->SetStringValue(pLanguage, L"de");
    EXPECT_EQ(L"de", Profile(L"Language"));
    // User-default values live in the same file under their own section name.
    ASSERT_TRUE(WritePrivateProfileStringW(L"HKLM\\SOFTWARE\\Quillmark\\" + m_root + L".default\\Common", L"Skin",
                                           L"dark", m_ini));
    EXPECT_EQ(L"dark", m_store->GetStringValue(m_store->GetKey(pCommon, L"Skin", L"light")));
    const std::string bytes = ReadBytes(m_ini);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(std::string("\xFF\xFE"), bytes.substr(0, 2)) << "the file stays UTF-16LE";
}

TEST_F(IniFileTest, ListenersHearOnlyThisProcessesWrites)
{
    QMConfigSection* pCommon = m_store->GetSection(QMCONFIG_LOCAL, L"Common");
    QMConfigKey* pA = m_store->GetKey(pCommon, L"A", L"a0");
    m_store->GetKey(pCommon, L"B", L"b0");
    CRecordingListener listener;
    m_store->Subscribe(pCommon, &listener);
    ASSERT_TRUE(m_store->Initialize());
    ASSERT_TRUE(WritePrivateProfileStringW(m_section, L"B", L"b1", m_ini));
    // Two full scans of the ini pace without a call.
    EXPECT_FALSE(listener.WaitForCall(7000));
    m_store->SetStringValue(pA, L"a1");
    ASSERT_TRUE(listener.WaitForCall(20000));
    m_store->Uninitialize();
    EXPECT_EQ(std::vector<CString>{ L"A" }, listener.Names());
}

TEST_F(IniFileTest, ABusySettingsFileKeepsTheCachedValue)
{
    ASSERT_TRUE(WritePrivateProfileStringW(m_section, L"Stored", L"disk", m_ini));
    QMConfigSection* pCommon = m_store->GetSection(QMCONFIG_LOCAL, L"Common");
    QMConfigKey* pKnown = m_store->GetKey(pCommon, L"Stored", L"dflt");
    ASSERT_EQ(L"disk", m_store->GetStringValue(pKnown));
    {
        CMutexHolder holder(L"QMConfigSettingsFileMutex", false);
        ASSERT_TRUE(holder.IsStarted());
        QMConfigKey* pNew = m_store->GetKey(pCommon, L"Other", L"dflt");
        EXPECT_EQ(L"dflt", m_store->GetStringValue(pNew)) << "nothing read: the default";
        m_store->SetStringValue(pKnown, L"mine");
        EXPECT_EQ(L"disk", m_store->GetStringValue(pKnown)) << "a dropped write keeps what storage holds";
    }
    EXPECT_EQ(L"disk", Profile(L"Stored"));
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"QMRegKeyOnDisc::Write: Couldn't get mutex to read the settings file!"));
    // The next write goes through.
    m_store->SetStringValue(pKnown, L"mine");
    EXPECT_EQ(L"mine", Profile(L"Stored"));
}

TEST_F(IniFileTest, PortableFoldersLiveBesideTheProgram)
{
    CQMModule module(L"Vantolin", L"9109u");
    InitializeSharedSettingsKeys(m_store.get());
    InitializeProductSettingsKeys(m_store.get(), &module);
    const CString exeFolder(GetExeFolder());
    EXPECT_EQ(exeFolder + L"LocalAppDataFolder\\Quillmark\\Vantolin_9109u\\", GetLocalAppDataProductFolder());
    const CString temp = GetTempFolderSetting();
    EXPECT_FALSE(temp.IsEmpty());
    EXPECT_EQ(temp, Profile(L"TempFolder")) << "the TempFolder check stored the default folder";
    EXPECT_EQ(temp + L"\\Log\\", GetTraceLogFolder());
}
