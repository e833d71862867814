// Working folders are made with a protected access list, and an existing one is taken only
// from a trusted owner. Wine keeps no access list or owner of its own on files (it shows ones
// made from the file's mode): the list is checked where it is made, and the owner query is
// replaced where another account's owner is needed.

#include "support/FileUtil.h"
#include "support/WorkFolder.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <set>

namespace
{
const wchar_t kOtherUser[] = L"S-1-5-21-1111-2222-3333-1001";
CString g_fakeOwner;

bool FakeOwner(const wchar_t*, CString& rOwnerSid)
{
    rOwnerSid = g_fakeOwner;
    return !g_fakeOwner.IsEmpty();
}

// The SIDs given full control by a descriptor, whether its list is protected, and whether every
// entry passes on to what is made inside.
void ReadList(PSECURITY_DESCRIPTOR pDescriptor, std::set<CString>& rSids, bool& rProtected, bool& rPassedOn)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(pDescriptor, &control, &revision);
    rProtected = (control & SE_DACL_PROTECTED) != 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL pDacl = nullptr;
    GetSecurityDescriptorDacl(pDescriptor, &present, &pDacl, &defaulted);
    rPassedOn = pDacl && pDacl->AceCount > 0;
    for (DWORD i = 0; pDacl && i < pDacl->AceCount; ++i)
    {
        ACCESS_ALLOWED_ACE* pAce = nullptr;
        if (!GetAce(pDacl, i, reinterpret_cast<void**>(&pAce)))
            continue;
        const BYTE passOn = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
        rPassedOn = rPassedOn && (pAce->Header.AceFlags & passOn) == passOn;
        wchar_t* pszSid = nullptr;
        if (pAce->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && pAce->Mask == FILE_ALL_ACCESS &&
            ConvertSidToStringSidW(&pAce->SidStart, &pszSid))
        {
            rSids.insert(pszSid);
            LocalFree(pszSid);
        }
    }
}

class WorkFolderTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "workfolder_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        m_base = FreshTestFolder(L"workfolder");
        g_fakeOwner.Empty();
    }
    void TearDown() override
    {
        if (m_previous)
            SetFolderOwnerQuery(m_previous);
        CTracedTest::TearDown();
    }
    void UseOwner(const wchar_t* pszSid)
    {
        g_fakeOwner = pszSid;
        if (!m_previous)
            m_previous = SetFolderOwnerQuery(FakeOwner);
    }

    CString m_base;
    FolderOwnerQuery m_previous = nullptr;
};
}

TEST(WorkFolderList, ProtectedListForSystemAdministratorsAndTheUser)
{
    ASSERT_FALSE(GetProcessUserSid().IsEmpty());
    CScopedLocalMemory descriptor;
    ASSERT_TRUE(MakeProtectedFolderDescriptor(descriptor));
    std::set<CString> sids;
    bool bProtected = false, bPassedOn = false;
    ReadList(descriptor.Get(), sids, bProtected, bPassedOn);
    EXPECT_TRUE(bProtected);
    EXPECT_TRUE(bPassedOn);
    const std::set<CString> expected = { L"S-1-5-18", L"S-1-5-32-544", GetProcessUserSid() };
    EXPECT_EQ(expected, sids);
}

TEST_F(WorkFolderTest, NewFolderIsMadeInAnExistingParent)
{
    ASSERT_TRUE(PrepareWorkFolder(m_base + L"TempSFX\\", true));
    EXPECT_TRUE(IsFolder(m_base + L"TempSFX"));
    EXPECT_FALSE(PrepareWorkFolder(m_base + L"missing\\TempSFX", true));
    EXPECT_TRUE(Contains(Log(), L"ERR: PrepareWorkFolder : cannot create the folder [" + m_base + L"missing\\TempSFX]"));
}

TEST_F(WorkFolderTest, ExistingFolderIsTakenOnlyFromATrustedOwner)
{
    const struct
    {
        const wchar_t* owner; // null: the real query
        bool bReset;
        bool bTaken;
    } cases[] = {
        { nullptr, true, true },     { L"S-1-5-18", true, true },  { L"S-1-5-32-544", false, true },
        { kOtherUser, true, false }, { kOtherUser, false, false }, { L"S-1-5-32-545", true, false },
        { L"", true, false }, // an owner that cannot be read
    };
    int n = 0;
    for (const auto& c : cases)
    {
        const CString folder = m_base + FormatString(L"existing%d", n++);
        ASSERT_TRUE(CreateDirectoryW(folder, nullptr));
        ASSERT_TRUE(WriteTextFile(folder + L"\\planted.dll", "x"));
        if (c.owner)
            UseOwner(c.owner);
        EXPECT_EQ(c.bTaken, PrepareWorkFolder(folder, c.bReset)) << folder.ToNarrow();
        if (!c.bTaken)
        {
            EXPECT_TRUE(Contains(Log(), L"ERR: PrepareWorkFolder : refusing the folder [" + folder + L"]: it is owned by "))
                << Log().ToNarrow();
            EXPECT_TRUE(Contains(Log(), c.owner[0] ? c.owner : L"an owner that cannot be read")) << Log().ToNarrow();
        }
        EXPECT_TRUE(FileExists(folder + L"\\planted.dll")) << "a folder is never emptied here";
    }
    UseOwner(GetProcessUserSid());
    ASSERT_TRUE(CreateDirectoryW(m_base + L"elsewhere", nullptr));
    EXPECT_TRUE(PrepareWorkFolder(m_base + L"elsewhere", false)) << "the user's own folder";
}

TEST_F(WorkFolderTest, FreshFolderIsNewEveryTime)
{
    CString first, second;
    ASSERT_TRUE(CreateFreshWorkFolder(m_base, L"Cleanup", first));
    ASSERT_TRUE(CreateFreshWorkFolder(m_base, L"Cleanup", second));
    EXPECT_NE(first, second);
    EXPECT_EQ(m_base + L"Cleanup", first.Left(m_base.GetLength() + 7));
    EXPECT_TRUE(IsFolder(first));
    EXPECT_TRUE(IsFolder(second));
    EXPECT_FALSE(CreateFreshWorkFolder(m_base + L"missing\\deeper", L"Cleanup", first));
}
