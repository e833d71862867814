// The download progress page and the watchdog page as real windows on the test X server, in
// every language: the byte sizes, the bar and the status line per timer tick, the end of the
// step, the downloader's owner window, Cancel and Esc ignored, abort, texts sent from workers,
// the marquee paused and started again, the step started by the page, and a picture of each.
#include "wizard/DownloadProgressDlg.h"
#include "wizard/GuiWatchDogDlg.h"
#include "wizard/MsiProgressDlg.h"
#include "wizard/resource.h"
#include "classlib/WinApp.h"
#include "tests/common/PageLanguages.h"
#include "tests/common/Screenshot.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"
#include "tests/common/WizardFakes.h"
#include "workers/WindowMessages.h"

#include <gtest/gtest.h>

#include <oleauto.h>

namespace
{
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

class CFakeStepEngine : public IWatchedStepEngine
{
public:
    int GetNextStep(bool) override { return m_nNextStep; }
    int RunNextStep() override { return ++m_nRuns; }
    void SetProgressWnd(HWND hWnd) override { m_hProgressWnd = hWnd; }

    int m_nNextStep = WATCHED_STEP_BUSY;
    int m_nRuns = 0;
    HWND m_hProgressWnd = nullptr;
};

class CFakeDownloadProgress : public IHttpDownloadProgress
{
public:
    void SetParentWindow(HWND hWnd) override
    {
        m_hParent = hWnd;
        ++m_nParentCalls;
    }
    void GetProgress(DWORD& rBytesSoFar, DWORD& rTotalBytes) override
    {
        rBytesSoFar = m_dwBytes;
        rTotalBytes = m_dwTotal;
    }

    HWND m_hParent = nullptr;
    int m_nParentCalls = 0;
    DWORD m_dwBytes = 0;
    DWORD m_dwTotal = 0;
};

class CCountingListener : public IDownloadTimerListener
{
public:
    void OnProgressTimer(CDownloadProgressDlg* pPage) override
    {
        ++m_nCalls;
        m_pPage = pPage;
    }
    int m_nCalls = 0;
    CDownloadProgressDlg* m_pPage = nullptr;
};

CString TextOf(HWND hPage, int nID)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(hPage, nID, text, 1024);
    return text;
}

int BarOf(HWND hPage)
{
    return static_cast<int>(SendDlgItemMessageW(hPage, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
}

int BarHigh(HWND hPage)
{
    return static_cast<int>(SendDlgItemMessageW(hPage, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0));
}

bool IsShown(HWND hPage, int nID)
{
    HWND hItem = GetDlgItem(hPage, nID);
    return hItem && (GetWindowLongW(hItem, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsEnabledItem(HWND hPage, int nID)
{
    return IsWindowEnabled(GetDlgItem(hPage, nID)) != FALSE;
}

// One tick of the page's timer, as the system would deliver it.
void Tick(HWND hPage, UINT_PTR nTimer)
{
    SendMessageW(hPage, WM_TIMER, nTimer, 0);
}

void Settle()
{
    for (int i = 0; i < 5; ++i)
        PumpMessagesUntil([]() { return true; }, 1000);
}

// The message waiting in this thread's queue for the window, taken from it; false when none.
bool TakeQueued(HWND hWnd, UINT message, MSG& rMsg)
{
    return PeekMessageW(&rMsg, hWnd, message, message, PM_REMOVE) != FALSE;
}

BOOL CALLBACK CollectText(HWND hWnd, LPARAM lParam)
{
    wchar_t text[1024] = {};
    GetWindowTextW(hWnd, text, 1024);
    *reinterpret_cast<CString*>(lParam) += CString(text) + L"\n";
    return TRUE;
}

// The page's caption and the texts of all its controls.
CString AllTexts(HWND hPage)
{
    CString texts;
    CollectText(hPage, reinterpret_cast<LPARAM>(&texts));
    EnumChildWindows(hPage, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

CString Loaded(UINT nID, LANGID language)
{
    CString text;
    AfxLoadString(nID, text, language);
    return text;
}

class DownloadProgressDlgTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "DownloadProgressDlg_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(kEnglish);
    }
    void TearDown() override
    {
        AfxSetResourceLanguage(kEnglish);
        CTracedTest::TearDown();
    }
    void Show(HWND hPage)
    {
        SetWindowPos(hPage, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(hPage);
        Settle();
    }
    CFakeWizardHost m_host;
    CFakeStepEngine m_engine;
    CFakeDownloadProgress m_download;
};
}

TEST(DownloadProgressDlgFormat, ByteSizesPickTheirUnitAtTheBoundaries)
{
    const struct
    {
        DWORD n;
        const wchar_t* text;
    } cases[] = {
        { 0, L"0 bytes" },
        { 1023, L"1023 bytes" },
        { 1024, L"1.00 KB" },
        { 1572864, L"1.50 MB" },
        { 1073741823, L"1024.00 MB" },
        { 1073741824, L"1.00 GB" },
        { 4294967295u, L"4.00 GB" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString(c.text), CDownloadProgressDlg::FormatByteSize(c.n)) << c.n;
}

TEST_F(DownloadProgressDlgTest, TicksShowTheBytesUntilTheStepEndsAndTheDownloaderKeepsItsOwner)
{
    CDownloadProgressDlg page(&m_engine, &m_download);
    CCountingListener listener;
    ASSERT_TRUE(page.Initialize(L"", L"", MSI_PROGRESS_CANCEL, 0, &listener));
    ASSERT_TRUE(page.Create());
    Show(page.m_hWnd);
    EXPECT_EQ(page.m_hWnd, m_engine.m_hProgressWnd);
    EXPECT_EQ(page.m_hWnd, m_download.m_hParent);
    EXPECT_EQ(CString(L"Fake Setup"), page.GetWindowText());
    EXPECT_EQ(CString(L"Preparing Installation"), TextOf(page.m_hWnd, IDC_WIZARD_HEADING));
    EXPECT_TRUE(Contains(TextOf(page.m_hWnd, IDC_WIZARD_TEXT), L"install Quux Player."));
    EXPECT_FALSE(IsEnabledItem(page.m_hWnd, IDC_WIZARD_BACK));
    EXPECT_FALSE(IsEnabledItem(page.m_hWnd, IDOK));
    EXPECT_TRUE(IsEnabledItem(page.m_hWnd, IDCANCEL));

    // Nothing has arrived: the bar stays at 0 and the status line keeps waiting.
    const int nCallsBefore = listener.m_nCalls;
    Tick(page.m_hWnd, DOWNLOAD_PROGRESS_TIMER);
    EXPECT_EQ(0, BarOf(page.m_hWnd));
    EXPECT_EQ(CString(L"Please wait..."), TextOf(page.m_hWnd, IDC_PROGRESS_MAIN_TEXT));
    EXPECT_EQ(nCallsBefore + 1, listener.m_nCalls);
    EXPECT_EQ(&page, listener.m_pPage);

    m_download.m_dwTotal = 2048;
    m_download.m_dwBytes = 512;
    Tick(page.m_hWnd, DOWNLOAD_PROGRESS_TIMER);
    EXPECT_EQ(2048, BarHigh(page.m_hWnd));
    EXPECT_EQ(512, BarOf(page.m_hWnd));
    EXPECT_EQ(CString(L"Downloaded 512 bytes of 2.00 KB"), TextOf(page.m_hWnd, IDC_PROGRESS_MAIN_TEXT));
    // A larger total (the next file on the same page) sets the range again; beyond the bar's
    // signed range the bar still fills in proportion.
    m_download.m_dwTotal = 4294967295u;
    m_download.m_dwBytes = 2147483648u;
    Tick(page.m_hWnd, DOWNLOAD_PROGRESS_TIMER);
    EXPECT_GT(BarHigh(page.m_hWnd), 0);
    EXPECT_NEAR(BarHigh(page.m_hWnd) / 2, BarOf(page.m_hWnd), 1);
    EXPECT_EQ(CString(L"Downloaded 2.00 GB of 4.00 GB"), TextOf(page.m_hWnd, IDC_PROGRESS_MAIN_TEXT));
    EXPECT_FALSE(SaveWindowScreenshot(page.m_hWnd, L"DownloadProgress_en-US").IsEmpty());

    // The step is over: the pump is told to end, the timer stops and the downloader lets go
    // of the page.
    m_engine.m_nNextStep = 12;
    Tick(page.m_hWnd, DOWNLOAD_PROGRESS_TIMER);
    MSG msg = {};
    ASSERT_TRUE(TakeQueued(page.m_hWnd, PROGRESSDLG_END_DIALOG, msg));
    EXPECT_EQ(1u, msg.wParam);
    EXPECT_EQ(nullptr, m_download.m_hParent);
    EXPECT_FALSE(KillTimer(page.m_hWnd, DOWNLOAD_PROGRESS_TIMER));

    // The next download on the same window: the range starts again, the status line waits, and
    // the downloader's failure box has its owner again.
    m_engine.m_nNextStep = WATCHED_STEP_BUSY;
    m_download.m_dwTotal = 100;
    m_download.m_dwBytes = 0;
    ASSERT_TRUE(page.Initialize(L"Downloading %s", L"", 0, 0, nullptr));
    EXPECT_EQ(page.m_hWnd, m_download.m_hParent);
    EXPECT_EQ(CString(L"Downloading Quux Player"), TextOf(page.m_hWnd, IDC_WIZARD_HEADING));
    EXPECT_EQ(CString(L"Please wait..."), TextOf(page.m_hWnd, IDC_PROGRESS_MAIN_TEXT));
    EXPECT_EQ(0, BarOf(page.m_hWnd));
    EXPECT_FALSE(IsEnabledItem(page.m_hWnd, IDCANCEL));
    EXPECT_TRUE(KillTimer(page.m_hWnd, DOWNLOAD_PROGRESS_TIMER));
    Tick(page.m_hWnd, DOWNLOAD_PROGRESS_TIMER);
    EXPECT_EQ(100, BarHigh(page.m_hWnd));
}

TEST_F(DownloadProgressDlgTest, CancelEscAndCloseDoNothingAbortEndsThePage)
{
    CDownloadProgressDlg page(&m_engine, &m_download);
    ASSERT_TRUE(page.Initialize(L"", L"", MSI_PROGRESS_CANCEL, 0, nullptr));
    ASSERT_TRUE(page.Create());
    Show(page.m_hWnd);
    SendMessageW(GetDlgItem(page.m_hWnd, IDCANCEL), BM_CLICK, 0, 0);
    SendMessageW(page.m_hWnd, WM_COMMAND, IDCANCEL, 0); // Esc
    SendMessageW(page.m_hWnd, WM_CLOSE, 0, 0);
    EnableWindow(GetDlgItem(page.m_hWnd, IDCANCEL), FALSE);
    SendMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Settle();
    ASSERT_TRUE(IsWindow(page.m_hWnd));
    EXPECT_TRUE(IsWindowVisible(page.m_hWnd));
    EXPECT_FALSE(page.IsCancelled());
    EXPECT_TRUE(Contains(Log(), L"CDownloadProgressDlg::OnClose"));

    // Texts from a worker: the heading line repainted, any other line set; an empty text and
    // each string are freed.
    SendMessageW(page.m_hWnd, PROGRESSDLG_SET_MESSAGE, IDC_WIZARD_SUBHEADING,
                 reinterpret_cast<LPARAM>(SysAllocString(L"Fetching the archive")));
    SendMessageW(page.m_hWnd, PROGRESSDLG_SET_MESSAGE, IDC_PROGRESS_MAIN_TEXT,
                 reinterpret_cast<LPARAM>(SysAllocString(L"Connecting")));
    SendMessageW(page.m_hWnd, PROGRESSDLG_SET_MESSAGE, IDC_WIZARD_HEADING, reinterpret_cast<LPARAM>(SysAllocString(L"")));
    EXPECT_EQ(CString(L"Fetching the archive"), TextOf(page.m_hWnd, IDC_WIZARD_SUBHEADING));
    EXPECT_EQ(CString(L"Connecting"), TextOf(page.m_hWnd, IDC_PROGRESS_MAIN_TEXT));
    EXPECT_EQ(CString(L"Preparing Installation"), TextOf(page.m_hWnd, IDC_WIZARD_HEADING));
    EXPECT_TRUE(IsShown(page.m_hWnd, IDC_WIZARD_HEADING));
    EXPECT_TRUE(IsShown(page.m_hWnd, IDC_WIZARD_SUBHEADING));

    SendMessageW(page.m_hWnd, WM_COMMAND, IDC_WIZARD_ABORT, 0);
    EXPECT_EQ(nullptr, page.m_hWnd);
    EXPECT_TRUE(page.IsAborted());
    EXPECT_FALSE(page.IsCancelled());
    EXPECT_TRUE(Contains(Log(), L"WRN: CDownloadProgressDlg::OnAbort is destroying the progress dialog !"));
    EXPECT_TRUE(Contains(Log(), L"CDownloadProgressDlg::OnDestroy"));
    // The page left its place for the next page.
    EXPECT_TRUE(m_host.m_bSaved);
}

TEST_F(DownloadProgressDlgTest, EveryLanguageShowsItsOwnTextsAndAPicture)
{
    for (const CPageLanguage& language : kPageLanguages)
    {
        SCOPED_TRACE(CString(language.pszName).ToNarrow());
        AfxSetResourceLanguage(language.id);
        CDownloadProgressDlg page(&m_engine, &m_download);
        m_download.m_dwTotal = 3145728;
        m_download.m_dwBytes = 0;
        ASSERT_TRUE(page.Initialize(L"", L"", 0, 0, nullptr));
        ASSERT_TRUE(page.Create());
        ASSERT_EQ(language.id, page.GetLoadedLanguage());
        Show(page.m_hWnd);
        EXPECT_EQ(Loaded(IDS_WORKER_PLEASE_WAIT, language.id), TextOf(page.m_hWnd, IDC_PROGRESS_MAIN_TEXT));
        EXPECT_FALSE(TextOf(page.m_hWnd, IDC_WIZARD_HEADING).IsEmpty());
        EXPECT_TRUE(Contains(TextOf(page.m_hWnd, IDC_WIZARD_TEXT), L"Quux Player"));
        EXPECT_FALSE(Contains(TextOf(page.m_hWnd, IDC_WIZARD_TEXT), L"%s"));
        // Partner 11082 sells the product under its own name: the page names it only through the
        // display name, so none of its own texts says Vantolin.
        EXPECT_FALSE(Contains(AllTexts(page.m_hWnd), L"Vantolin")) << AllTexts(page.m_hWnd).ToNarrow();
        m_download.m_dwBytes = 1572864;
        Tick(page.m_hWnd, DOWNLOAD_PROGRESS_TIMER);
        CString expected;
        expected.Format(Loaded(IDS_DOWNLOADED_OF, language.id), L"1.50 MB", L"3.00 MB");
        EXPECT_EQ(expected, TextOf(page.m_hWnd, IDC_PROGRESS_MAIN_TEXT));
        Settle();
        CWindowPixels capture;
        ASSERT_TRUE(CaptureWindow(page.m_hWnd, capture));
        const POINT corner = ClientToCapture(page.m_hWnd, { 3, 3 });
        EXPECT_EQ(kFakeHeaderColour, capture.At(corner.x, corner.y));
        EXPECT_FALSE(SaveWindowScreenshot(page.m_hWnd, CString(L"DownloadProgress_") + language.pszName).IsEmpty());
    }
}

class GuiWatchDogDlgTest : public DownloadProgressDlgTest
{
protected:
    const char* FolderPrefix() const override { return "GuiWatchDogDlg_"; }
};

TEST_F(GuiWatchDogDlgTest, MarqueeWatchesTheStepPausesStartsAgainAndClosesThePage)
{
    CGuiWatchDogDlg page(&m_engine, L"Checking %s", L"", L"", GUIWATCHDOG_WATCH, nullptr, TRUE);
    ASSERT_TRUE(page.Create());
    Show(page.m_hWnd);
    EXPECT_EQ(1, m_engine.m_nRuns);
    EXPECT_EQ(page.m_hWnd, m_engine.m_hProgressWnd);
    EXPECT_EQ(GUIWATCHDOG_TIMER, GetWatchDogTimerId());
    EXPECT_NE(0, GetWindowLongW(GetDlgItem(page.m_hWnd, IDC_PROGRESS_BAR), GWL_STYLE) & PBS_MARQUEE);
    EXPECT_EQ(CString(L"Checking Quux Player"), TextOf(page.m_hWnd, IDC_WIZARD_HEADING));
    EXPECT_EQ(CString(L"Setup is preparing the installation"), TextOf(page.m_hWnd, IDC_WIZARD_SUBHEADING));
    EXPECT_TRUE(Contains(TextOf(page.m_hWnd, IDC_WIZARD_TEXT), L"configures Quux Player."));
    for (int nID : { IDC_WIZARD_BACK, IDOK, IDCANCEL })
        EXPECT_FALSE(IsEnabledItem(page.m_hWnd, nID)) << nID;
    EXPECT_FALSE(SaveWindowScreenshot(page.m_hWnd, L"WatchDog_en-US").IsEmpty());

    // The .NET worker's own dialog: paused, then started again.
    SendMessageW(page.m_hWnd, GUIWATCHDOGDLG_PAUSE_PROGRESS, 0, 0);
    EXPECT_EQ(0u, GetWatchDogTimerId());
    EXPECT_FALSE(KillTimer(page.m_hWnd, GUIWATCHDOG_TIMER));
    SendMessageW(page.m_hWnd, GUIWATCHDOGDLG_START_PROGRESS, 0, 0);
    EXPECT_EQ(GUIWATCHDOG_TIMER, GetWatchDogTimerId());

    // Cancel, Esc and the close box leave it running while the step runs.
    SendMessageW(page.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    Tick(page.m_hWnd, GUIWATCHDOG_TIMER);
    MSG msg = {};
    EXPECT_FALSE(TakeQueued(page.m_hWnd, WM_CLOSE, msg));
    ASSERT_TRUE(IsWindow(page.m_hWnd));

    m_engine.m_nNextStep = 7;
    Tick(page.m_hWnd, GUIWATCHDOG_TIMER);
    EXPECT_TRUE(TakeQueued(page.m_hWnd, WM_CLOSE, msg));
    EXPECT_EQ(0u, GetWatchDogTimerId());
    EXPECT_TRUE(m_host.m_bSaved);
}

TEST_F(GuiWatchDogDlgTest, WithoutWatchingNoMarqueeAndAbortEndsWithThree)
{
    CGuiWatchDogDlg page(&m_engine, L"", L"", L"", MSI_PROGRESS_CANCEL, nullptr, FALSE);
    ASSERT_TRUE(page.Create());
    Show(page.m_hWnd);
    EXPECT_EQ(0, m_engine.m_nRuns);
    EXPECT_EQ(0u, GetWatchDogTimerId());
    EXPECT_EQ(CString(L"Preparing Installation"), TextOf(page.m_hWnd, IDC_WIZARD_HEADING));
    EXPECT_TRUE(IsEnabledItem(page.m_hWnd, IDCANCEL));
    SendMessageW(GetDlgItem(page.m_hWnd, IDCANCEL), BM_CLICK, 0, 0);
    Settle();
    ASSERT_TRUE(IsWindow(page.m_hWnd));
    page.StartMarquee();
    SendMessageW(page.m_hWnd, WM_COMMAND, IDC_WIZARD_ABORT, 0);
    EXPECT_EQ(3, page.GetEndResult());
    EXPECT_EQ(0u, GetWatchDogTimerId());
    EXPECT_TRUE(Contains(Log(), L"CGuiWatchDogDlg::OnAbort is destroying the progress dialog !"));
}

TEST_F(GuiWatchDogDlgTest, EveryLanguageShowsItsOwnPage)
{
    for (const CPageLanguage& language : kPageLanguages)
    {
        SCOPED_TRACE(CString(language.pszName).ToNarrow());
        AfxSetResourceLanguage(language.id);
        CGuiWatchDogDlg page(&m_engine, L"", L"", L"", GUIWATCHDOG_WATCH, nullptr, FALSE);
        ASSERT_TRUE(page.Create());
        ASSERT_EQ(language.id, page.GetLoadedLanguage());
        Show(page.m_hWnd);
        EXPECT_TRUE(Contains(TextOf(page.m_hWnd, IDC_WIZARD_TEXT), L"Quux Player"));
        EXPECT_FALSE(SaveWindowScreenshot(page.m_hWnd, CString(L"WatchDog_") + language.pszName).IsEmpty());
        page.StopMarquee();
    }
}
