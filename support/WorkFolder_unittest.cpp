// Working folders are made with a protected access list, and an existing one is taken only
// from a trusted owner. Wine keeps no access list or owner of its own on files (it shows ones
// made from the file's mode, every file this user's): the list is checked where it is made,
// and the owner query is replaced wherever an owner matters.

#include "support/FileUtil.h"
#include "support/WorkFolder.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <map>
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

// The SIDs given full control by a descriptor (and those given any other rights, with them),
// whether its list is protected, and whether every entry passes on to what is made inside.
void ReadList(PSECURITY_DESCRIPTOR pDescriptor, std::set<CString>& rSids, bool& rProtected, bool& rPassedOn,
              std::map<CString, ACCESS_MASK>* pOthers = nullptr)
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
        if (pAce->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && ConvertSidToStringSidW(&pAce->SidStart, &pszSid))
        {
            if (pAce->Mask == FILE_ALL_ACCESS)
                rSids.insert(pszSid);
            else if (pOthers)
                (*pOthers)[pszSid] |= pAce->Mask;
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

// The user's programs that run without elevation have the user's SID as well: the user may
// read and run, only SYSTEM and the Administrators change anything.
TEST(WorkFolderList, ProtectedListForSystemAndAdministratorsTheUserReadsAndRuns)
{
    ASSERT_FALSE(GetProcessUserSid().IsEmpty());
    CScopedLocalMemory descriptor;
    ASSERT_TRUE(MakeProtectedFolderDescriptor(descriptor));
    std::set<CString> sids;
    std::map<CString, ACCESS_MASK> others;
    bool bProtected = false, bPassedOn = false;
    ReadList(descriptor.Get(), sids, bProtected, bPassedOn, &others);
    EXPECT_TRUE(bProtected);
    EXPECT_TRUE(bPassedOn);
    const std::set<CString> expected = { L"S-1-5-18", L"S-1-5-32-544" };
    EXPECT_EQ(expected, sids);
    const std::map<CString, ACCESS_MASK> readAndRun = { { GetProcessUserSid(), FILE_GENERIC_READ | FILE_GENERIC_EXECUTE } };
    EXPECT_EQ(readAndRun, others);
    const ACCESS_MASK changes = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;
    EXPECT_EQ(0u, others[GetProcessUserSid()] & changes);
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
    const CString user = GetProcessUserSid();
    const struct
    {
        CString owner;
        bool bReset;
        bool bTaken;
    } cases[] = {
        { L"S-1-5-18", true, true },  { L"S-1-5-32-544", false, true }, { kOtherUser, true, false },
        { kOtherUser, false, false }, { L"S-1-5-32-545", true, false },
        // Any program of the user's, elevated or not, can have made a folder the user owns.
        { user, true, false },        { user, false, false },
        { L"", true, false }, // an owner that cannot be read
    };
    int n = 0;
    for (const auto& c : cases)
    {
        const CString folder = m_base + FormatString(L"existing%d", n++);
        ASSERT_TRUE(CreateDirectoryW(folder, nullptr));
        ASSERT_TRUE(WriteTextFile(folder + L"\\planted.dll", "x"));
        UseOwner(c.owner);
        CString owner;
        EXPECT_EQ(c.bTaken, IsTrustedWorkFolder(folder + L"\\", owner)) << folder.ToNarrow();
        EXPECT_EQ(c.bTaken, PrepareWorkFolder(folder, c.bReset)) << folder.ToNarrow();
        if (!c.bTaken)
        {
            EXPECT_TRUE(Contains(Log(), L"ERR: PrepareWorkFolder : refusing the folder [" + folder + L"]: it is owned by "))
                << Log().ToNarrow();
            const CString named = c.owner.IsEmpty() ? CString(L"an owner that cannot be read") : c.owner;
            EXPECT_TRUE(Contains(Log(), named)) << Log().ToNarrow();
            EXPECT_TRUE(Contains(owner, named)) << owner.ToNarrow();
        }
        EXPECT_TRUE(FileExists(folder + L"\\planted.dll")) << "a folder is never emptied here";
    }
    // What is no folder is never trusted, whoever the query names.
    UseOwner(L"S-1-5-32-544");
    ASSERT_TRUE(WriteTextFile(m_base + L"file", "x"));
    for (const CString& path : { m_base + L"missing", m_base + L"file", CString() })
    {
        CString owner = L"x";
        EXPECT_FALSE(IsTrustedWorkFolder(path, owner)) << path.ToNarrow();
        EXPECT_TRUE(owner.IsEmpty());
    }
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
