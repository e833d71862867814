// The installation progress page as a real window on the test X server, driven by the
// registered messages the workers post: the percent window and the logical range, stale ticks
// around the wrap of the tick count, Cancel per button mask (Esc and closing included) or offered
// by a waiting worker, the question answered while the page stays live, an end of the phase
// dispatched meanwhile, the timer's listener, texts, abort, and a picture of the page.
#include "wizard/MsiProgressDlg.h"
#include "wizard/ProgressPumps.h"
#include "wizard/resource.h"
#include "classlib/WinApp.h"
#include "tests/common/Screenshot.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"
#include "tests/common/WizardFakes.h"
#include "workers/WindowMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace
{
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

int BarOf(HWND hPage)
{
    return static_cast<int>(SendMessageW(GetDlgItem(hPage, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
}

// Lets every message already queued for this thread (and those they post) be handled.
void Settle()
{
    for (int i = 0; i < 5; ++i)
        PumpMessagesUntil([]() { return true; }, 1000);
}

class CCountingListener : public IProgressTimerListener
{
public:
    void OnProgressTimer(CMsiProgressDlg* pPage) override
    {
        ++m_nCalls;
        m_pPage = pPage;
    }
    int m_nCalls = 0;
    CMsiProgressDlg* m_pPage = nullptr;
};

class MsiProgressDlgTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "MsiProgressDlg_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(kEnglish);
    }
    void Open(CMsiProgressDlg& page, int nLow, int nHigh, int nMask)
    {
        ASSERT_TRUE(page.Create());
        ASSERT_TRUE(page.Initialize(L"Installing %s", L"", L"", nLow, nHigh, nMask, 0, nullptr));
        SetWindowPos(page.m_hWnd, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(page.m_hWnd);
        Settle();
    }
    CFakeWizardHost m_host;
    CFakeProgressEngine m_engine;
};

TEST_F(MsiProgressDlgTest, InitializeKeepsThePercentWindowValidAndNamesTheWindowToTheEngine)
{
    CMsiProgressDlg page(&m_engine);
    // Before the window: numbers only.
    EXPECT_FALSE(page.Initialize(L"", L"", L"", 50, 50, 0, 0, nullptr));
    EXPECT_TRUE(Contains(Log(), L"ERR: CMsiProgressDlg::Initialize: Invalid range percentages specified (50% to 50%)"));
    EXPECT_TRUE(page.Initialize(L"", L"", L"", 20, 150, 0, 0, nullptr));
    EXPECT_EQ(nullptr, m_engine.m_hProgressWnd);
    ASSERT_TRUE(page.Create());
    EXPECT_EQ(200000, BarOf(page.m_hWnd));
    // 20 to 150 became 20 to 100: the top of the range is the end of the bar.
    SendMessageW(page.m_hWnd, PROGRESSDLG_PBM_SETPOS, 100, 1);
    EXPECT_EQ(MSI_PROGRESS_BAR_RANGE, BarOf(page.m_hWnd));
    // A refused window leaves the bar where it was.
    EXPECT_FALSE(page.Initialize(L"", L"", L"", 70, 60, 0, 0, nullptr));
    EXPECT_EQ(MSI_PROGRESS_BAR_RANGE, BarOf(page.m_hWnd));
    EXPECT_TRUE(page.Initialize(L"", L"", L"", 0, 5, 0, 0, nullptr));
    EXPECT_EQ(page.m_hWnd, m_engine.m_hProgressWnd);
    EXPECT_EQ(0, BarOf(page.m_hWnd));
}

TEST_F(MsiProgressDlgTest, PositionMessagesFillTheWindowForwardOnlyAndStaleTicksAreIgnored)
{
    CMsiProgressDlg page(&m_engine);
    Open(page, 20, 80, 0);
    const UINT SETPOS = PROGRESSDLG_PBM_SETPOS, RANGE = PROGRESSDLG_PBM_SETRANGE32, STEP = PROGRESSDLG_PBM_SETSTEP,
               STEPIT = PROGRESSDLG_PBM_STEPIT, PERCENTS = PROGRESSDLG_NEW_RANGE_PERCENTS;
    // The tick counts pass 0xFFFFFFFF halfway: newer and older are told in wrapping time.
    struct CRow
    {
        const char* name;
        UINT message;
        WPARAM wParam;
        DWORD lParam;
        LRESULT result;
        int bar;
    };
    const CRow rows[] = {
        { "50 of 0..100 in 20..80 %", SETPOS, 50, 0xFFFFFFF0, 0, 500000 },
        { "never back", SETPOS, 30, 0xFFFFFFF8, 50, 500000 },
        { "101 lies outside", SETPOS, 101, 0xFFFFFFFA, 50, 500000 },
        { "an older tick", SETPOS, 90, 0xFFFFFFF4, 0, 500000 },
        { "the same tick as the last", SETPOS, 60, 0xFFFFFFFA, 50, 560000 },
        { "after the wrap is newer", SETPOS, 61, 0x00000004, 60, 566000 },
        { "before the wrap is older now", SETPOS, 70, 0xFFFFFFFE, 0, 566000 },
        { "an empty range is refused", RANGE, 5, 5, 0, 566000 },
        { "0..200 after 0..100", RANGE, 0, 200, 100 << 16, 566000 },
        { "0..100 after 0..200", RANGE, 0, 100, 200 << 16, 566000 },
        { "step 10 (the control had its own)", STEP, 10, 0x00000005, 0, 566000 },
        { "step it", STEPIT, 0, 0x00000006, 61, 626000 },
        { "step it at an older tick", STEPIT, 0, 0x00000001, 0, 626000 },
        { "99", SETPOS, 99, 0x00000007, 71, 794000 },
        { "a step past the window's end", STEPIT, 0, 0x00000008, 99, 794000 },
        { "a new window moves the bar back to its start", PERCENTS, 10, 30, 0, 100000 },
    };
    for (const CRow& r : rows)
    {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.result, SendMessageW(page.m_hWnd, r.message, r.wParam, static_cast<LPARAM>(r.lParam)));
        EXPECT_EQ(r.bar, BarOf(page.m_hWnd));
    }
    EXPECT_TRUE(Contains(Log(), L"CMsiProgressDlg::RangedProgress_SetPos will move to 50 of [0-100] in the range [20%-80%]"));
    EXPECT_TRUE(Contains(Log(), L"CMsiProgressDlg::RangedProgress_StepIt will advance 10 from 61 of [0-100] in the range [20%-80%]"));

    // The installation's range is tick counts, [now, now + 60000], and may pass the wrap too.
    ASSERT_TRUE(page.Initialize(L"", L"", L"", 20, 80, 0, 0, nullptr));
    const DWORD now = 0xFFFF8000;
    page.SetRange(static_cast<int>(now), static_cast<int>(now + 60000));
    page.RangedProgress_SetPos(static_cast<int>(now + 30000));
    EXPECT_EQ(500000, BarOf(page.m_hWnd));
    page.RangedProgress_SetPos(static_cast<int>(now + 60001));
    EXPECT_EQ(500000, BarOf(page.m_hWnd));
    page.RangedProgress_SetPos(static_cast<int>(now + 45000));
    EXPECT_EQ(650000, BarOf(page.m_hWnd));
}

TEST_F(MsiProgressDlgTest, CancelActsOnlyWhereTheMaskShowsItAndIsAskedWhileThePageStaysLive)
{
    struct CCase
    {
        const char* name;
        int nMask;
        std::function<void(HWND)> act;
        int answer;      // the question's button; 0: no question may come
        bool cancelled;
        // What a worker posts from its thread first: 0 nothing, 1 the offer of Cancel, 2 the
        // offer and then its end.
        int offer;
    };
    auto click = [](HWND h) { PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(h, IDCANCEL))); };
    auto esc = [](HWND h) { PostMessageW(GetDlgItem(h, IDC_PROGRESS_BAR), WM_KEYDOWN, VK_ESCAPE, 0); };
    auto close = [](HWND h) { PostMessageW(h, WM_CLOSE, 0, 0); };
    const CCase cases[] = {
        { "Cancel, No", MSI_PROGRESS_CANCEL, click, IDCANCEL, false, 0 },
        { "Cancel, Yes", MSI_PROGRESS_CANCEL, click, IDOK, true, 0 },
        { "Esc, Yes", MSI_PROGRESS_CANCEL, esc, IDOK, true, 0 },
        { "close, No", MSI_PROGRESS_CANCEL, close, IDCANCEL, false, 0 },
        { "Cancel without the button", 0, click, 0, false, 0 },
        { "Esc without the button", 0, esc, 0, false, 0 },
        { "close without the button", 0, close, 0, false, 0 },
        { "offered by the worker: Esc, Yes", 0, esc, IDOK, true, 1 },
        { "offered by the worker: Cancel, No", 0, click, IDCANCEL, false, 1 },
        { "offered and taken back: Esc", 0, esc, 0, false, 2 },
        { "offered and taken back: close", MSI_PROGRESS_CANCEL, close, 0, false, 2 },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CFakeProgressEngine engine;
        CMsiProgressDlg page(&engine);
        Open(page, 20, 80, c.nMask);
        HWND hPage = page.m_hWnd;
        HWND hCancel = GetDlgItem(hPage, IDCANCEL);
        RECT bar = {}, button = {};
        GetWindowRect(GetDlgItem(hPage, IDC_PROGRESS_BAR), &bar);
        GetWindowRect(hCancel, &button);
        EXPECT_EQ(c.nMask != 0, IsWindowVisible(hCancel) != FALSE);
        if (c.nMask)
        {
            EXPECT_GE(button.top, bar.bottom) << "below the bar";
        }
        if (c.offer)
        {
            std::thread worker([&c, hPage]() {
                PostCancelOffer(hPage, true);
                if (c.offer == 2)
                    PostCancelOffer(hPage, false);
            });
            worker.join();
            Settle();
            GetWindowRect(hCancel, &button);
            EXPECT_EQ(c.offer == 1, IsWindowVisible(hCancel) != FALSE);
            if (c.offer == 1)
            {
                EXPECT_GE(button.top, bar.bottom) << "below the bar";
            }
        }
        const bool shown = c.offer ? c.offer == 1 : c.nMask != 0;

        std::atomic<bool> asked{ false }, disabled{ false }, moved{ false };
        std::thread driver([&]() {
            if (!c.answer)
                return;
            HWND hQuestion = WaitForWindow([hPage]() { return OwnedBy(hPage); });
            if (!hQuestion)
                return;
            asked = true;
            disabled = !IsWindowEnabled(hPage);
            // The page goes on taking the workers' messages while it asks.
            DWORD_PTR result = 0;
            SendMessageTimeoutW(hPage, PROGRESSDLG_PBM_SETPOS, 40, static_cast<LPARAM>(GetTickCount()), SMTO_NORMAL,
                                5000, &result);
            moved = BarOf(hPage) == 440000;
            PressDialogButton(hQuestion, c.answer);
        });
        c.act(hPage);
        Settle();
        driver.join();
        EXPECT_EQ(c.answer != 0, asked.load());
        EXPECT_EQ(nullptr, OwnedBy(hPage));
        if (c.answer)
        {
            EXPECT_TRUE(disabled);
            EXPECT_TRUE(moved);
        }
        EXPECT_TRUE(IsWindow(hPage)) << "Cancel never closes the page itself";
        EXPECT_EQ(c.cancelled, page.IsCancelled() != FALSE);
        EXPECT_EQ(c.cancelled ? 1 : 0, engine.m_nStops.load());
        EXPECT_EQ(shown && !c.cancelled, IsWindowEnabled(hCancel) != FALSE);
        if (c.cancelled)
        {
            // A worker still waiting offers it again: a confirmed cancel stays the last.
            std::thread worker([hPage]() { PostCancelOffer(hPage, true); });
            worker.join();
            Settle();
            EXPECT_FALSE(IsWindowEnabled(hCancel));
            // The next phase does not offer it again, and the command asks nothing.
            ASSERT_TRUE(page.Initialize(L"", L"", L"", 80, 90, MSI_PROGRESS_CANCEL, 0, nullptr));
            EXPECT_FALSE(IsWindowEnabled(hCancel));
            click(hPage);
            Settle();
            EXPECT_EQ(nullptr, OwnedBy(hPage));
            EXPECT_EQ(1, engine.m_nStops.load());
        }
    }
}

TEST_F(MsiProgressDlgTest, AnEndOfThePhaseDispatchedDuringTheQuestionIsKept)
{
    CMsiProgressDlg page(&m_engine);
    Open(page, 20, 80, MSI_PROGRESS_CANCEL);
    HWND hPage = page.m_hWnd;
    std::thread driver([hPage]() {
        if (HWND hQuestion = WaitForWindow([hPage]() { return OwnedBy(hPage); }))
        {
            // Both go into the same queue: the end is dispatched before the answer ends the question.
            PostMessageW(hPage, PROGRESSDLG_END_DIALOG, 1, 0);
            PressDialogButton(hQuestion, IDCANCEL);
        }
    });
    EXPECT_EQ(0u, page.TakeDispatchedEnd());
    PostMessageW(hPage, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Settle();
    driver.join();
    EXPECT_EQ(1u, page.TakeDispatchedEnd());
    EXPECT_EQ(0u, page.TakeDispatchedEnd());
    EXPECT_FALSE(page.IsCancelled());
}

TEST_F(MsiProgressDlgTest, TimerAsksTheListenerUntilAPhaseWithoutOne)
{
    CMsiProgressDlg page(&m_engine);
    CCountingListener listener;
    ASSERT_TRUE(page.Initialize(L"", L"", L"", 95, 100, 0, 0, &listener));
    ASSERT_TRUE(page.Create());
    EXPECT_TRUE(PumpMessagesUntil([&listener]() { return listener.m_nCalls >= 2; }, 10000));
    EXPECT_EQ(&page, listener.m_pPage);
    ASSERT_TRUE(page.Initialize(L"", L"", L"", 95, 100, 0, 0, nullptr));
    Settle();
    const int nCalls = listener.m_nCalls;
    PumpMessagesUntil([]() { return false; }, 400);
    EXPECT_EQ(nCalls, listener.m_nCalls);
}

TEST_F(MsiProgressDlgTest, TextsComeThroughTheQueueAndAbortAndOkDestroyThePage)
{
    CMsiProgressDlg page(&m_engine);
    Open(page, 20, 80, 0);
    EXPECT_EQ(CString(L"Installing Quux Player"), page.GetDlgItemText(IDC_WIZARD_HEADING));
    EXPECT_EQ(CString(L"Please wait..."), page.GetDlgItemText(IDC_PROGRESS_MAIN_TEXT));
    std::thread worker([&page]() { page.PostSetMessage(IDC_PROGRESS_EXTRA_TEXT, L"Copying a.dll"); });
    worker.join();
    Settle();
    EXPECT_EQ(CString(L"Copying a.dll"), page.GetDlgItemText(IDC_PROGRESS_EXTRA_TEXT));
    page.PostSetMessage(IDC_PROGRESS_EXTRA_TEXT, L"");
    Settle();
    EXPECT_EQ(CString(L"Copying a.dll"), page.GetDlgItemText(IDC_PROGRESS_EXTRA_TEXT)) << "an empty text changes nothing";

    HWND hPage = page.m_hWnd;
    SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(IDC_WIZARD_ABORT, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(hPage));
    EXPECT_TRUE(page.IsAborted());
    ASSERT_TRUE(page.Create());
    SendMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(nullptr, page.m_hWnd);
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"INF: CMsiProgressDlg::OnAbort is destroying the progress dialog !")) << log;
    EXPECT_TRUE(Contains(log, L"WRN: CMsiProgressDlg::OnOK is destroying the progress dialog !"));
    EXPECT_EQ(2, CountOf(log, L"INF: CMsiProgressDlg::OnDestroy"));
}

TEST_F(MsiProgressDlgTest, ScreenshotShowsTheBoldHeadingOverTheHeaderAndCancelBelowTheBar)
{
    CMsiProgressDlg page(&m_engine);
    Open(page, 20, 80, MSI_PROGRESS_CANCEL);
    SendMessageW(page.m_hWnd, PROGRESSDLG_PBM_SETPOS, 50, 1);
    UpdateWindow(page.m_hWnd);
    Settle();
    HFONT hFont = reinterpret_cast<HFONT>(SendMessageW(page.GetDlgItem(IDC_WIZARD_HEADING), WM_GETFONT, 0, 0));
    LOGFONTW logFont = {};
    GetObjectW(hFont, sizeof(logFont), &logFont);
    EXPECT_EQ(600, logFont.lfWeight);
    CWindowPixels capture;
    ASSERT_TRUE(CaptureWindow(page.m_hWnd, capture));
    const POINT corner = ClientToCapture(page.m_hWnd, { 3, 3 });
    EXPECT_EQ(kFakeHeaderColour, capture.At(corner.x, corner.y));
    const CString path = SaveWindowScreenshot(page.m_hWnd, L"MsiProgressPage");
    ASSERT_FALSE(path.IsEmpty());
    EXPECT_EQ(std::string("\x89PNG", 4), ReadBytes(path).substr(0, 4));
}
}
