// The post-installation worker against a scripted engine and a recording page.
#include "workers/PostInstallStepsThread.h"
#include "workers/WindowMessages.h"

#include "tests/common/RecordingWindow.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace
{
const DWORD kWaitMs = 20000;

// Answers GetNextStep(false) from a script (its last entry repeats); counts the commands run.
class CScriptedEngine : public IPostInstallEngine
{
public:
    CScriptedEngine(int nCount, std::vector<int> script, HWND hPage) : m_nCount(nCount), m_script(script), m_hPage(hPage) {}

    int GetPostInstallationSteps(int*) override { return m_nCount; }
    int GetNextStep(bool bPrintDots) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (bPrintDots)
            return 28;
        const int next = m_script[m_nNext < m_script.size() ? m_nNext : m_script.size() - 1];
        ++m_nNext;
        return next;
    }
    int RunNextStep() override
    {
        const int run = ++m_nRun;
        if (run == m_nStopAt && m_pWorker)
            m_pWorker->Kill(); // as a cancel from the page would, without waiting
        return 1;
    }
    HWND GetProgressWnd() override { return m_hPage; }

    std::atomic<int> m_nRun{ 0 };
    int m_nStopAt = 0;
    CPostInstallStepsThread* m_pWorker = nullptr;

private:
    std::mutex m_mutex;
    int m_nCount;
    std::vector<int> m_script;
    size_t m_nNext = 0;
    HWND m_hPage;
};

class PostInstallStepsThreadTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "postinstall_"; }
    bool PumpUntilEnd(CRecordingWindow& page)
    {
        return CRecordingWindow::PumpUntil([&] { return !page.Messages(PROGRESSDLG_END_DIALOG).empty(); }, kWaitMs);
    }
};

TEST_F(PostInstallStepsThreadTest, EmptyListEndsAtOnceWithoutRange)
{
    CRecordingWindow page;
    CScriptedEngine engine(0, { 29 }, page.Get());
    CPostInstallStepsThread worker(&engine);
    ASSERT_EQ(1, worker.HandlePostInstallSteps());
    ASSERT_TRUE(PumpUntilEnd(page));
    EXPECT_TRUE(page.Messages(PROGRESSDLG_PBM_SETRANGE32).empty());
    EXPECT_TRUE(page.Messages(PROGRESSDLG_PBM_STEPIT).empty());
    const auto end = page.Messages(PROGRESSDLG_END_DIALOG);
    ASSERT_EQ(1u, end.size());
    EXPECT_EQ(1u, end[0].wParam);
    EXPECT_EQ(0, end[0].lParam);
    EXPECT_TRUE(worker.IsFinished());
    EXPECT_EQ(0, engine.m_nRun.load());
}

TEST_F(PostInstallStepsThreadTest, EachCommandStepsTheBarAndBusyRoundsWait)
{
    CRecordingWindow page;
    CScriptedEngine engine(3, { 28, 38, 28, 38, 38, 28, 30 }, page.Get());
    CPostInstallStepsThread worker(&engine);
    ASSERT_EQ(1, worker.HandlePostInstallSteps());
    const auto range = page.Messages(PROGRESSDLG_PBM_SETRANGE32);
    ASSERT_EQ(1u, range.size());
    EXPECT_EQ(0u, range[0].wParam);
    EXPECT_EQ(3, range[0].lParam);
    ASSERT_EQ(1u, page.Messages(PROGRESSDLG_PBM_SETSTEP).size());
    EXPECT_EQ(1u, page.Messages(PROGRESSDLG_PBM_SETSTEP)[0].wParam);
    ASSERT_EQ(1u, page.Messages(PROGRESSDLG_PBM_SETPOS).size());
    EXPECT_EQ(0u, page.Messages(PROGRESSDLG_PBM_SETPOS)[0].wParam);
    ASSERT_TRUE(PumpUntilEnd(page));
    EXPECT_EQ(3, engine.m_nRun.load());
    EXPECT_EQ(3, worker.GetStepsRun());
    EXPECT_EQ(3u, page.Messages(PROGRESSDLG_PBM_STEPIT).size());
    // The end comes after the last step of the bar.
    const auto all = page.Messages();
    EXPECT_EQ(PROGRESSDLG_END_DIALOG, all.back().msg);
}

TEST_F(PostInstallStepsThreadTest, StopRequestStartsNoFurtherCommand)
{
    CRecordingWindow page;
    CScriptedEngine engine(5, { 28 }, page.Get());
    CPostInstallStepsThread worker(&engine);
    engine.m_pWorker = &worker;
    engine.m_nStopAt = 2;
    ASSERT_EQ(1, worker.HandlePostInstallSteps());
    ASSERT_TRUE(PumpUntilEnd(page));
    EXPECT_EQ(2, engine.m_nRun.load());
    EXPECT_TRUE(Contains(Log(), L"CPostInstallStepsThread::run : stopped, no further command is started"));
}

TEST_F(PostInstallStepsThreadTest, SecondStartWhileBusyIsRefusedAndStopEndsTheWait)
{
    CScriptedEngine engine(1, { 38 }, nullptr);
    CPostInstallStepsThread worker(&engine);
    ASSERT_EQ(1, worker.HandlePostInstallSteps());
    EXPECT_EQ(0, worker.HandlePostInstallSteps());
    EXPECT_TRUE(Contains(Log(), L"Worker thread is already live in CPostInstallStepsThread::HandlePostInstallSteps"));
    EXPECT_FALSE(worker.IsFinished());
    worker.Stop();
    EXPECT_TRUE(worker.IsFinished());
    EXPECT_EQ(0, engine.m_nRun.load());
}
}
