#include "support/ThreadObject.h"
#include "support/TraceLog.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <atomic>

namespace
{
std::atomic<int> g_bodiesEnded{ 0 };
std::atomic<int> g_workersDestroyed{ 0 };

// Works in small units until asked to stop; the result says whether it saw the request.
class CTestWorker : public CTThreadObject
{
public:
    explicit CTestWorker(int result = 0, bool bAutoDelete = false) : CTThreadObject(bAutoDelete), m_result(result) {}
    ~CTestWorker() override
    {
        if (!m_bAutoDeleteObject)
            StopThread(L"CTestWorker");
        ++g_workersDestroyed;
    }
    std::atomic<int> m_units{ 0 };
    std::atomic<int> m_runs{ 0 };
    std::atomic<bool> m_sawStop{ false };
    std::atomic<bool> m_started{ false };
    int m_maxUnits = 1 << 30;
    bool m_bAutoDeleteObject = false;

protected:
    int run() override
    {
        ++m_runs;
        m_started = true;
        while (!IsStopRequested() && m_units < m_maxUnits)
        {
            ++m_units; // the derived part must still exist while the body runs
            Sleep(1);
        }
        m_sawStop = IsStopRequested();
        ++g_bodiesEnded;
        return m_result;
    }

private:
    int m_result;
};

bool WaitUntil(const std::atomic<bool>& flag)
{
    for (int i = 0; i < 1000 && !flag; ++i)
        Sleep(5);
    return flag;
}

class ThreadObjectTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "thread_"; }
};
}

TEST_F(ThreadObjectTest, StopOfANeverResumedThreadLetsTheBodySeeTheRequest)
{
    CTestWorker worker;
    EXPECT_EQ(0, worker.StartThread());
    EXPECT_EQ(1, worker.StartThread()) << "a second start creates nothing";
    EXPECT_TRUE(worker.IsThreadLive());
    EXPECT_EQ(0, worker.m_runs.load()) << "the body waits for Resume";
    worker.StopThread(L"CTestWorker");
    EXPECT_FALSE(worker.IsThreadLive());
    EXPECT_EQ(1, worker.m_runs.load());
    EXPECT_TRUE(worker.m_sawStop);
    EXPECT_TRUE(Contains(Log(), L"-->: CTestWorker::Stop"));

    // The same object runs again; the new start clears the old request.
    EXPECT_EQ(0, worker.StartThread());
    EXPECT_EQ(0, worker.GetStopRequests());
    EXPECT_EQ(1u, worker.Resume());
    ASSERT_TRUE(WaitUntil(worker.m_started));
    worker.StopThread(L"CTestWorker");
    EXPECT_EQ(2, worker.m_runs.load());
}

TEST_F(ThreadObjectTest, MisuseIsLoggedAndTolerated)
{
    CTestWorker worker;
    EXPECT_EQ(0u, worker.Resume());
    EXPECT_TRUE(Contains(Log(), L"WRN: Trying to Resume thread that is not created!"));
    worker.StopThread(L"CTestWorker");
    EXPECT_EQ(0, worker.GetStopRequests()) << "stopping a worker that is not live touches nothing";

    ASSERT_EQ(0, worker.StartThread());
    EXPECT_EQ(1u, worker.Resume());
    EXPECT_EQ(0u, worker.Resume());
    EXPECT_EQ(1, worker.Kill());
    EXPECT_TRUE(Contains(Log(), L"WARNING!!!!   Trying to kill thread that is suspended"));
    EXPECT_EQ(2, worker.Kill());
    while (worker.IsThreadLive())
        Sleep(10);
    EXPECT_TRUE(worker.m_sawStop);
}

TEST_F(ThreadObjectTest, FailingBodyStillEndsTheThread)
{
    CTestWorker worker(5);
    worker.m_maxUnits = 3;
    ASSERT_EQ(0, worker.StartThread());
    worker.Resume();
    for (int i = 0; i < 500 && worker.IsThreadLive(); ++i)
        Sleep(10);
    EXPECT_FALSE(worker.IsThreadLive());
    EXPECT_FALSE(worker.m_sawStop);
}

TEST_F(ThreadObjectTest, WorkerDestroyedWhileRunningJoinsItsThreadFirst)
{
    const int endedBefore = g_bodiesEnded;
    CTestWorker* pWorker = new CTestWorker;
    ASSERT_EQ(0, pWorker->StartThread());
    pWorker->Resume();
    ASSERT_TRUE(WaitUntil(pWorker->m_started));
    delete pWorker;
    EXPECT_EQ(endedBefore + 1, g_bodiesEnded.load()) << "the body ended before the object went";
}

TEST_F(ThreadObjectTest, AutoDeleteObjectFreesItselfAfterItsThread)
{
    const int destroyedBefore = g_workersDestroyed;
    CTestWorker* pWorker = new CTestWorker(0, true);
    pWorker->m_bAutoDeleteObject = true;
    pWorker->m_maxUnits = 2;
    ASSERT_EQ(0, pWorker->StartThread());
    pWorker->Resume();
    for (int i = 0; i < 500 && g_workersDestroyed == destroyedBefore; ++i)
        Sleep(10);
    EXPECT_EQ(destroyedBefore + 1, g_workersDestroyed.load());
    EXPECT_TRUE(Contains(Log(), L"WARNING!!!!  Calling IsThreadLive when autodelete is active"));
}

namespace
{
std::atomic<int> g_carelessRuns{ 0 };

// Leaves the stop to the base destructor, as a careless worker would.
class CCarelessWorker : public CTThreadObject
{
public:
    CCarelessWorker() : CTThreadObject(false) {}

protected:
    int OnThreadStart() override { return ++g_carelessRuns, 0; }
    int run() override { return ++g_carelessRuns, 0; }
};
}

TEST_F(ThreadObjectTest, WorkerDeletedBeforeItsResumeEndsWithoutItsBody)
{
    // A resume into the body from the base destructor would be a pure virtual call: the test
    // program would end here.
    CCarelessWorker* pWorker = new CCarelessWorker;
    ASSERT_EQ(0, pWorker->StartThread());
    delete pWorker;
    EXPECT_EQ(0, g_carelessRuns.load());
    EXPECT_TRUE(Contains(Log(), L"CTThreadObject killed while thread is running"));
}
