// The pumps with a real progress page on the test X server and a scripted engine: the step-driven
// pump's end by the engine, by the page's end message and by the page's window; an end left in
// the queue does not end the next phase; one dispatched during the cancel question ends its pump;
// a silent page is never shown; the plain pump ends on the page's close; posts from another
// thread while the page closes.
#include "wizard/MsiProgressDlg.h"
#include "wizard/ProgressPumps.h"
#include "wizard/resource.h"
#include "classlib/WinApp.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"
#include "tests/common/WizardFakes.h"
#include "workers/WindowMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace
{
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
// An engine that never leaves busy gives up after this many questions, so that a pump that
// misses its end fails the test instead of hanging it.
const int kGiveUpAfter = 600;

// Answers GetNextStep from the script, then its last answer; checks on every question whatever
// the test wants to know while the pump runs.
class CScriptedEngine : public IWatchedStepEngine
{
public:
    explicit CScriptedEngine(std::vector<int> answers, int nRunResult = 1)
        : m_answers(std::move(answers)), m_nRunResult(nRunResult)
    {
    }
    void SetProgressWnd(HWND hWnd) override { m_hWindow = hWnd; }
    int RunNextStep() override
    {
        ++m_nRuns;
        return m_nRunResult;
    }
    int GetNextStep(bool) override
    {
        if (m_onAsk)
            m_onAsk();
        const size_t at = static_cast<size_t>(m_nAsked++);
        if (m_nAsked > kGiveUpAfter)
            return 5;
        return at < m_answers.size() ? m_answers[at] : m_answers.back();
    }

    std::vector<int> m_answers;
    int m_nRunResult;
    HWND m_hWindow = nullptr;
    int m_nRuns = 0;
    int m_nAsked = 0;
    std::function<void()> m_onAsk;
};

int BarOf(HWND hPage)
{
    return static_cast<int>(SendMessageW(GetDlgItem(hPage, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
}

void Settle()
{
    for (int i = 0; i < 5; ++i)
        PumpMessagesUntil([]() { return true; }, 1000);
}

class ProgressPumpsTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "ProgressPumps_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(kEnglish);
    }
    void Open(CMsiProgressDlg& page, int nMask = 0)
    {
        ASSERT_TRUE(page.Initialize(L"Installing %s", L"", L"", 20, 80, nMask, 0, nullptr));
        ASSERT_TRUE(page.Create());
    }
    CFakeWizardHost m_host;
    CFakeProgressEngine m_pageEngine;
};

TEST_F(ProgressPumpsTest, StepDrivenPumpEndsWhenTheEngineLeavesBusyOrTheStepCannotStart)
{
    struct CCase
    {
        const char* name;
        std::vector<int> answers;
        int runResult;
        bool runStep;
        bool result;
        int runs;
        int asked;
    };
    const CCase cases[] = {
        { "38, 38, 5", { 38, 38, 5 }, 1, true, true, 1, 3 },
        { "not busy at once", { 5 }, 1, true, true, 1, 1 },
        { "without running the step", { 38, 5 }, 1, false, true, 0, 2 },
        { "the step cannot start", { 38 }, 0, true, false, 1, 0 },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CMsiProgressDlg page(&m_pageEngine);
        Open(page);
        CScriptedEngine engine(c.answers, c.runResult);
        EXPECT_EQ(c.result, RunModelessProgress(&engine, &page, c.runStep, false, false));
        EXPECT_EQ(page.m_hWnd, engine.m_hWindow) << "the workers report to the page";
        EXPECT_EQ(c.runs, engine.m_nRuns);
        EXPECT_EQ(c.asked, engine.m_nAsked);
        EXPECT_TRUE(IsWindowVisible(page.m_hWnd));
    }
}

TEST_F(ProgressPumpsTest, AnEndLeftInTheQueueDoesNotEndTheNextPhase)
{
    CMsiProgressDlg page(&m_pageEngine);
    Open(page);
    // The worker of the first phase ends twice (its end and a late one); the page is reused.
    PostMessageW(page.m_hWnd, PROGRESSDLG_END_DIALOG, 1, 0);
    PostMessageW(page.m_hWnd, PROGRESSDLG_END_DIALOG, 3, 0);
    CScriptedEngine first({ 38 });
    EXPECT_TRUE(RunModelessProgress(&first, &page, true, false, false));
    EXPECT_LT(first.m_nAsked, kGiveUpAfter) << "the end message ended the pump";
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, page.m_hWnd, PROGRESSDLG_END_DIALOG, PROGRESSDLG_END_DIALOG, PM_NOREMOVE));

    CScriptedEngine second({ 38, 38, 38, 5 });
    EXPECT_TRUE(RunModelessProgress(&second, &page, true, false, false));
    EXPECT_EQ(4, second.m_nAsked) << "the next phase ran until its engine was through";
}

TEST_F(ProgressPumpsTest, AnEndDispatchedDuringTheCancelQuestionEndsThePump)
{
    CMsiProgressDlg page(&m_pageEngine);
    Open(page, MSI_PROGRESS_CANCEL);
    HWND hPage = page.m_hWnd;
    std::atomic<bool> answered{ false };
    std::thread driver([hPage, &answered]() {
        if (HWND hQuestion = WaitForWindow([hPage]() { return OwnedBy(hPage); }))
        {
            // The question's own loop dispatches the end to the page; "No" follows it.
            PostMessageW(hPage, PROGRESSDLG_END_DIALOG, 1, 0);
            DWORD_PTR result = 0;
            SendMessageTimeoutW(hPage, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            PressDialogButton(hQuestion, IDCANCEL);
            answered = true;
        }
    });
    PostMessageW(hPage, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    CScriptedEngine engine({ 38 });
    EXPECT_TRUE(RunModelessProgress(&engine, &page, true, false, false));
    driver.join();
    EXPECT_TRUE(answered.load());
    EXPECT_LT(engine.m_nAsked, kGiveUpAfter) << "the kept end ended the pump";
    EXPECT_FALSE(page.IsCancelled());
    EXPECT_EQ(0u, page.TakeDispatchedEnd()) << "taken by the pump";
    EXPECT_TRUE(IsWindow(hPage));
}

TEST_F(ProgressPumpsTest, ASilentPageIsNeverShownAndTicksMoveTheBar)
{
    CMsiProgressDlg page(&m_pageEngine);
    Open(page);
    const DWORD now = GetTickCount();
    page.SetRange(static_cast<int>(now), static_cast<int>(now + 60000));
    bool everVisible = false;
    CScriptedEngine engine({ 38, 38, 38, 38, 38, 5 });
    engine.m_onAsk = [&]() { everVisible = everVisible || IsWindowVisible(page.m_hWnd); };
    EXPECT_TRUE(RunModelessProgress(&engine, &page, true, true, true));
    EXPECT_FALSE(everVisible);
    EXPECT_FALSE(IsWindowVisible(page.m_hWnd));
    Settle();
    // Posted ticks within [now, now + 60000] put the bar into the window's lower part.
    EXPECT_GT(BarOf(page.m_hWnd), 200000);
    EXPECT_LT(BarOf(page.m_hWnd), 800000);
}

TEST_F(ProgressPumpsTest, PlainPumpEndsOnThePagesCloseAndDispatchesItsEnd)
{
    CMsiProgressDlg page(&m_pageEngine);
    Open(page);
    PostMessageW(page.m_hWnd, PROGRESSDLG_END_DIALOG, 1, 0);
    PostMessageW(page.m_hWnd, WM_CLOSE, 0, 0);
    RunPagePump(&page, false);
    EXPECT_TRUE(IsWindow(page.m_hWnd)) << "the close is the caller's to act on";
    EXPECT_EQ(1u, page.TakeDispatchedEnd()) << "dispatched to the page like any other message";

    // A page whose window goes ends the pump too.
    PostMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_WIZARD_ABORT, BN_CLICKED), 0);
    RunPagePump(&page, false);
    EXPECT_FALSE(IsWindow(page.m_hWnd));
}

TEST_F(ProgressPumpsTest, PostsFromAWorkerWhileThePageClosesReachItOrNothing)
{
    CMsiProgressDlg page(&m_pageEngine);
    Open(page);
    HWND hPage = page.m_hWnd;
    PostProgressRange(hPage, 0, 1000);
    PostProgressPos(hPage, 0);
    PostProgressStep(hPage, 250);
    PostProgressStepIt(hPage);
    PostProgressText(hPage, IDC_PROGRESS_EXTRA_TEXT, L"Copying a.dll");
    Settle();
    // 250 of 1000 in 20..80 %.
    EXPECT_EQ(350000, BarOf(hPage));
    EXPECT_EQ(CString(L"Copying a.dll"), page.GetDlgItemText(IDC_PROGRESS_EXTRA_TEXT));

    // A worker posting at its pace (a flood would keep any pump busy) while the page goes.
    std::atomic<int> posts{ 0 };
    std::thread worker([&]() {
        for (int i = 0; i < 200; ++i)
        {
            PostProgressStepIt(hPage);
            PostProgressText(hPage, IDC_PROGRESS_EXTRA_TEXT, L"Copying b.dll");
            ++posts;
            Sleep(2);
        }
    });
    WaitForWindow([&]() { return posts > 30 ? hPage : nullptr; });
    Settle();
    page.DestroyWindow();
    worker.join();
    Settle();
    EXPECT_FALSE(IsWindow(hPage));
    PostProgressEnd(hPage, true);
    Settle();
}
}
