// The run's settings patch on the real store under test roots: what is set, what the undo puts
// back, and both when the store moves to another generation's root in between.
#include "workers/PatchQMConfig.h"

#include "config/QMConfigImplementation.h"
#include "config/QMModule.h"
#include "config/SettingsKeys.h"
#include "support/Registry.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TraceCapture.h"

namespace
{
const wchar_t kRootA[] = L"VantolinTests_PatchA";
const wchar_t kRootB[] = L"VantolinTests_PatchB";

CString Local(const wchar_t* pszRoot, const wchar_t* pszName)
{
    return GetRegString(HKEY_CURRENT_USER, StoreRootPath(pszRoot) + L"\\Common", pszName, 0);
}

CString Global(const wchar_t* pszRoot, const wchar_t* pszName)
{
    return GetRegString(HKEY_LOCAL_MACHINE, StoreRootPath(pszRoot) + L"\\Common", pszName, 0);
}

void Seed(const wchar_t* pszRoot, const wchar_t* pszLanguage, const wchar_t* pszAffiliate, const wchar_t* pszPartner)
{
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, StoreRootPath(pszRoot) + L"\\Common", L"Language", REG_SZ,
                               pszLanguage, nullptr, 0));
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, StoreRootPath(pszRoot) + L"\\Common", L"AffiliateId", REG_SZ,
                               pszAffiliate, nullptr, 0));
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, StoreRootPath(pszRoot) + L"\\Common", L"PartnerId", REG_SZ,
                               pszPartner, nullptr, 0));
}

class PatchQMConfigTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "patchqmconfig_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        RemoveStoreRoot(kRootA);
        RemoveStoreRoot(kRootB);
    }
    void TearDown() override
    {
        RemoveStoreRoot(kRootA);
        RemoveStoreRoot(kRootB);
        CTracedTest::TearDown();
    }
    // As the application does at start-up and after step 14 found another generation.
    void RootAt(const wchar_t* pszRoot)
    {
        m_store.SetRoot(pszRoot, QMCONFIG_MODE_REGISTRY);
        InitializeSharedSettingsKeys(&m_store);
        InitializeProductSettingsKeys(&m_store, &m_module);
    }

    QMConfigImplementation m_store;
    CQMModule m_module{ L"Vantolin", L"9109k" };
};

TEST_F(PatchQMConfigTest, SetAndUndoRestoreTheStoredTexts)
{
    struct
    {
        const wchar_t* pszLanguage; // stored before the run
    } cases[] = { { L"fr" }, { L"" } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.pszLanguage).ToNarrow());
        Seed(kRootA, c.pszLanguage, L"aff0", L"61000");
        RootAt(kRootA);
        CPatchQMConfig patch;
        patch.SetNewLanguage(L"de");
        patch.SetNewAffilateID(L"aff9");
        patch.SetNewPartnerID(L"11082");
        EXPECT_EQ(L"de", Local(kRootA, L"Language"));
        EXPECT_EQ(L"aff9", Global(kRootA, L"AffiliateId"));
        EXPECT_EQ(L"11082", Global(kRootA, L"PartnerId"));
        patch.UndoChanges();
        // An empty Language comes back empty, not as the "en" its accessor reads.
        EXPECT_EQ(CString(c.pszLanguage), Local(kRootA, L"Language"));
        EXPECT_EQ(L"aff0", Global(kRootA, L"AffiliateId"));
        EXPECT_EQ(L"61000", Global(kRootA, L"PartnerId"));
    }
    EXPECT_TRUE(Contains(Log(), L"CPatchQMConfig::SetNewLanguage [de]"));
    EXPECT_TRUE(Contains(Log(), L"CPatchQMConfig::SetNewAffilateID [aff9]"));
    EXPECT_TRUE(Contains(Log(), L"CPatchQMConfig::SetNewPartnerID [11082]"));
    EXPECT_TRUE(Contains(Log(), L"CPatchQMConfig::UndoChanges"));
}

TEST_F(PatchQMConfigTest, UndoAfterNoChangeWritesTheSameValues)
{
    Seed(kRootA, L"it", L"a1", L"p1");
    RootAt(kRootA);
    CPatchQMConfig patch;
    patch.UndoChanges();
    EXPECT_EQ(L"it", Local(kRootA, L"Language"));
    EXPECT_EQ(L"a1", Global(kRootA, L"AffiliateId"));
    EXPECT_EQ(L"p1", Global(kRootA, L"PartnerId"));
}

TEST_F(PatchQMConfigTest, ValuesFollowAReRootAndTheUndoRestoresBothRoots)
{
    Seed(kRootA, L"fr", L"a1", L"p1");
    Seed(kRootB, L"", L"b1", L"q1");
    RootAt(kRootA);
    CPatchQMConfig patch;
    patch.SetNewLanguage(L"de");
    patch.SetNewAffilateID(L"aff9");
    RootAt(kRootB);
    // The new generation's product gets the run's choices; its own partner id stays.
    EXPECT_EQ(L"de", Local(kRootB, L"Language"));
    EXPECT_EQ(L"aff9", Global(kRootB, L"AffiliateId"));
    EXPECT_EQ(L"q1", Global(kRootB, L"PartnerId"));
    patch.SetNewPartnerID(L"11082");
    EXPECT_EQ(L"11082", Global(kRootB, L"PartnerId"));
    EXPECT_EQ(L"p1", Global(kRootA, L"PartnerId"));

    patch.UndoChanges();
    EXPECT_EQ(L"fr", Local(kRootA, L"Language"));
    EXPECT_EQ(L"a1", Global(kRootA, L"AffiliateId"));
    EXPECT_EQ(L"p1", Global(kRootA, L"PartnerId"));
    EXPECT_EQ(L"", Local(kRootB, L"Language"));
    EXPECT_EQ(L"b1", Global(kRootB, L"AffiliateId"));
    EXPECT_EQ(L"q1", Global(kRootB, L"PartnerId"));
}

TEST_F(PatchQMConfigTest, BackAtTheFirstRootTheUndoRestoresWhatItHeldAtTheStart)
{
    Seed(kRootA, L"fr", L"a1", L"p1");
    Seed(kRootB, L"nl", L"b1", L"q1");
    RootAt(kRootA);
    CPatchQMConfig patch;
    patch.SetNewLanguage(L"de");
    RootAt(kRootB);
    RootAt(kRootA);
    patch.UndoChanges();
    EXPECT_EQ(L"fr", Local(kRootA, L"Language"));
    EXPECT_EQ(L"nl", Local(kRootB, L"Language"));
}
}
