// The class library's dialogs, as real windows on the test X server, driven by Win32 messages:
// modal results, modeless OK and Cancel, dispatch through a chained map, exceptions out of
// handlers, the language order of templates and strings, and a picture of the dialog.
#include "classlib/Controls.h"
#include "classlib/Dialog.h"
#include "classlib/Dialog_unittest_ids.h"
#include "classlib/WinApp.h"
#include "tests/common/Screenshot.h"
#include "tests/common/TestArea.h"
#include "tests/common/Windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

namespace
{
const UINT WM_TEST_REGISTERED = RegisterWindowMessageW(L"ClassLibDialogTestMessage");
const COLORREF kGround = RGB(0, 128, 255);
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

class CBaseTestDlg : public CDialog
{
public:
    explicit CBaseTestDlg(UINT nID = IDD_TEST) : CDialog(nID), m_brush(CreateSolidBrush(kGround)) {}
    ~CBaseTestDlg() override { DeleteObject(m_brush); }

    std::function<void(CBaseTestDlg&)> m_onInit;
    std::atomic<HWND> m_hCreated{ nullptr };
    CProgressCtrl m_progress;
    CString m_strEdit = L"typed before";
    int m_nButtonCalls = 0;
    int m_nTimerCalls = 0;
    int m_nBaseRegistered = 0;
    int m_nCtlColorText = 0;
    HBRUSH m_brush;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_onInit)
            m_onInit(*this);
        m_hCreated = m_hWnd;
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_TEST_PROGRESS, m_progress);
        DDX_Text(pDX, IDC_TEST_EDIT, m_strEdit);
    }
    void OnButton() { ++m_nButtonCalls; }
    void OnThrow() { throw std::runtime_error("planted"); }
    void OnEnd42() { EndDialog(42); }
    void OnTimer(UINT_PTR nIDEvent)
    {
        if (nIDEvent != 7)
            return CDialog::OnTimer(nIDEvent);
        ++m_nTimerCalls;
        KillTimer(7);
    }
    LRESULT OnRegistered(WPARAM wParam, LPARAM)
    {
        ++m_nBaseRegistered;
        return static_cast<LRESULT>(wParam) + 1;
    }
    HBRUSH OnCtlColor(HDC hDC, HWND hControl, UINT nCtlColor)
    {
        if (nCtlColor != CTLCOLOR_STATIC || ::GetDlgCtrlID(hControl) != IDC_TEST_TEXT)
            return CDialog::OnCtlColor(hDC, hControl, nCtlColor);
        ++m_nCtlColorText;
        SetBkColor(hDC, kGround);
        return m_brush;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTestDlg, CDialog)
ON_BN_CLICKED(IDC_TEST_BUTTON, &CBaseTestDlg::OnButton)
ON_BN_CLICKED(IDC_TEST_THROW, &CBaseTestDlg::OnThrow)
ON_BN_CLICKED(IDC_TEST_END42, &CBaseTestDlg::OnEnd42)
ON_WM_TIMER()
ON_WM_CTLCOLOR()
ON_REGISTERED_MESSAGE(WM_TEST_REGISTERED, &CBaseTestDlg::OnRegistered)
END_MESSAGE_MAP()

// Takes the registered message and a notification itself; the rest goes to the base's map.
class CDerivedTestDlg : public CBaseTestDlg
{
public:
    int m_nDerivedRegistered = 0;
    int m_nNotifications = 0;

protected:
    LRESULT OnRegistered(WPARAM wParam, LPARAM)
    {
        ++m_nDerivedRegistered;
        return static_cast<LRESULT>(wParam) + 100;
    }
    void OnButtonClickNotify(NMHDR* pHeader, LRESULT* pResult)
    {
        ++m_nNotifications;
        *pResult = pHeader->hwndFrom == GetDlgItem(IDC_TEST_BUTTON) ? 77 : 1;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTestDlg, CBaseTestDlg)
ON_REGISTERED_MESSAGE(WM_TEST_REGISTERED, &CDerivedTestDlg::OnRegistered)
ON_NOTIFY(NM_CLICK, IDC_TEST_BUTTON, &CDerivedTestDlg::OnButtonClickNotify)
END_MESSAGE_MAP()

class CThrowingInitDlg : public CDialog
{
public:
    CThrowingInitDlg() : CDialog(IDD_TEST) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        throw std::runtime_error("init planted");
    }
};

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000)
{
    return PumpMessagesUntil(done, timeoutMs);
}

// The dialog's window once it is visible (from another thread); null after the time-out.
HWND WaitForVisible(const std::atomic<HWND>& hCreated, DWORD timeoutMs = 20000)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs)
    {
        HWND hWnd = hCreated;
        if (hWnd && IsWindowVisible(hWnd))
            return hWnd;
        Sleep(10);
    }
    return nullptr;
}

void Click(HWND hDlg, int nID)
{
    SendMessageW(GetDlgItem(hDlg, nID), BM_CLICK, 0, 0);
}

BOOL CALLBACK CountWindow(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

int TopLevelWindowsOfThread()
{
    int nCount = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&nCount));
    return nCount;
}

// The faults the class library reports of each test, one line each (the trace log's sink is a
// layer above: support/TraceLog_unittest).
CString g_reported;

class DialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxSetResourceLanguage(kEnglish);
        g_reported.Empty();
        m_previousSink = AfxSetErrorSink([](const wchar_t* pszText) { g_reported += CString(pszText) + L"\n"; });
    }
    void TearDown() override { AfxSetErrorSink(m_previousSink); }
    static CString Log() { return g_reported; }

private:
    AFX_ERROR_SINK m_previousSink = nullptr;
};

TEST_F(DialogTest, ModalDialogEndsWithTheResultOfItsEnding)
{
    struct CCase
    {
        const char* name;
        std::function<void(HWND)> act; // on another thread, once the dialog shows
        INT_PTR expected;
        const wchar_t* pszEdit;        // the member after the dialog ended
    };
    const CCase cases[] = {
        { "OK exchanges the edit's text",
          [](HWND h) { SetDlgItemTextW(h, IDC_TEST_EDIT, L"typed in"); Click(h, IDOK); }, IDOK, L"typed in" },
        { "Cancel", [](HWND h) { SetDlgItemTextW(h, IDC_TEST_EDIT, L"lost"); Click(h, IDCANCEL); }, IDCANCEL,
          L"typed before" },
        { "a handler's EndDialog", [](HWND h) { Click(h, IDC_TEST_END42); }, 42, L"typed before" },
        { "closing the window", [](HWND h) { PostMessageW(h, WM_CLOSE, 0, 0); }, IDCANCEL, L"typed before" },
        { "Esc in the edit", [](HWND h) {
              PostMessageW(GetDlgItem(h, IDC_TEST_EDIT), WM_KEYDOWN, VK_ESCAPE, 0);
          }, IDCANCEL, L"typed before" },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CBaseTestDlg dlg;
        std::thread driver([&dlg, &c]() {
            if (HWND hWnd = WaitForVisible(dlg.m_hCreated))
                c.act(hWnd);
        });
        const INT_PTR result = dlg.DoModal();
        driver.join();
        EXPECT_EQ(c.expected, result);
        EXPECT_EQ(CString(c.pszEdit), dlg.m_strEdit);
        EXPECT_EQ(nullptr, dlg.m_hWnd);
        EXPECT_FALSE(IsWindow(dlg.m_hCreated));
    }
}

TEST_F(DialogTest, DialogThatCannotBeCreatedAnswersMinusOne)
{
    CDialog missing(IDD_MISSING);
    EXPECT_EQ(-1, missing.DoModal());
    EXPECT_FALSE(missing.Create());
    // Only in Spanish: French finds neither French, another French nor English.
    CDialog spanishOnly(IDD_SPANISH_ONLY);
    spanishOnly.SetTemplateLanguage(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH));
    EXPECT_EQ(-1, spanishOnly.DoModal());
    // Initialisation that throws: no half-made dialog, modal or modeless.
    CThrowingInitDlg throwingModal;
    EXPECT_EQ(-1, throwingModal.DoModal());
    CThrowingInitDlg throwingModeless;
    const int nWindowsBefore = TopLevelWindowsOfThread();
    EXPECT_FALSE(throwingModeless.Create());
    EXPECT_EQ(nullptr, throwingModeless.m_hWnd);
    EXPECT_EQ(nWindowsBefore, TopLevelWindowsOfThread());
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"CDialog::DoModal : the dialog template 299 is missing (language 1033)")) << log;
    EXPECT_TRUE(Contains(log, L"CDialog::Create : the dialog template 299 is missing (language 1033)"));
    EXPECT_EQ(2, CountOf(log, L"CWnd::WindowProc : the handler of message 0x0110 threw \"init planted\""));
}

TEST_F(DialogTest, ModelessOkCancelAndEscDestroyTheWindow)
{
    struct CCase
    {
        const char* name;
        std::function<void(HWND)> act;
    };
    const CCase cases[] = {
        { "OK", [](HWND h) { Click(h, IDOK); } },
        { "Cancel", [](HWND h) { Click(h, IDCANCEL); } },
        { "close", [](HWND h) { PostMessageW(h, WM_CLOSE, 0, 0); } },
        { "Esc", [](HWND h) { PostMessageW(GetDlgItem(h, IDC_TEST_EDIT), WM_KEYDOWN, VK_ESCAPE, 0); } },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CBaseTestDlg dlg;
        ASSERT_TRUE(dlg.Create());
        HWND hWnd = dlg.m_hWnd;
        EXPECT_FALSE(dlg.IsModal());
        dlg.ShowWindow(SW_SHOW);
        SetDlgItemTextW(hWnd, IDC_TEST_EDIT, L"not taken");
        c.act(hWnd);
        // Destroyed, not ended: an ended modeless dialog would only be hidden and stay.
        EXPECT_TRUE(PumpUntil([hWnd]() { return !IsWindow(hWnd); }));
        EXPECT_EQ(nullptr, dlg.m_hWnd);
        EXPECT_EQ(CString(L"typed before"), dlg.m_strEdit);
        // The object can show its dialog again.
        ASSERT_TRUE(dlg.Create());
        EXPECT_TRUE(dlg.DestroyWindow());
    }
}

TEST_F(DialogTest, MessagesReachTheMostDerivedHandlerThroughTheChainedMaps)
{
    CDerivedTestDlg dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
    HWND hWnd = dlg.m_hWnd;
    // Bound control: the progress bar's object works on the dialog's control.
    ASSERT_EQ(dlg.GetDlgItem(IDC_TEST_PROGRESS), dlg.m_progress.m_hWnd);
    EXPECT_EQ(&dlg.m_progress, CWnd::FromHandlePermanent(dlg.m_progress.m_hWnd));
    dlg.m_progress.SetRange32(0, 1000);
    dlg.m_progress.SetPos(400);
    EXPECT_EQ(400, static_cast<int>(SendMessageW(GetDlgItem(hWnd, IDC_TEST_PROGRESS), PBM_GETPOS, 0, 0)));

    // A button's command: the base's handler (the derived map does not take it).
    Click(hWnd, IDC_TEST_BUTTON);
    EXPECT_EQ(1, dlg.m_nButtonCalls);
    // The registered message: the derived handler, not the base's.
    EXPECT_EQ(105, SendMessageW(hWnd, WM_TEST_REGISTERED, 5, 0));
    EXPECT_EQ(1, dlg.m_nDerivedRegistered);
    EXPECT_EQ(0, dlg.m_nBaseRegistered);
    // Notifications: by code and id; another code is left to the dialog manager.
    NMHDR header = { GetDlgItem(hWnd, IDC_TEST_BUTTON), IDC_TEST_BUTTON, static_cast<UINT>(NM_CLICK) };
    EXPECT_EQ(77, SendMessageW(hWnd, WM_NOTIFY, IDC_TEST_BUTTON, reinterpret_cast<LPARAM>(&header)));
    header.code = static_cast<UINT>(NM_RCLICK);
    EXPECT_EQ(0, SendMessageW(hWnd, WM_NOTIFY, IDC_TEST_BUTTON, reinterpret_cast<LPARAM>(&header)));
    EXPECT_EQ(1, dlg.m_nNotifications);
    // A timer of the dialog.
    dlg.SetTimer(7, 10);
    EXPECT_TRUE(PumpUntil([&dlg]() { return dlg.m_nTimerCalls > 0; }));
    EXPECT_EQ(1, dlg.m_nTimerCalls);
    // Colours: the static's request gets the handler's brush, the edit's the dialog's own.
    UpdateWindow(hWnd);
    EXPECT_GT(dlg.m_nCtlColorText, 0);
    HWND hText = GetDlgItem(hWnd, IDC_TEST_TEXT);
    HWND hEdit = GetDlgItem(hWnd, IDC_TEST_EDIT);
    HDC hDC = GetDC(hText);
    EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_brush),
              SendMessageW(hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(hText)));
    const LRESULT editBrush =
        SendMessageW(hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(hEdit));
    EXPECT_NE(0, editBrush);
    EXPECT_NE(reinterpret_cast<LRESULT>(dlg.m_brush), editBrush);
    ReleaseDC(hText, hDC);

    // The base class alone takes the registered message with its own handler.
    CBaseTestDlg base;
    ASSERT_TRUE(base.Create());
    EXPECT_EQ(6, SendMessageW(base.m_hWnd, WM_TEST_REGISTERED, 5, 0));
    EXPECT_EQ(1, base.m_nBaseRegistered);
}

TEST_F(DialogTest, HandlerThatThrowsIsLoggedAndTheDialogLivesOn)
{
    CBaseTestDlg dlg;
    CBaseTestDlg* pDlg = &dlg;
    dlg.m_onInit = [](CBaseTestDlg& d) { d.SetTimer(8, 10); };
    std::thread driver([pDlg]() {
        if (HWND hWnd = WaitForVisible(pDlg->m_hCreated))
        {
            Click(hWnd, IDC_TEST_THROW);
            Click(hWnd, IDC_TEST_BUTTON);
            Click(hWnd, IDOK);
        }
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    driver.join();
    EXPECT_EQ(1, dlg.m_nButtonCalls);
    const CString log = Log();
    EXPECT_EQ(1, CountOf(log, L"CWnd::WindowProc : the handler of message 0x0111 threw \"planted\"")) << log;

    // The same through the class library's error sink alone (no trace log configured).
    static CString s_reported;
    s_reported.Empty();
    AFX_ERROR_SINK previous = AfxSetErrorSink([](const wchar_t* pszText) { s_reported += pszText; });
    CBaseTestDlg modeless;
    ASSERT_TRUE(modeless.Create());
    Click(modeless.m_hWnd, IDC_TEST_THROW);
    AfxSetErrorSink(previous);
    EXPECT_TRUE(IsWindow(modeless.m_hWnd));
    EXPECT_EQ(CString(L"CWnd::WindowProc : the handler of message 0x0111 threw \"planted\""), s_reported);
}

TEST_F(DialogTest, TemplatesAndStringsFollowOneLanguageOrder)
{
    const LANGID kSwissGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_SWISS);
    const LANGID kAustrianGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN);
    const LANGID kModernSpanish = MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN);
    const LANGID kSpanish = MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH);
    const LANGID kFrench = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH);
    const LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    struct CStringCase
    {
        LANGID wanted;
        UINT nID;
        const wchar_t* pszExpected; // null: not found
    };
    const CStringCase strings[] = {
        { kGerman, IDS_BOTH, L"Hallo" },
        { kSwissGerman, IDS_BOTH, L"Grüezi" },
        { kAustrianGerman, IDS_BOTH, L"Hallo" },       // the primary language's default first
        { kFrench, IDS_BOTH, L"Hello" },
        { kGerman, IDS_ENGLISH_ONLY, L"English only" }, // the German block lacks it
        { kModernSpanish, IDS_SPANISH, L"Hola" },
        { kFrench, IDS_SPANISH, nullptr },
        { 0, IDS_BOTH, L"Hello" },                      // the language set for the process
    };
    for (const CStringCase& c : strings)
    {
        SCOPED_TRACE(testing::Message() << "string " << c.nID << " in " << c.wanted);
        CString text;
        EXPECT_EQ(c.pszExpected != nullptr, AfxLoadString(c.nID, text, c.wanted));
        if (c.pszExpected)
        {
            EXPECT_EQ(CString(c.pszExpected), text);
        }
    }

    struct CDialogCase
    {
        LANGID wanted;
        UINT nID;
        const wchar_t* pszCaption; // null: not created
        LANGID loaded;
    };
    const CDialogCase dialogs[] = {
        { kGerman, IDD_TEST, L"Testdialog", kGerman },
        { kAustrianGerman, IDD_TEST, L"Testdialog", kGerman },
        { kJapanese, IDD_TEST, L"Test dialog", kEnglish },
        { kModernSpanish, IDD_SPANISH_ONLY, L"Sólo en español", kSpanish },
        { kFrench, IDD_SPANISH_ONLY, nullptr, 0 },
    };
    for (const CDialogCase& c : dialogs)
    {
        SCOPED_TRACE(testing::Message() << "dialog " << c.nID << " in " << c.wanted);
        CDialog dlg(c.nID);
        dlg.SetTemplateLanguage(c.wanted);
        EXPECT_EQ(c.pszCaption != nullptr, dlg.Create() != FALSE);
        if (!c.pszCaption)
            continue;
        EXPECT_EQ(CString(c.pszCaption), dlg.GetWindowText());
        EXPECT_EQ(c.loaded, dlg.GetLoadedLanguage());
    }
    // The process's language applies when the dialog names none.
    AfxSetResourceLanguage(kGerman);
    CDialog dlg(IDD_TEST);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(CString(L"Testdialog"), dlg.GetWindowText());
}

TEST_F(DialogTest, ScreenshotShowsTheDialogWithItsColouredStatic)
{
    CDerivedTestDlg dlg;
    dlg.SetTemplateLanguage(kGerman);
    ASSERT_TRUE(dlg.Create());
    dlg.m_progress.SetRange32(0, 100);
    dlg.m_progress.SetPos(60);
    dlg.SetDlgItemText(IDC_TEST_EDIT, L"Eingabe");
    SetWindowPos(dlg.m_hWnd, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(dlg.m_hWnd);
    PumpUntil([]() { return true; });

    CWindowPixels capture;
    ASSERT_TRUE(CaptureWindow(dlg.m_hWnd, capture));
    RECT text = {};
    GetWindowRect(dlg.GetDlgItem(IDC_TEST_TEXT), &text);
    MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&text), 2);
    const POINT topLeft = ClientToCapture(dlg.m_hWnd, { text.left, text.top });
    const RECT inCapture = { topLeft.x, topLeft.y, topLeft.x + (text.right - text.left),
                             topLeft.y + (text.bottom - text.top) };
    const int nArea = (inCapture.right - inCapture.left) * (inCapture.bottom - inCapture.top);
    // The static's ground is the handler's colour (all of it but the letters).
    EXPECT_GT(capture.CountColour(inCapture, kGround), nArea / 2);
    // The dialog's own face is not.
    const POINT face = ClientToCapture(dlg.m_hWnd, { 2, 2 });
    EXPECT_NE(kGround, capture.At(face.x, face.y));

    const CString path = SaveWindowScreenshot(dlg.m_hWnd, L"TestDialogGerman");
    ASSERT_FALSE(path.IsEmpty());
    EXPECT_EQ(std::string("\x89PNG", 4), ReadBytes(path).substr(0, 4));
}
}
