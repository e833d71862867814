// The Internet check through the test server acting as the HTTP proxy, answering each of the
// probed hosts as the case scripts it.
#include "workers/CheckInternetConnection.h"

#include "tests/common/HttpTestServer.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

namespace
{
class InternetCheckTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "inetcheck_"; }
    // A proxy answering the hosts in order with the given answers ("close" for none).
    std::string Proxy(const std::string& tag, std::initializer_list<const char*> answers)
    {
        m_tag = tag;
        std::string script;
        const char* const* pHost = GetInternetCheckHosts();
        for (const char* answer : answers)
            script += std::string(script.empty() ? "" : "&") + *pHost++ + "=" + answer;
        const std::string proxy = NewProxy(RunTag(tag.c_str()), script);
        EXPECT_FALSE(proxy.empty()) << "run through ctest, which starts the test server";
        return proxy;
    }
    CString Requests() const { return ReadServerLog(RunTag(m_tag.c_str())); }
    std::string m_tag;
};

bool StopAfterFirst(void* pContext)
{
    ++*static_cast<int*>(pContext);
    return false;
}
}

TEST_F(InternetCheckTest, OnlyTheLastSiteAnswering)
{
    const std::string proxy = Proxy("inet_last", {"close", "close", "close", "ok"});
    EXPECT_TRUE(CheckInternetConnection(proxy, 5000));
    const CString log = Log();
    EXPECT_EQ(3, CountOf(log, L"WRN: CheckInternetConnection - site failed: http://"));
    EXPECT_TRUE(Contains(log, L"INF: CheckInternetConnection - site ok: http://www.quillmark.com"));
    EXPECT_FALSE(Contains(log, L"Internet is DOWN"));
    const CString requests = Requests();
    int last = -1;
    for (const char* const* pHost = GetInternetCheckHosts(); *pHost; ++pHost)
    {
        const int at = requests.Find(L"HEAD http://" + CString::FromNarrow(*pHost));
        EXPECT_GT(at, last) << *pHost;
        last = at;
    }
}

TEST_F(InternetCheckTest, AnyStatusCountsAsAnAnswer)
{
    for (const char* answer : {"302", "404", "500", "ok"})
    {
        const std::string tag = std::string("inet_status") + answer;
        EXPECT_TRUE(CheckInternetConnection(Proxy(tag, {answer}), 5000)) << answer;
        EXPECT_EQ(1u, HeadTargets(Requests()).size()) << answer;
    }
}

TEST_F(InternetCheckTest, ACallbackAnsweringFalseStopsAfterOneSite)
{
    int calls = 0;
    EXPECT_FALSE(CheckInternetConnection(Proxy("inet_stop", {"close", "ok"}), 5000, StopAfterFirst, &calls));
    EXPECT_EQ(1, calls);
    EXPECT_EQ(1u, HeadTargets(Requests()).size());
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"CheckInternetConnection: will break checking for"));
    EXPECT_TRUE(Contains(log, L"WRN: CheckInternetConnection - Internet is DOWN"));
}

TEST_F(InternetCheckTest, NoSiteAnsweringIsDown)
{
    EXPECT_FALSE(CheckInternetConnection(Proxy("inet_down", {"close", "close", "close", "close"}), 5000));
    EXPECT_EQ(4u, HeadTargets(Requests()).size());
    EXPECT_TRUE(Contains(Log(), L"WRN: CheckInternetConnection - Internet is DOWN"));
}

// Each hanging site is given up after the time-out, so four of them end well within 4 x 30 s
// that the server would hang.
TEST_F(InternetCheckTest, HangingSitesEndWithTheTimeOut)
{
    const DWORD start = GetTickCount();
    EXPECT_FALSE(CheckInternetConnection(Proxy("inet_hang", {"hang", "hang", "hang", "hang"}), 1000));
    EXPECT_LT(GetTickCount() - start, 20000u);
    EXPECT_EQ(4, CountOf(Log(), L"site failed"));
}

