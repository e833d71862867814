// The store in registry mode (this program's folder has no OnUSB.cfg): sections, keys and
// defaults, typed values, the user-default fallback, writes against storage, transactions,
// listeners fed by another process, and re-rooting. Each test uses its own root names under
// SOFTWARE\Quillmark and removes them afterwards.

#include "config/QMConfigImplementation.h"
#include "config/QMConfigListener.h"
#include "config/QMConfigSection.h"
#include "config/QMRegKey.h"
#include "support/Registry.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TraceCapture.h"

#include <shlwapi.h>

#include <atomic>
#include <memory>
#include <set>

namespace
{
CString RootPath(const CString& root)
{
    return StoreRootPath(root);
}

bool Put(HKEY hive, const CString& key, const wchar_t* pszName, const wchar_t* pszValue, DWORD type = REG_SZ)
{
    return WriteRegString(hive, key, pszName, type, pszValue, nullptr, 0);
}

bool IsStored(HKEY hive, const CString& key, const wchar_t* pszName)
{
    CScopedRegKey h;
    return RegOpenKeyExW(hive, key, 0, KEY_READ, h.Receive()) == ERROR_SUCCESS &&
           RegQueryValueExW(h.Get(), pszName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

class QMConfigTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "qmconfig_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        m_root = TestStoreRoot();
        RemoveStoreRoot(m_root);
        m_store.reset(new QMConfigImplementation());
        m_store->SetRoot(m_root, QMCONFIG_MODE_AUTO);
    }
    void TearDown() override
    {
        m_store.reset();
        RemoveStoreRoot(m_root);
        for (const CString& extra : m_extraRoots)
            RemoveStoreRoot(extra);
        CTracedTest::TearDown();
    }
    CString Local() const { return RootPath(m_root) + L"\\Common"; }

    CString m_root;
    std::vector<CString> m_extraRoots;
    std::unique_ptr<QMConfigImplementation> m_store;
};
}

TEST_F(QMConfigTest, RootsSectionsAndKeys)
{
    EXPECT_FALSE(m_store->UsesIniFile());
    EXPECT_EQ(L"", m_store->GetIniFilePath());
    EXPECT_EQ(RootPath(m_root), m_store->GetGlobalRoot());
    EXPECT_EQ(RootPath(m_root), m_store->GetLocalRoot());
    EXPECT_EQ(RootPath(m_root) + L".default", m_store->GetUserDefaultRoot());
    EXPECT_EQ(L"SOFTWARE\\Quillmark\\QMconfig", m_store->GetApplicationIndependentRoot());

    QMConfigSection* pCommon = m_store->GetSection(QMCONFIG_LOCAL, L"Common");
    EXPECT_EQ(pCommon, m_store->GetSection(QMCONFIG_LOCAL, L"Common"));
    EXPECT_NE(pCommon, m_store->GetSection(QMCONFIG_LOCAL, L"common")) << "names are case-sensitive";
    EXPECT_NE(pCommon, m_store->GetSection(QMCONFIG_GLOBAL, L"Common"));
    std::unique_ptr<QMConfigSection> pLoose1(m_store->GetSection(5, L"Common"));
    std::unique_ptr<QMConfigSection> pLoose2(m_store->GetSection(5, L"Common"));
    EXPECT_NE(pLoose1.get(), pLoose2.get());

    QMConfigKey* pKey = m_store->GetKey(pCommon, L"Language", L"en");
    EXPECT_EQ(pKey, m_store->GetKey(pCommon, L"Language", L"de"));
    EXPECT_EQ(L"en", m_store->GetStringValue(pKey)) << "the first default stays";

    // A section of no store type has no storage: defaults only, writes dropped.
    QMConfigKey* pLooseKey = m_store->GetKey(pLoose1.get(), L"Language", L"fr");
    m_store->SetStringValue(pLooseKey, L"it");
    EXPECT_EQ(L"fr", m_store->GetStringValue(pLooseKey));

    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"QMConfig: local section [Common] opened read-write."));
    EXPECT_TRUE(Contains(log, L"QMConfig: global section [Common] opened read-write."));
}

TEST_F(QMConfigTest, TypedValuesAgainstStorage)
{
    QMConfigSection* pCommon = m_store->GetSection(QMCONFIG_LOCAL, L"Common");
    ASSERT_TRUE(Put(HKEY_CURRENT_USER, Local(), L"Int", L"007"));
    ASSERT_TRUE(Put(HKEY_CURRENT_USER, Local(), L"Dbl", L"1.000000"));
    ASSERT_TRUE(Put(HKEY_CURRENT_USER, Local(), L"Expand", L"", REG_EXPAND_SZ));
    QMConfigKey* pInt = m_store->GetKey(pCommon, L"Int", L"1");
    QMConfigKey* pDbl = m_store->GetKey(pCommon, L"Dbl", L"0");
    EXPECT_EQ(7, m_store->GetIntValue(pInt));
    EXPECT_DOUBLE_EQ(1.0, m_store->GetDoubleValue(pDbl));

    m_store->SetIntValue(pInt, 7);
    EXPECT_EQ(L"007", GetRegString(HKEY_CURRENT_USER, Local(), L"Int", 0)) << "the same number is not written";
    m_store->SetIntValue(pInt, -12);
    EXPECT_EQ(L"-12", GetRegString(HKEY_CURRENT_USER, Local(), L"Int", 0));

    m_store->SetDoubleValue(pDbl, 1.0000005);
    EXPECT_EQ(L"1.000000", GetRegString(HKEY_CURRENT_USER, Local(), L"Dbl", 0));
    m_store->SetDoubleValue(pDbl, 1.5);
    EXPECT_EQ(L"1.500000", GetRegString(HKEY_CURRENT_USER, Local(), L"Dbl", 0));

    const struct
    {
        const wchar_t* stored;
        bool value;
    } bools[] = { { L"", true }, { L"0", false }, { L"false", true }, { L"00", true }, { L"1", true } };
    for (const auto& b : bools)
    {
        ASSERT_TRUE(Put(HKEY_CURRENT_USER, Local(), L"Bool", b.stored));
        m_store->Purge();
        QMConfigKey* pBool = m_store->GetKey(m_store->GetSection(QMCONFIG_LOCAL, L"Common"), L"Bool", L"0");
        EXPECT_EQ(b.value, m_store->GetBoolValue(pBool)) << CString(b.stored).ToNarrow();
        m_store->SetBoolValue(pBool, b.value);
        EXPECT_EQ(CString(b.stored), GetRegString(HKEY_CURRENT_USER, Local(), L"Bool", 0)) << "same truth, no write";
    }

    // REG_EXPAND_SZ exists but reads as empty text (logged), not as the default.
    QMConfigKey* pExpand = m_store->GetKey(m_store->GetSection(QMCONFIG_LOCAL, L"Common"), L"Expand", L"dflt");
    EXPECT_EQ(L"", m_store->GetStringValue(pExpand));
    EXPECT_TRUE(Contains(Log(), L"QMConfig: Could not read value of key 'Expand' from registry!"));

    // A long REG_SZ is read whole.
    const CString big(L'x', 2500);
    ASSERT_TRUE(Put(HKEY_CURRENT_USER, Local(), L"Big", big));
    QMConfigKey* pBig = m_store->GetKey(m_store->GetSection(QMCONFIG_LOCAL, L"Common"), L"Big", L"");
    EXPECT_EQ(big, m_store->GetStringValue(pBig));
}

TEST_F(QMConfigTest, LocalKeysFallBackToTheUserDefault)
{
    ASSERT_TRUE(Put(HKEY_LOCAL_MACHINE, RootPath(m_root) + L".default\\Common", L"Language", L"de"));
    QMConfigSection* pCommon = m_store->GetSection(QMCONFIG_LOCAL, L"Common");
    QMConfigKey* pLanguage = m_store->GetKey(pCommon, L"Language", L"en");
    EXPECT_EQ(L"de", m_store->GetStringValue(pLanguage));
    QMConfigKey* pOther = m_store->GetKey(pCommon, L"Other", L"x");
    EXPECT_EQ(L"x", m_store->GetStringValue(pOther));
    // Global sections do not fall back.
    QMConfigKey* pGlobal = m_store->GetKey(m_store->GetSection(QMCONFIG_GLOBAL, L"Common"), L"Language", L"en");
    EXPECT_EQ(L"en", m_store->GetStringValue(pGlobal));
    // A value set for the user wins.
    m_store->SetStringValue(pLanguage, L"fr");
    EXPECT_EQ(L"fr", GetRegString(HKEY_CURRENT_USER, Local(), L"Language", 0));
    EXPECT_EQ(L"de", GetRegString(HKEY_LOCAL_MACHINE, RootPath(m_root) + L".default\\Common", L"Language", 0));
}

TEST_F(QMConfigTest, AWriteIsComparedWithStorageNotWithTheCache)
{
    QMConfigKey* pKey = m_store->GetKey(m_store->GetSection(QMCONFIG_LOCAL, L"Common"), L"Language", L"en");
    m_store->SetStringValue(pKey, L"en");
    EXPECT_FALSE(IsStored(HKEY_CURRENT_USER, Local(), L"Language")) << "the default is not written";
    m_store->SetStringValue(pKey, L"de");
    EXPECT_EQ(L"de", GetRegString(HKEY_CURRENT_USER, Local(), L"Language", 0));
    // Another process changes it; setting what this store had cached must still be stored.
    ASSERT_TRUE(Put(HKEY_CURRENT_USER, Local(), L"Language", L"fr"));
    m_store->SetStringValue(pKey, L"de");
    EXPECT_EQ(L"de", GetRegString(HKEY_CURRENT_USER, Local(), L"Language", 0));
    EXPECT_EQ(L"de", m_store->GetStringValue(pKey));

    // Debug values: the default "foobar" is never written.
    const CString debugName = L"VantolinTests_" + m_root;
    m_store->SetDebugValue(debugName, L"foobar");
    EXPECT_FALSE(IsStored(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmark\\QMconfig\\Debug", debugName));
    m_store->SetDebugValue(debugName, L"on");
    EXPECT_EQ(L"on", m_store->GetDebugValue(debugName, L"off"));
    EXPECT_EQ(L"on", GetRegString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmark\\QMconfig\\Debug", debugName, 0));
    CScopedRegKey debug;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quillmark\\QMconfig\\Debug", 0, KEY_ALL_ACCESS,
                                           debug.Receive()));
    RegDeleteValueW(debug.Get(), debugName);
}

TEST_F(QMConfigTest, TransactionsStoreAtTheOutermostEnd)
{
    QMConfigKey* pLocal = m_store->GetKey(m_store->GetSection(QMCONFIG_LOCAL, L"Common"), L"A", L"a0");
    QMConfigKey* pUserDefault = m_store->GetKey(m_store->GetSection(QMCONFIG_USER_DEFAULT, L"Common"), L"B", L"b0");
    m_store->BeginTransaction();
    m_store->BeginTransaction();
    m_store->SetStringValue(pLocal, L"a1");
    m_store->SetStringValue(pUserDefault, L"b1");
    m_store->EndTransaction();
    EXPECT_FALSE(IsStored(HKEY_CURRENT_USER, Local(), L"A"));
    EXPECT_EQ(L"a0", m_store->GetStringValue(pLocal)) << "getters answer the old value until the commit";
    m_store->EndTransaction();
    EXPECT_EQ(L"a1", GetRegString(HKEY_CURRENT_USER, Local(), L"A", 0));
    EXPECT_EQ(L"a1", m_store->GetStringValue(pLocal));
    EXPECT_EQ(L"b1", GetRegString(HKEY_LOCAL_MACHINE, RootPath(m_root) + L".default\\Common", L"B", 0))
        << "user-default writes are stored at the commit too";

    // An unpaired end is refused, and later writes are still immediate.
    m_store->EndTransaction();
    EXPECT_TRUE(Contains(Log(), L"QMConfig::EndTransaction: no transaction is open."));
    m_store->SetStringValue(pLocal, L"a2");
    EXPECT_EQ(L"a2", GetRegString(HKEY_CURRENT_USER, Local(), L"A", 0));
}

TEST_F(QMConfigTest, ListenersHearOtherProcessesAndOwnWrites)
{
    QMConfigSection* pCommon = m_store->GetSection(QMCONFIG_LOCAL, L"Common");
    QMConfigKey* pA = m_store->GetKey(pCommon, L"A", L"a0");
    QMConfigKey* pB = m_store->GetKey(pCommon, L"B", L"b0");
    CRecordingListener listener;
    m_store->Subscribe(pCommon, &listener);
    ASSERT_TRUE(m_store->Initialize());
    EXPECT_FALSE(m_store->Initialize());

    CChildProcess reg;
    ASSERT_TRUE(reg.Start(L"C:\\windows\\system32\\reg.exe",
                          L"add \"HKCU\\" + Local() + L"\" /v B /t REG_SZ /d b1 /f", BinFolder()));
    EXPECT_EQ(0u, reg.Wait(30000));
    ASSERT_TRUE(listener.WaitForCall(20000));
    EXPECT_EQ(std::vector<CString>{ L"B" }, listener.Names());
    EXPECT_EQ(L"b1", m_store->GetStringValue(pB));

    listener.Reset();
    m_store->SetStringValue(pA, L"a1");
    ASSERT_TRUE(listener.WaitForCall(20000));
    EXPECT_EQ(std::vector<CString>{ L"A" }, listener.Names());

    m_store->Unsubscribe(pCommon, &listener);
    m_store->Uninitialize();
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"QMConfig: subscribing a new listener to section[Common]"));
    EXPECT_TRUE(Contains(log, L"QMConfig: detected changes in local section [Common]. Notifying listeners."));
    EXPECT_TRUE(Contains(log, L"QMConfig::Initialize: Thread is already existing - aborting."));
    EXPECT_TRUE(Contains(log, L"QMConfigImplementation::Run: Thread loop exited normally."));
}

TEST_F(QMConfigTest, ReRootingKeepsTheObjectsAndReadsTheNewRoot)
{
    const CString newRoot = m_root + L"_new";
    m_extraRoots.push_back(newRoot);
    RemoveStoreRoot(newRoot);
    ASSERT_TRUE(Put(HKEY_CURRENT_USER, RootPath(newRoot) + L"\\Common", L"Language", L"sv"));

    QMConfigSection* pCommon = m_store->GetSection(QMCONFIG_LOCAL, L"Common");
    QMConfigKey* pLanguage = m_store->GetKey(pCommon, L"Language", L"en");
    QMConfigKey* pTemp = m_store->GetKey(pCommon, L"TempFolder", L"");
    m_store->SetStringValue(pTemp, L"D:\\old");
    CRecordingListener listener;
    m_store->Subscribe(pCommon, &listener);
    ASSERT_TRUE(m_store->Initialize());

    m_store->BeginTransaction();
    m_store->SetStringValue(pLanguage, L"pending");
    m_store->Uninitialize();
    m_store->SetRoot(newRoot, QMCONFIG_MODE_AUTO);
    ASSERT_TRUE(m_store->Initialize());
    m_store->EndTransaction();

    EXPECT_EQ(L"pending", GetRegString(HKEY_CURRENT_USER, Local(), L"Language", 0)) << "pending went to the old root";
    EXPECT_EQ(pCommon, m_store->GetSection(QMCONFIG_LOCAL, L"Common"));
    EXPECT_EQ(pLanguage, m_store->GetKey(pCommon, L"Language", L"en"));
    EXPECT_EQ(L"sv", m_store->GetStringValue(pLanguage));
    EXPECT_EQ(L"", m_store->GetStringValue(pTemp));
    m_store->SetStringValue(pTemp, L"D:\\new");
    EXPECT_EQ(L"D:\\new", GetRegString(HKEY_CURRENT_USER, RootPath(newRoot) + L"\\Common", L"TempFolder", 0));
    EXPECT_EQ(L"D:\\old", GetRegString(HKEY_CURRENT_USER, Local(), L"TempFolder", 0));

    listener.Reset();
    ASSERT_TRUE(Put(HKEY_CURRENT_USER, RootPath(newRoot) + L"\\Common", L"Language", L"no"));
    ASSERT_TRUE(listener.WaitForCall(20000));
    // The store's own write of TempFolder may be heard first: wait for the one of Language.
    std::vector<CString> names = listener.Names();
    for (DWORD start = GetTickCount();
         std::find(names.begin(), names.end(), CString(L"Language")) == names.end() && GetTickCount() - start < 20000;
         names = listener.Names())
        Sleep(20);
    EXPECT_TRUE(std::find(names.begin(), names.end(), CString(L"Language")) != names.end());
    m_store->Uninitialize();
    m_store->Unsubscribe(pCommon, &listener);
}

TEST_F(QMConfigTest, DumpAndPurge)
{
    QMConfigKey* pLocal = m_store->GetKey(m_store->GetSection(QMCONFIG_LOCAL, L"Common"), L"Language", L"en");
    m_store->GetKey(m_store->GetSection(QMCONFIG_GLOBAL, L"Common"), L"PartnerId", L"");
    m_store->GetKey(m_store->GetSection(QMCONFIG_USER_DEFAULT, L"Common"), L"Hidden", L"h");
    ASSERT_TRUE(Put(HKEY_CURRENT_USER, Local(), L"Language", L"pt"));
    m_store->Dump();
    CString log = Log();
    EXPECT_TRUE(Contains(log, L"QMConfig: Dumping config values, including default values of unset keys."));
    EXPECT_TRUE(Contains(log, L"QMConfig: HKCU\\" + Local() + L"\\Language=pt")) << "the dump reads storage";
    EXPECT_TRUE(Contains(log, L"QMConfig: HKLM\\" + RootPath(m_root) + L"\\Common\\PartnerId=\r\n"));
    EXPECT_FALSE(Contains(log, L"Hidden=")) << "user-default sections are not dumped";
    EXPECT_EQ(L"pt", m_store->GetStringValue(pLocal));

    m_store->Purge();
    EXPECT_TRUE(Contains(Log(), L"QMConfig: [QMConfigImplementation::Purge] deleting sections/keys"));
    ASSERT_TRUE(Put(HKEY_CURRENT_USER, Local(), L"Language", L"es"));
    QMConfigKey* pAgain = m_store->GetKey(m_store->GetSection(QMCONFIG_LOCAL, L"Common"), L"Language", L"en");
    EXPECT_EQ(L"es", m_store->GetStringValue(pAgain));

    m_store->Uninitialize();
    EXPECT_TRUE(Contains(Log(), L"QMConfig::Uninitialize: Notification thread uninitialized."));
}
