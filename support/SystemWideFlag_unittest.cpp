#include "support/SystemWideFlag.h"
#include "support/TraceLog.h"
#include "tests/common/MutexHolder.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
// Each test its own mutex names: the tests of all programs share one Wine prefix.
CString FlagName(const wchar_t* pszSuffix)
{
    return CString(L"VantolinTests_SystemWideFlag_") + pszSuffix;
}

class SystemWideFlagTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "flag_"; }
};
}

TEST_F(SystemWideFlagTest, HeldByAnotherProcessWithOrWithoutAccess)
{
    for (bool denyAll : { false, true })
    {
        const CString name = FlagName(denyAll ? L"denied" : L"held");
        CMutexHolder holder(name, denyAll);
        ASSERT_TRUE(holder.IsStarted());
        ASSERT_TRUE(MutexExists(name)) << denyAll;

        CSystemWideFlag probe(name);
        EXPECT_TRUE(probe.IsSetElsewhere()) << "deny-all " << denyAll;

        CSystemWideFlag flag(name);
        flag.SetInitialOwner(true);
        EXPECT_FALSE(flag.Create()) << "deny-all " << denyAll;
    }
    EXPECT_TRUE(Contains(Log(), L"CSystemWideFlag : mutex create/open operation result : [183]"));
}

TEST_F(SystemWideFlagTest, FreshNameIsCreatedAndProbedFromTheSameProcess)
{
    const CString name = FlagName(L"fresh");
    CSystemWideFlag probe(name);
    EXPECT_FALSE(probe.IsSetElsewhere());
    EXPECT_FALSE(MutexExists(name)) << "the probe must leave no mutex behind";

    {
        CSystemWideFlag flag(name);
        flag.SetInitialOwner(true);
        EXPECT_TRUE(flag.Create());
        EXPECT_TRUE(Contains(Log(), L"DBG: CSystemWideFlag : mutex create/open operation result : [0]"));
        EXPECT_TRUE(probe.IsSetElsewhere());

        CSystemWideFlag second(name);
        EXPECT_FALSE(second.Create());
        EXPECT_TRUE(second.IsCreated()) << "an existing flag's handle is kept";
        EXPECT_TRUE(flag.Release());
        flag.Close();
    }
    EXPECT_FALSE(MutexExists(name)) << "the flag lives as long as its handle";
}

TEST_F(SystemWideFlagTest, WaitAcquiresOrTimesOut)
{
    const CString name = FlagName(L"wait");
    CSystemWideFlag flag(name);
    ASSERT_TRUE(flag.Create());
    EXPECT_EQ(0, flag.Wait(0));
    int otherThread = -1;
    std::thread([&] {
        CSystemWideFlag other(name);
        other.Create();
        otherThread = other.Wait(0);
    }).join();
    EXPECT_EQ(1, otherThread);
    EXPECT_TRUE(flag.Release());
}

TEST_F(SystemWideFlagTest, UnnamedFlagDoesNothing)
{
    CSystemWideFlag flag;
    EXPECT_FALSE(flag.Create());
    EXPECT_FALSE(flag.IsSetElsewhere());
    EXPECT_EQ(2, flag.Wait(0));
    EXPECT_FALSE(flag.Release());
    EXPECT_FALSE(flag.IsCreated());
    EXPECT_EQ(L"", Log()) << "no log line either";
}
