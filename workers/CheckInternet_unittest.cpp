// The Internet checker with the proxy of each proxy mode, the user's own Internet settings (mode 1)
// among them, and through the Internet-check worker. The per-user proxy is shared by the tests of
// the prefix: ctest runs this program under the user_internet_settings lock, and it puts back the
// values it found.
#include "workers/CheckInternet.h"
#include "workers/CheckInternetConnection.h"
#include "workers/CheckInternetConnectionFromThread.h"

#include "support/ProxySettings.h"
#include "support/Registry.h"
#include "tests/common/HttpTestServer.h"
#include "tests/common/SavedUserProxy.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

namespace
{
class CheckerTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "checker_"; }
    void TearDown() override
    {
        GetProxySettings().Set(0, L"");
        CTracedTest::TearDown();
    }
    // A proxy port on which only the first probed site answers, or none.
    static std::string Proxy(const std::string& tag, bool reachable)
    {
        const std::string proxy =
            NewProxy(RunTag(tag.c_str()), std::string(GetInternetCheckHosts()[0]) + "=" + (reachable ? "ok" : "close") + "&*=close");
        EXPECT_FALSE(proxy.empty()) << "run through ctest, which starts the test server";
        return proxy;
    }
    // How many of the sites were probed.
    static int Probes(const std::string& tag) { return int(HeadTargets(ReadServerLog(RunTag(tag.c_str()))).size()); }
};
}

TEST_F(CheckerTest, TheUsersInternetSettingsGiveTheProxy)
{
    CSavedUserProxy saved;
    CCheckInternet checker;
    for (bool reachable : {true, false})
    {
        const std::string tag = reachable ? "checker_user_up" : "checker_user_down";
        const CString proxy = CString::FromNarrow(Proxy(tag, reachable));
        ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", 1, nullptr, 0));
        ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kInternetSettings, L"ProxyServer", REG_SZ,
                                   L"http=" + proxy + L";https=127.0.0.1:1", nullptr, 0));
        GetProxySettings().Set(1, L"");
        EXPECT_EQ(reachable ? TRUE : FALSE, checker.CheckInternet(0, 5000)) << tag;
        EXPECT_EQ(reachable ? 1 : 4, Probes(tag)) << tag;
    }
}

// The stored text of mode 2 (no user settings involved), through the worker as step 6 runs it.
TEST_F(CheckerTest, TheWorkerReportsTheCheckersAnswer)
{
    struct : IWorkerListener
    {
        void OnWorkerFinished(int nResult) override { result = nResult; }
        int result = -1;
    } listener;
    CCheckInternet checker;
    for (bool reachable : {true, false})
    {
        const std::string tag = reachable ? "checker_worker_up" : "checker_worker_down";
        GetProxySettings().Set(2, CString::FromNarrow(Proxy(tag, reachable)));
        CCheckInternetConnectionFromThread worker(&checker, &listener);
        ASSERT_EQ(1, worker.Check(5000));
        int result = -1;
        for (DWORD start = GetTickCount(); !worker.IsFinished(result) && GetTickCount() - start < 60000;)
            Sleep(10);
        EXPECT_EQ(reachable ? 1 : 0, result) << tag;
        worker.Stop();
        EXPECT_EQ(reachable ? 1 : 0, listener.result) << tag;
        EXPECT_EQ(reachable ? 1 : 4, Probes(tag)) << tag;
    }
}
