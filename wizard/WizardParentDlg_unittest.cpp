// The wizard page base as real windows on the test X server, driven by Win32 messages: the
// caption and the bold heading, the branding bitmaps in their frames with the statics over them,
// Back, the cancel question (owned by the page, answered No and Yes) and where pages open.
#include "wizard/CancelInstallationDlg.h"
#include "wizard/WizardPages_unittest_ids.h"
#include "wizard/WizardParentDlg.h"
#include "wizard/resource.h"
#include "classlib/WinApp.h"
#include "tests/common/Screenshot.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"
#include "tests/common/WizardFakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace
{
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

class CTestPage : public CWizardParentDlg
{
public:
    CTestPage(UINT nID, int bHeader, int bWatermark) : CWizardParentDlg(bHeader, bWatermark, nID, nullptr) {}
    std::atomic<HWND> m_hCreated{ nullptr };

protected:
    BOOL OnInitDialog() override
    {
        CWizardParentDlg::OnInitDialog();
        m_hCreated = m_hWnd;
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestPage, CWizardParentDlg)
ON_BN_CLICKED(IDC_WIZARD_BACK, &CWizardParentDlg::OnBack)
ON_BN_CLICKED(IDCANCEL, &CWizardParentDlg::OnCancelInstallation)
END_MESSAGE_MAP()

LONG FontWeightOf(HWND hControl)
{
    HFONT hFont = reinterpret_cast<HFONT>(SendMessageW(hControl, WM_GETFONT, 0, 0));
    LOGFONTW logFont = {};
    GetObjectW(hFont, sizeof(logFont), &logFont);
    return logFont.lfWeight;
}

RECT ClientRectOf(HWND hPage, int nID)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(hPage, nID), &rect);
    MapWindowPoints(nullptr, hPage, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

LRESULT CtlColorStatic(HWND hPage, int nID)
{
    HWND hControl = GetDlgItem(hPage, nID);
    HDC hDC = GetDC(hControl);
    const LRESULT brush = SendMessageW(hPage, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC),
                                       reinterpret_cast<LPARAM>(hControl));
    ReleaseDC(hControl, hDC);
    return brush;
}

void Show(CDialog& page)
{
    SetWindowPos(page.m_hWnd, HWND_TOP, 30, 30, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(page.m_hWnd);
    PumpMessagesUntil([]() { return true; }, 1000);
}

class WizardParentDlgTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "WizardParentDlg_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(kEnglish);
    }
    CFakeWizardHost m_host;
};

TEST_F(WizardParentDlgTest, CaptionIsTheTitleAndAHeadingWithTextIsBold)
{
    struct CCase
    {
        UINT nTemplate;
        LONG heading;  // the heading's weight
    };
    const CCase cases[] = {
        { IDD_MSI_PROGRESS, 600 },
        { IDD_TEST_WATERMARK, 600 },
        { IDD_TEST_EMPTY_HEADING, FW_NORMAL }, // nothing to stress
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.nTemplate);
        CTestPage page(c.nTemplate, TRUE, FALSE);
        ASSERT_TRUE(page.Create());
        EXPECT_EQ(CString(L"Fake Setup"), page.GetWindowText());
        EXPECT_EQ(c.heading, FontWeightOf(page.GetDlgItem(IDC_WIZARD_HEADING)));
        if (HWND hOther = page.GetDlgItem(IDC_WIZARD_SUBHEADING))
        {
            EXPECT_EQ(FW_NORMAL, FontWeightOf(hOther));
        }
    }
    // Without an application the template's caption stays.
    IWizardHost* pHost = SetWizardHost(nullptr);
    CTestPage plain(IDD_TEST_WATERMARK, FALSE, TRUE);
    ASSERT_TRUE(plain.Create());
    EXPECT_EQ(CString(L"Watermark page"), plain.GetWindowText());
    SetWizardHost(pHost);
}

TEST_F(WizardParentDlgTest, BrandingFillsItsFrameAndStaticsOverItLetItThrough)
{
    struct CCase
    {
        const char* name;
        UINT nTemplate;
        int bHeader, bWatermark;
        int nFrame;         // the frame that is painted; 0: none
        COLORREF colour;
    };
    const CCase cases[] = {
        { "header page", IDD_MSI_PROGRESS, TRUE, FALSE, IDC_WIZARD_HEADER_FRAME, kFakeHeaderColour },
        { "watermark page", IDD_TEST_WATERMARK, FALSE, TRUE, IDC_WIZARD_WATERMARK_FRAME, kFakeWatermarkColour },
        // The header flag wins, but this template has no header frame.
        { "header flag on a watermark template", IDD_TEST_WATERMARK, TRUE, TRUE, 0, 0 },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CTestPage page(c.nTemplate, c.bHeader, c.bWatermark);
        ASSERT_TRUE(page.Create());
        // Before the first paint no frame is known: nothing is transparent yet.
        EXPECT_TRUE(IsRectEmpty(&page.GetHeaderFrame()));
        EXPECT_TRUE(IsRectEmpty(&page.GetWatermarkFrame()));
        const LRESULT nullBrush = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        EXPECT_NE(nullBrush, CtlColorStatic(page.m_hWnd, IDC_WIZARD_HEADING));
        Show(page);

        CWindowPixels capture;
        ASSERT_TRUE(CaptureWindow(page.m_hWnd, capture));
        const POINT corner = ClientToCapture(page.m_hWnd, { 3, 3 });
        if (!c.nFrame)
        {
            EXPECT_NE(kFakeHeaderColour, capture.At(corner.x, corner.y));
            EXPECT_NE(kFakeWatermarkColour, capture.At(corner.x, corner.y));
            EXPECT_TRUE(IsRectEmpty(&page.GetHeaderFrame()));
            continue;
        }
        const RECT frame = ClientRectOf(page.m_hWnd, c.nFrame);
        const RECT& stored = c.bHeader ? page.GetHeaderFrame() : page.GetWatermarkFrame();
        EXPECT_TRUE(EqualRect(&frame, &stored));
        EXPECT_EQ(c.colour, capture.At(corner.x, corner.y));
        const POINT farCorner = ClientToCapture(page.m_hWnd, { frame.right - 3, frame.bottom - 3 });
        EXPECT_EQ(c.colour, capture.At(farCorner.x, farCorner.y));
        // The plain heading over the picture is transparent.
        EXPECT_EQ(nullBrush, CtlColorStatic(page.m_hWnd, IDC_WIZARD_HEADING));
        if (c.nTemplate == IDD_TEST_WATERMARK)
        {
            EXPECT_EQ(nullBrush, CtlColorStatic(page.m_hWnd, IDC_TEST_PLAIN));
            // A check box paints its own ground white; a static beside the picture keeps the
            // dialog's.
            EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)), CtlColorStatic(page.m_hWnd, IDC_TEST_CHECK));
            const LRESULT outside = CtlColorStatic(page.m_hWnd, IDC_TEST_OUTSIDE);
            EXPECT_NE(nullBrush, outside);
            EXPECT_NE(reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)), outside);
            EXPECT_FALSE(SaveWindowScreenshot(page.m_hWnd, L"WatermarkPage").IsEmpty());
        }
    }
}

TEST_F(WizardParentDlgTest, CancelIsAskedOnThePageNoKeepsItYesEndsItBackGoesBack)
{
    struct CCase
    {
        const char* name;
        LANGID language;
        const wchar_t* pszQuestionCaption;
    };
    const CCase cases[] = {
        { "English", kEnglish, L"Cancel Installation" },
        { "German: the question in the page's language", kGerman, L"Installation abbrechen" },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CTestPage page(IDD_MSI_PROGRESS, TRUE, FALSE);
        page.SetTemplateLanguage(c.language);
        std::atomic<bool> disabledWhileAsked{ false }, liveWhileAsked{ false }, stayedAfterNo{ false };
        CString caption;
        std::thread driver([&]() {
            HWND hPage = WaitForWindow([&page]() { HWND h = page.m_hCreated; return h && IsWindowVisible(h) ? h : nullptr; });
            if (!hPage)
                return;
            PressDialogButton(hPage, IDCANCEL);
            HWND hQuestion = WaitForWindow([hPage]() { return OwnedBy(hPage); });
            if (!hQuestion)
                return;
            wchar_t text[100] = {};
            GetWindowTextW(hQuestion, text, 100);
            caption = text;
            disabledWhileAsked = !IsWindowEnabled(hPage);
            DWORD_PTR result = 0;
            liveWhileAsked = SendMessageTimeoutW(hPage, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
            PressDialogButton(hQuestion, IDCANCEL);
            WaitForWindow([hQuestion]() { return IsWindow(hQuestion) ? nullptr : hQuestion; });
            // The page is given back its input once the question has gone.
            stayedAfterNo = WaitForWindow([hPage]() { return IsWindowEnabled(hPage) ? hPage : nullptr; }) != nullptr;
            PressDialogButton(hPage, IDCANCEL);
            if (HWND hSecond = WaitForWindow([hPage]() { return OwnedBy(hPage); }))
                PressDialogButton(hSecond, IDOK);
        });
        EXPECT_EQ(IDCANCEL, page.DoModal());
        driver.join();
        EXPECT_EQ(CString(c.pszQuestionCaption), caption);
        EXPECT_TRUE(disabledWhileAsked);
        EXPECT_TRUE(liveWhileAsked);
        EXPECT_TRUE(stayedAfterNo);
    }

    CTestPage page(IDD_TEST_WATERMARK, FALSE, TRUE);
    std::thread driver([&page]() {
        if (HWND hPage = WaitForWindow([&page]() { HWND h = page.m_hCreated; return h && IsWindowVisible(h) ? h : nullptr; }))
            PressDialogButton(hPage, IDC_WIZARD_BACK);
    });
    EXPECT_EQ(WIZARD_RESULT_BACK, page.DoModal());
    driver.join();
}

TEST_F(WizardParentDlgTest, TheNextPageOpensWhereThePreviousOneWas)
{
    POINT first = {};
    {
        CTestPage page(IDD_MSI_PROGRESS, TRUE, FALSE);
        ASSERT_TRUE(page.Create());
        SetWindowPos(page.m_hWnd, nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        RECT rect = {};
        GetWindowRect(page.m_hWnd, &rect);
        first = { rect.left, rect.top };
        page.DestroyWindow();
    }
    ASSERT_TRUE(m_host.m_bSaved);
    EXPECT_EQ(first.x, m_host.m_saved.x);
    EXPECT_EQ(first.y, m_host.m_saved.y);
    CTestPage next(IDD_TEST_WATERMARK, FALSE, TRUE);
    ASSERT_TRUE(next.Create());
    RECT rect = {};
    GetWindowRect(next.m_hWnd, &rect);
    EXPECT_EQ(first.x, rect.left);
    EXPECT_EQ(first.y, rect.top);
    EXPECT_EQ(2, m_host.m_nRestored);
}
}
