// The pages shown before anything is installed, as real windows on the test X server in each
// of the eight languages, driven by Win32 messages: the language and mode page, the advertising
// page, the Internet page and the update offer, their results and outputs, and a picture of each.
#include "wizard/AdvertiseDlg.h"
#include "wizard/CheckInternetDlg.h"
#include "wizard/ChooseLanguageDlg.h"
#include "wizard/GdiplusPicture.h"
#include "wizard/StartPagesHost.h"
#include "wizard/UpdateAvailbleDlg.h"
#include "wizard/resource.h"
#include "classlib/WinApp.h"
#include "support/Language.h"
#include "support/SysUtil.h"
#include "tests/common/Screenshot.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"
#include "tests/common/WizardFakes.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace
{
struct CLanguageRow
{
    const wchar_t* pszCode;
    LANGID resources; // the language the program's resources are kept in
};
const CLanguageRow kLanguages[] = {
    { L"de", 1031 }, { L"en", 1033 }, { L"fr", 1036 }, { L"it", 1040 },
    { L"ja", 1041 }, { L"pt", 1046 }, { L"zh", 2052 }, { L"es", 3082 },
};
const wchar_t kVersionText[] = L"3.0 Premium";

std::string Narrow(const CString& text)
{
    return text.ToNarrow(CP_UTF8);
}

CString LoadIn(UINT nID, LANGID language)
{
    CString text;
    AfxLoadString(nID, text, language);
    return text;
}

class CFakeStartHost : public IStartPagesHost
{
public:
    CFakeStartHost() : m_pPrevious(SetStartPagesHost(this))
    {
        for (const CLanguageRow& row : kLanguages)
            m_languages.Add(row.pszCode);
    }
    ~CFakeStartHost() { SetStartPagesHost(m_pPrevious); }
    CFakeStartHost(const CFakeStartHost&) = delete;
    CFakeStartHost& operator=(const CFakeStartHost&) = delete;

    CString GetPartnerId() override { return m_partner; }
    CString GetVersionText() override { return kVersionText; }
    void GetSupportedLanguages(CStringArray& rCodes, int nMode) override
    {
        m_nMode = nMode;
        rCodes = m_languages;
    }
    void ShowEula(const wchar_t* pszFile, HWND hParent) override
    {
        m_eulaFiles.push_back(pszFile);
        m_hEulaParent = hParent;
    }

    CString m_partner;
    CStringArray m_languages;
    int m_nMode = -1;
    std::vector<CString> m_eulaFiles;
    HWND m_hEulaParent = nullptr;

private:
    IStartPagesHost* m_pPrevious;
};

// The system's calls with a few answers of the test's choosing: locales "not installed", the
// user's language, the screen's pixels per inch, and the shell starts recorded.
struct CFakeSystem
{
    std::set<LANGID> missingLocales;
    const wchar_t* pszUserLanguage = L"en";
    int nDpi = 96;
    std::vector<std::wstring> shellStarts;
};
CFakeSystem* g_pSystem = nullptr;

BOOL WINAPI FakeIsValidLocale(LCID locale, DWORD flags)
{
    if (g_pSystem->missingLocales.count(LANGIDFROMLCID(locale)))
        return FALSE;
    return IsValidLocale(locale, flags);
}

HINSTANCE WINAPI FakeShellExecute(HWND hWnd, LPCWSTR pszVerb, LPCWSTR pszFile, LPCWSTR, LPCWSTR, INT showCommand)
{
    g_pSystem->shellStarts.push_back(std::wstring(hWnd ? L"owned " : L"") + (pszVerb ? pszVerb : L"") + L" " + pszFile +
                                     L" " + std::to_wstring(showCommand));
    return reinterpret_cast<HINSTANCE>(42);
}

int WINAPI FakeGetLocaleInfo(LCID locale, LCTYPE type, LPWSTR pszData, int cchData)
{
    if (locale == LOCALE_USER_DEFAULT && type == LOCALE_SISO639LANGNAME)
    {
        lstrcpynW(pszData, g_pSystem->pszUserLanguage, cchData);
        return lstrlenW(pszData) + 1;
    }
    return GetLocaleInfoW(locale, type, pszData, cchData);
}

int WINAPI FakeGetDeviceCaps(HDC hDC, int index)
{
    return index == LOGPIXELSX ? g_pSystem->nDpi : GetDeviceCaps(hDC, index);
}

const StartPageCalls kFakeCalls = { FakeIsValidLocale, FakeShellExecute, FakeGetLocaleInfo, FakeGetDeviceCaps };

// The page as the user finds it: a visible dialog with the application's title.
HWND FindPage()
{
    HWND hPage = FindWindowW(L"#32770", L"Fake Setup");
    return hPage && IsWindowVisible(hPage) && IsWindowEnabled(hPage) ? hPage : nullptr;
}

// Shows the page modally while the driver works on its window from another thread; the page's
// result.
BOOL CALLBACK EndDialogsOfThread(HWND hWnd, LPARAM)
{
    PostMessageW(hWnd, WM_CLOSE, 0, 0);
    EndDialog(hWnd, -2);
    return TRUE;
}

// Shows the page modally while the driver works on its window from another thread; the page's
// result. A page the driver did not end in time is ended with -2, so that a fault fails the test
// instead of holding it.
INT_PTR RunModal(CDialog& page, const std::function<void(HWND)>& drive)
{
    const DWORD pageThread = GetCurrentThreadId();
    std::atomic<bool> ended{ false };
    std::thread driver([&drive, &ended, pageThread]() {
        if (HWND hPage = WaitForWindow(FindPage))
            drive(hPage);
        else
            ADD_FAILURE() << "the page did not appear";
        const DWORD start = GetTickCount();
        while (!ended && GetTickCount() - start < 20000)
            Sleep(10);
        if (!ended)
        {
            ADD_FAILURE() << "the page did not end";
            EnumThreadWindows(pageThread, EndDialogsOfThread, 0);
        }
    });
    const INT_PTR result = page.DoModal();
    ended = true;
    driver.join();
    return result;
}

// Shown on the page, whether the page itself is on the screen yet or not.
bool IsShown(HWND hPage, int nID)
{
    return (GetWindowLongW(GetDlgItem(hPage, nID), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsEnabled(HWND hPage, int nID)
{
    return IsWindowEnabled(GetDlgItem(hPage, nID)) != FALSE;
}

CString TextOf(HWND hPage, int nID)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(hPage, nID, text, 1024);
    return text;
}

LONG FontWeightOf(HWND hControl)
{
    HFONT hFont = reinterpret_cast<HFONT>(SendMessageW(hControl, WM_GETFONT, 0, 0));
    LOGFONTW logFont = {};
    GetObjectW(hFont, sizeof(logFont), &logFont);
    return logFont.lfWeight;
}

// The text drawn in the control's own font fits its rectangle (word-wrapped when it has room
// for more than a line).
void ExpectTextFits(HWND hPage, int nID)
{
    HWND hControl = GetDlgItem(hPage, nID);
    RECT client = {};
    GetClientRect(hControl, &client);
    const CString text = TextOf(hPage, nID);
    HDC hDC = GetDC(hControl);
    HGDIOBJ hPrevious = SelectObject(hDC, reinterpret_cast<HFONT>(SendMessageW(hControl, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics = {};
    GetTextMetricsW(hDC, &metrics);
    const bool bWrapped = client.bottom >= 2 * metrics.tmHeight;
    RECT needed = { 0, 0, bWrapped ? client.right : 10000, 0 };
    DrawTextW(hDC, text, text.GetLength(), &needed, DT_CALCRECT | (bWrapped ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(hDC, hPrevious);
    ReleaseDC(hControl, hDC);
    EXPECT_LE(needed.right, client.right) << "control " << nID << ": " << Narrow(text);
    EXPECT_LE(needed.bottom, client.bottom) << "control " << nID << ": " << Narrow(text);
}

void Show(HWND hPage)
{
    SetWindowPos(hPage, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(hPage);
    PumpMessagesUntil([]() { return true; }, 500);
}

// What a click on a check box or radio button does (BM_CLICK from another thread is not
// dependable here: the button's mouse capture belongs to the page's thread).
void ClickBox(HWND hPage, int nID)
{
    HWND hBox = GetDlgItem(hPage, nID);
    const LONG type = GetWindowLongW(hBox, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_AUTORADIOBUTTON)
        CheckRadioButton(hPage, IDC_INSTALL_TYPICAL, IDC_INSTALL_ADVANCED, nID);
    else
        SendMessageW(hBox, BM_SETCHECK, SendMessageW(hBox, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(hBox));
}

void SelectItem(HWND hPage, int nID, int nItem)
{
    HWND hCombo = GetDlgItem(hPage, nID);
    SendMessageW(hCombo, CB_SETCURSEL, static_cast<WPARAM>(nItem), 0);
    SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(nID, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
}

void ClickLink(HWND hPage, int nID)
{
    NMLINK link = {};
    link.hdr.hwndFrom = GetDlgItem(hPage, nID);
    link.hdr.idFrom = static_cast<UINT_PTR>(nID);
    link.hdr.code = NM_CLICK;
    SendMessageW(hPage, WM_NOTIFY, static_cast<WPARAM>(nID), reinterpret_cast<LPARAM>(&link));
}

CString ComboText(HWND hPage, int nItem)
{
    HWND hCombo = GetDlgItem(hPage, IDC_LANGUAGE_COMBO);
    wchar_t text[256] = {};
    SendMessageW(hCombo, CB_GETLBTEXT, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(text));
    return text;
}

CString DisplayName(const wchar_t* pszCode)
{
    CString name;
    GetLanguageDisplayName(pszCode, name);
    return name;
}

class StartPagesTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "StartPages_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(1033);
        g_pSystem = &m_system;
        m_pPreviousCalls = SetStartPageCalls(&kFakeCalls);
    }
    void TearDown() override
    {
        SetStartPageCalls(m_pPreviousCalls);
        g_pSystem = nullptr;
        CTracedTest::TearDown();
    }

    CFakeWizardHost m_host;
    CFakeStartHost m_start;
    CFakeSystem m_system;
    const StartPageCalls* m_pPreviousCalls = nullptr;
};

TEST_F(StartPagesTest, TheLanguagePageSpeaksItsCodesLanguageInEveryLanguage)
{
    for (const CLanguageRow& row : kLanguages)
    {
        SCOPED_TRACE(Narrow(row.pszCode));
        CChooseLanguageDlg page(FALSE, row.pszCode, TRUE, nullptr);
        ASSERT_TRUE(page.Create());
        HWND hPage = page.GetSafeHwnd();
        EXPECT_EQ(row.resources, page.GetLoadedLanguage());
        EXPECT_EQ(CString(L"Fake Setup"), page.GetWindowText());
        CString heading, subheading;
        heading.Format(LoadIn(IDS_WELCOME_HEADING, row.resources), L"Fake Setup");
        // Not the full version: the version text's first two characters.
        subheading.Format(LoadIn(IDS_WELCOME_SUBHEADING, row.resources), L"Quux Player", L"3.");
        EXPECT_EQ(heading, TextOf(hPage, IDC_WIZARD_HEADING));
        EXPECT_EQ(subheading, TextOf(hPage, IDC_WIZARD_SUBHEADING));
        EXPECT_EQ(LoadIn(IDS_NEXT_BUTTON, row.resources), TextOf(hPage, IDOK));
        EXPECT_EQ(600, FontWeightOf(GetDlgItem(hPage, IDC_WIZARD_HEADING)));
        EXPECT_EQ(700, FontWeightOf(GetDlgItem(hPage, IDC_INSTALL_TYPICAL)));
        EXPECT_EQ(700, FontWeightOf(GetDlgItem(hPage, IDC_INSTALL_ADVANCED)));

        // Every language by its native name, the page's own selected.
        HWND hCombo = GetDlgItem(hPage, IDC_LANGUAGE_COMBO);
        ASSERT_EQ(8, SendMessageW(hCombo, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(DisplayName(row.pszCode), ComboText(hPage, static_cast<int>(SendMessageW(hCombo, CB_GETCURSEL, 0, 0))));
        for (int i = 0; i < 8; ++i)
        {
            const int nIndex = static_cast<int>(SendMessageW(hCombo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
            ASSERT_GE(nIndex, 0);
            ASSERT_LT(nIndex, 8);
            EXPECT_EQ(DisplayName(kLanguages[nIndex].pszCode), ComboText(hPage, i));
        }

        // Quick mode: "Typical installation" with its link; Back stays disabled.
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hPage, IDC_INSTALL_TYPICAL));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hPage, IDC_INSTALL_ADVANCED));
        EXPECT_TRUE(IsShown(hPage, IDC_EULA_LINK_TYPICAL));
        EXPECT_FALSE(IsShown(hPage, IDC_EULA_LINK_ADVANCED));
        EXPECT_FALSE(IsEnabled(hPage, IDC_WIZARD_BACK));
        const int kTypeControls[] = { IDC_INSTALL_TYPE_LABEL, IDC_INSTALL_TYPICAL, IDC_INSTALL_TYPICAL_TEXT,
                                      IDC_INSTALL_ADVANCED, IDC_INSTALL_ADVANCED_TEXT };
        for (int nID : kTypeControls)
            EXPECT_TRUE(IsShown(hPage, nID)) << nID;

        Show(hPage);
        ExpectTextFits(hPage, IDC_WIZARD_SUBHEADING);
        const int kTexts[] = { IDC_LANGUAGE_LABEL, IDC_INSTALL_TYPE_LABEL, IDC_INSTALL_TYPICAL_TEXT, IDC_INSTALL_ADVANCED_TEXT };
        for (int nID : kTexts)
            ExpectTextFits(hPage, nID);
        CWindowPixels capture;
        ASSERT_TRUE(CaptureWindow(hPage, capture));
        const POINT corner = ClientToCapture(hPage, { 4, 4 });
        EXPECT_EQ(kFakeWatermarkColour, capture.At(corner.x, corner.y)) << "the watermark is painted";
        RECT heading_rect = {};
        GetWindowRect(GetDlgItem(hPage, IDC_WIZARD_HEADING), &heading_rect);
        MapWindowPoints(nullptr, hPage, reinterpret_cast<POINT*>(&heading_rect), 2);
        const POINT topLeft = ClientToCapture(hPage, { heading_rect.left, heading_rect.top });
        const POINT bottomRight = ClientToCapture(hPage, { heading_rect.right, heading_rect.bottom });
        const RECT area = { topLeft.x, topLeft.y, bottomRight.x, bottomRight.y };
        const int nArea = (area.right - area.left) * (area.bottom - area.top);
        EXPECT_LT(capture.CountColour(area, kFakeWatermarkColour), nArea) << "the heading's letters are drawn";
        EXPECT_FALSE(SaveWindowScreenshot(hPage, CString(L"ChooseLanguage_") + row.pszCode).IsEmpty());
    }
}

TEST_F(StartPagesTest, TheLanguagePageEndsWithItsChoices)
{
    struct CCase
    {
        const char* name;
        const wchar_t* pszCode;
        BOOL bQuick;
        const wchar_t* pszPartner;
        int nMode;               // the list asked for
        std::function<void(HWND)> drive;
        INT_PTR result;
        const wchar_t* pszCodeOut;
        int nInstallMode;
        bool bChanged;
    };
    const CCase cases[] = {
        { "Next keeps the language and the typical mode", L"en", TRUE, L"", 0,
          [](HWND hPage) { PressDialogButton(hPage, IDOK); }, IDOK, L"en", 0, false },
        { "an unsupported code becomes en", L"xx", FALSE, L"", 0,
          [](HWND hPage) { PressDialogButton(hPage, IDOK); }, IDOK, L"en", 1, false },
        { "Advanced chosen", L"fr", TRUE, L"", 0,
          [](HWND hPage) {
              ClickBox(hPage, IDC_INSTALL_ADVANCED);
              const bool bLinks = IsShown(hPage, IDC_EULA_LINK_ADVANCED) && !IsShown(hPage, IDC_EULA_LINK_TYPICAL);
              if (bLinks)
                  PressDialogButton(hPage, IDOK);
          }, IDOK, L"fr", 1, false },
        { "Deutsch chosen ends the page at once", L"en", TRUE, L"", 0,
          [](HWND hPage) { SelectItem(hPage, IDC_LANGUAGE_COMBO, 0); }, IDOK, L"de", 0, true },
        // The mode the controller passed in comes back unchanged: no choice is offered.
        { "partner 61000", L"en", FALSE, L"61000", 0,
          [](HWND hPage) {
              if (!IsShown(hPage, IDC_INSTALL_TYPICAL) && !IsShown(hPage, IDC_INSTALL_ADVANCED) &&
                  !IsShown(hPage, IDC_INSTALL_TYPE_LABEL))
                  PressDialogButton(hPage, IDOK);
          }, IDOK, L"en", 1, false },
        { "partner 11082 takes the partner's list", L"it", TRUE, L"11082", 1,
          [](HWND hPage) { PressDialogButton(hPage, IDOK); }, IDOK, L"it", 0, false },
        { "cancel confirmed", L"en", TRUE, L"", 0,
          [](HWND hPage) {
              PostMessageW(hPage, WM_COMMAND, IDCANCEL, 0);
              HWND hQuestion = WaitForWindow([]() { return FindWindowW(L"#32770", L"Cancel Installation"); });
              if (hQuestion)
                  PressDialogButton(hQuestion, IDOK);
          }, IDCANCEL, L"en", 0, false },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_start.m_partner = c.pszPartner;
        m_start.m_nMode = -1;
        CChooseLanguageDlg page(TRUE, c.pszCode, c.bQuick, nullptr);
        EXPECT_EQ(c.nMode, m_start.m_nMode);
        EXPECT_EQ(c.result, RunModal(page, c.drive));
        EXPECT_EQ(CString(c.pszCodeOut), page.GetLanguageCode());
        EXPECT_EQ(c.nInstallMode, page.GetInstallMode());
        EXPECT_EQ(c.nInstallMode == 0, page.IsQuickMode());
        EXPECT_EQ(c.bChanged, page.IsLanguageChanged());
    }
    m_start.m_partner = L"";

    // The controller shows the page again for the chosen language: it is German now.
    CChooseLanguageDlg again(TRUE, L"de", TRUE, nullptr);
    ASSERT_TRUE(again.Create());
    EXPECT_EQ(1031, again.GetLoadedLanguage());
    EXPECT_EQ(CString(L"&Weiter >"), TextOf(again.GetSafeHwnd(), IDOK));
    EXPECT_EQ(DisplayName(L"de"), ComboText(again.GetSafeHwnd(), static_cast<int>(SendDlgItemMessageW(
                                                                  again.GetSafeHwnd(), IDC_LANGUAGE_COMBO, CB_GETCURSEL, 0, 0))));
}

TEST_F(StartPagesTest, ALanguageTheSystemLacksIsLeftOutAndSelectStandsFirst)
{
    // French is not installed on this system, and it is the page's language.
    m_system.missingLocales.insert(1036);
    CChooseLanguageDlg page(TRUE, L"fr", TRUE, nullptr);
    ASSERT_TRUE(page.Create());
    HWND hPage = page.GetSafeHwnd();
    HWND hCombo = GetDlgItem(hPage, IDC_LANGUAGE_COMBO);
    ASSERT_EQ(8, SendMessageW(hCombo, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(0, SendMessageW(hCombo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(LoadIn(IDS_SELECT_LANGUAGE, 1036), ComboText(hPage, 0));
    EXPECT_EQ(CString(L"(Choisir)"), ComboText(hPage, 0));
    EXPECT_EQ(CB_ERR, SendMessageW(hCombo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(DisplayName(L"fr").GetString())));
    EXPECT_FALSE(SaveWindowScreenshot(hPage, L"ChooseLanguage_fr_select").IsEmpty());
    page.DestroyWindow();

    // "(Select)" chosen stands for the list's first code.
    CChooseLanguageDlg modal(TRUE, L"fr", TRUE, nullptr);
    EXPECT_EQ(IDOK, RunModal(modal, [](HWND h) { SelectItem(h, IDC_LANGUAGE_COMBO, 0); }));
    EXPECT_EQ(CString(L"de"), modal.GetLanguageCode());
    EXPECT_TRUE(modal.IsLanguageChanged());

    // The selector alone: no selection gives the empty code.
    CLanguageSelector selector;
    CString code = L"kept?";
    selector.GetSelectedLanguage(code);
    EXPECT_TRUE(code.IsEmpty());
}

TEST_F(StartPagesTest, TheLicenceLinkOpensTheFileOrThePartnersPage)
{
    struct CCase
    {
        const char* name;
        const wchar_t* pszPartner;
        const wchar_t* pszCode;
        int nLink;          // the link shown for the mode
        BOOL bQuick;
        LANGID resources;
        const wchar_t* pszVersion; // what stands for the version in the subheading
    };
    // The full version: the whole version text, but none for partner 11082 (a blank before the
    // full stop).
    const CCase cases[] = {
        { "retail, typical", L"", L"de", IDC_EULA_LINK_TYPICAL, TRUE, 1031, kVersionText },
        { "retail, advanced", L"", L"ja", IDC_EULA_LINK_ADVANCED, FALSE, 1041, kVersionText },
        { "partner 11082", L"11082", L"en", IDC_EULA_LINK_TYPICAL, TRUE, 1033, L"" },
    };
    const CString folder = GetModuleFolder(nullptr);
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_start.m_partner = c.pszPartner;
        m_start.m_eulaFiles.clear();
        m_system.shellStarts.clear();
        CChooseLanguageDlg page(TRUE, c.pszCode, c.bQuick, nullptr);
        ASSERT_TRUE(page.Create());
        HWND hPage = page.GetSafeHwnd();
        CString subheading;
        subheading.Format(LoadIn(IDS_WELCOME_SUBHEADING, c.resources), L"Quux Player", c.pszVersion);
        EXPECT_EQ(subheading, TextOf(hPage, IDC_WIZARD_SUBHEADING));
        if (!*c.pszVersion)
        {
            EXPECT_EQ(CString(L"This wizard will guide you through the installation process for Quux Player ."), subheading);
        }
        EXPECT_TRUE(IsShown(hPage, c.nLink));
        ClickLink(hPage, c.nLink);
        if (*c.pszPartner)
        {
            EXPECT_TRUE(m_start.m_eulaFiles.empty());
            ASSERT_EQ(1u, m_system.shellStarts.size());
            EXPECT_EQ(std::wstring(L"open ") + kPartnerEulaAddress + L" 1", m_system.shellStarts[0]);
            EXPECT_NE(std::wstring::npos, m_system.shellStarts[0].find(L"/redir.php?id=12864"));
        }
        else
        {
            EXPECT_TRUE(m_system.shellStarts.empty());
            ASSERT_EQ(1u, m_start.m_eulaFiles.size());
            EXPECT_EQ(folder + L"\\eula_" + c.pszCode + L".rtf", m_start.m_eulaFiles[0]);
            EXPECT_EQ(hPage, m_start.m_hEulaParent);
        }
    }
    m_start.m_partner = L"";
}

// A picture of the advertising page's size: one colour, the "button" area another.
const SIZE kPictureSize = { 966, 518 };
const COLORREF kButtonColour = RGB(0, 60, 220);
const COLORREF kEnglishColour = RGB(240, 120, 0);
const COLORREF kGermanColour = RGB(128, 0, 128);

bool FindJpegEncoder(CLSID& rClsid)
{
    UINT nCount = 0, nBytes = 0;
    if (Gdiplus::DllExports::GdipGetImageEncodersSize(&nCount, &nBytes) != Gdiplus::Ok || !nBytes)
        return false;
    std::vector<BYTE> storage(nBytes);
    Gdiplus::ImageCodecInfo* pCodecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
    if (Gdiplus::DllExports::GdipGetImageEncoders(nCount, nBytes, pCodecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < nCount; ++i)
        if (lstrcmpiW(pCodecs[i].MimeType, L"image/jpeg") == 0)
        {
            rClsid = pCodecs[i].Clsid;
            return true;
        }
    return false;
}

bool WritePicture(const CString& path, COLORREF background)
{
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return false;
    std::vector<DWORD> pixels(kPictureSize.cx * kPictureSize.cy);
    const RECT& button = CAdvertiseDlg::kButtonArea;
    for (int y = 0; y < kPictureSize.cy; ++y)
        for (int x = 0; x < kPictureSize.cx; ++x)
        {
            const POINT point = { x, y };
            const COLORREF c = PtInRect(&button, point) ? kButtonColour : background;
            pixels[y * kPictureSize.cx + x] = 0xFF000000 | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    CLSID jpeg = {};
    Gdiplus::GpBitmap* pBitmap = nullptr;
    bool bSaved = false;
    if (FindJpegEncoder(jpeg) &&
        Gdiplus::DllExports::GdipCreateBitmapFromScan0(kPictureSize.cx, kPictureSize.cy, kPictureSize.cx * 4,
                                                       PixelFormat32bppARGB, reinterpret_cast<BYTE*>(pixels.data()),
                                                       &pBitmap) == Gdiplus::Ok)
    {
        bSaved = Gdiplus::DllExports::GdipSaveImageToFile(pBitmap, path, &jpeg, nullptr) == Gdiplus::Ok;
        Gdiplus::DllExports::GdipDisposeImage(pBitmap);
    }
    Gdiplus::GdiplusShutdown(token);
    return bSaved;
}

// JPEG keeps colours only nearly.
bool Near(COLORREF expected, COLORREF actual)
{
    return abs(GetRValue(expected) - GetRValue(actual)) < 40 && abs(GetGValue(expected) - GetGValue(actual)) < 40 &&
           abs(GetBValue(expected) - GetBValue(actual)) < 40;
}

SIZE ImageSize(HANDLE hImage)
{
    BITMAP bitmap = {};
    if (!hImage || !GetObjectW(hImage, sizeof(bitmap), &bitmap))
        return { 0, 0 };
    return { bitmap.bmWidth, bitmap.bmHeight };
}

class AdvertisePageTest : public StartPagesTest
{
protected:
    void SetUp() override
    {
        StartPagesTest::SetUp();
        m_english = GetModuleFolder(nullptr) + L"\\advertise_en.jpg";
        m_german = GetModuleFolder(nullptr) + L"\\advertise_de.jpg";
    }
    void TearDown() override
    {
        DeleteFileW(m_english);
        DeleteFileW(m_german);
        StartPagesTest::TearDown();
    }
    CString m_english;
    CString m_german;
};

TEST_F(AdvertisePageTest, ThePictureFillsThePageAndItsButtonAreaIsNext)
{
    ASSERT_TRUE(WritePicture(m_english, kEnglishColour));
    ASSERT_TRUE(WritePicture(m_german, kGermanColour));
    struct CCase
    {
        const char* name;
        const wchar_t* pszUserLanguage;
        int nDpi;
        COLORREF background;
        RECT button; // client coordinates
    };
    const CCase cases[] = {
        { "English user", L"en", 96, kEnglishColour, { 557, 374, 807, 438 } },
        { "German user", L"DE", 96, kGermanColour, { 557, 374, 807, 438 } },
        { "French user: the English picture", L"fr", 96, kEnglishColour, { 557, 374, 807, 438 } },
        { "144 dpi", L"en", 144, kEnglishColour, { 836, 561, 836 + 375, 561 + 96 } },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_system.pszUserLanguage = c.pszUserLanguage;
        m_system.nDpi = c.nDpi;
        CAdvertiseDlg page(nullptr);
        ASSERT_TRUE(page.Create());
        HWND hPage = page.GetSafeHwnd();
        HWND hButton = GetDlgItem(hPage, IDOK);
        RECT button = {};
        GetWindowRect(hButton, &button);
        MapWindowPoints(nullptr, hPage, reinterpret_cast<POINT*>(&button), 2);
        EXPECT_TRUE(EqualRect(&c.button, &button)) << button.left << "," << button.top << " " << button.right << "," << button.bottom;
        EXPECT_TRUE(GetWindowLongW(hButton, GWL_STYLE) & BS_BITMAP);
        EXPECT_EQ(hButton, GetTopWindow(hPage)) << "the button lies over the picture";
        const SIZE buttonImage = ImageSize(reinterpret_cast<HANDLE>(SendMessageW(hButton, BM_GETIMAGE, IMAGE_BITMAP, 0)));
        EXPECT_EQ(c.button.right - c.button.left, buttonImage.cx);
        EXPECT_EQ(c.button.bottom - c.button.top, buttonImage.cy);
        const SIZE pageImage = ImageSize(reinterpret_cast<HANDLE>(
            SendDlgItemMessageW(hPage, IDC_ADVERTISE_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0)));
        EXPECT_EQ(kPictureSize.cx * c.nDpi / 96, pageImage.cx);
        EXPECT_EQ(kPictureSize.cy * c.nDpi / 96, pageImage.cy);
        if (c.nDpi != 96)
            continue;
        Show(hPage);
        CWindowPixels capture;
        ASSERT_TRUE(CaptureWindow(hPage, capture));
        const POINT inPicture = ClientToCapture(hPage, { 100, 100 });
        EXPECT_TRUE(Near(c.background, capture.At(inPicture.x, inPicture.y))) << std::hex << capture.At(inPicture.x, inPicture.y);
        const POINT inButton = ClientToCapture(hPage, { (c.button.left + c.button.right) / 2, (c.button.top + c.button.bottom) / 2 });
        EXPECT_TRUE(Near(kButtonColour, capture.At(inButton.x, inButton.y))) << std::hex << capture.At(inButton.x, inButton.y);
    }
    // The page's caption in every language, and a picture of each.
    m_system.pszUserLanguage = L"en";
    m_system.nDpi = 96;
    for (const CLanguageRow& row : kLanguages)
    {
        CAdvertiseDlg page(nullptr);
        page.SetTemplateLanguage(row.resources);
        ASSERT_TRUE(page.Create());
        EXPECT_EQ(row.resources, page.GetLoadedLanguage());
        Show(page.GetSafeHwnd());
        EXPECT_FALSE(SaveWindowScreenshot(page.GetSafeHwnd(), CString(L"Advertise_") + row.pszCode).IsEmpty());
    }

    // A click on the picture's button is Next.
    CAdvertiseDlg modal(nullptr);
    EXPECT_EQ(IDOK, RunModal(modal, [](HWND hPage) { PressDialogButton(hPage, IDOK); }));
}

TEST_F(AdvertisePageTest, WithoutThePictureTheButtonStaysWithoutAnImage)
{
    // Not a picture at all: GDI+ refuses it as it refuses a missing one.
    HANDLE hFile = CreateFileW(m_english, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(hFile, "not a picture", 13, &written, nullptr);
    CloseHandle(hFile);
    for (int pass = 0; pass < 2; ++pass)
    {
        SCOPED_TRACE(pass ? "missing" : "not a picture");
        if (pass)
            DeleteFileW(m_english);
        CAdvertiseDlg page(nullptr);
        ASSERT_TRUE(page.Create());
        HWND hPage = page.GetSafeHwnd();
        EXPECT_EQ(0, SendDlgItemMessageW(hPage, IDOK, BM_GETIMAGE, IMAGE_BITMAP, 0));
        EXPECT_EQ(0, SendDlgItemMessageW(hPage, IDC_ADVERTISE_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
        RECT button = {};
        GetWindowRect(GetDlgItem(hPage, IDOK), &button);
        MapWindowPoints(nullptr, hPage, reinterpret_cast<POINT*>(&button), 2);
        EXPECT_EQ(557, button.left);
        EXPECT_EQ(374, button.top);
    }
    EXPECT_NE(-1, Log().Find(L"CGdiplusPicture::Load -- cannot decode ["));
}

TEST(GdiplusLibraryTest, GdiplusIsTakenFromTheSystemFolderByItsFullPath)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(CString(system) + L"\\gdiplus.dll", FindGdiplusLibrary());
}

TEST_F(StartPagesTest, TheInternetPageOffersNextOnlyWhenSkippingIsAllowedAndChosen)
{
    for (const CLanguageRow& row : kLanguages)
    {
        SCOPED_TRACE(Narrow(row.pszCode));
        for (UINT bSkip = 0; bSkip < 2; ++bSkip)
        {
            CCheckInternetDlg page(bSkip, nullptr);
            page.SetTemplateLanguage(row.resources);
            ASSERT_TRUE(page.Create());
            HWND hPage = page.GetSafeHwnd();
            EXPECT_EQ(row.resources, page.GetLoadedLanguage());
            EXPECT_EQ(CString(L"Fake Setup"), page.GetWindowText());
            EXPECT_FALSE(IsEnabled(hPage, IDOK));
            EXPECT_TRUE(IsEnabled(hPage, IDC_WIZARD_BACK));
            EXPECT_EQ(bSkip != 0, IsShown(hPage, IDC_INTERNET_SKIP));
            EXPECT_EQ(bSkip != 0, IsEnabled(hPage, IDC_INTERNET_SKIP));
            // The box is the only way to Next; without permission a click on it changes nothing.
            SendDlgItemMessageW(hPage, IDC_INTERNET_SKIP, BM_SETCHECK, BST_CHECKED, 0);
            SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(IDC_INTERNET_SKIP, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hPage, IDC_INTERNET_SKIP)));
            EXPECT_EQ(bSkip != 0, IsEnabled(hPage, IDOK));
            SendDlgItemMessageW(hPage, IDC_INTERNET_SKIP, BM_SETCHECK, BST_UNCHECKED, 0);
            SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(IDC_INTERNET_SKIP, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hPage, IDC_INTERNET_SKIP)));
            EXPECT_FALSE(IsEnabled(hPage, IDOK));
            if (!bSkip)
                continue;
            Show(hPage);
            ExpectTextFits(hPage, IDC_INTERNET_TEXT);
            CWindowPixels capture;
            ASSERT_TRUE(CaptureWindow(hPage, capture));
            const POINT corner = ClientToCapture(hPage, { 3, 3 });
            EXPECT_EQ(kFakeHeaderColour, capture.At(corner.x, corner.y)) << "the header is painted";
            EXPECT_FALSE(SaveWindowScreenshot(hPage, CString(L"CheckInternet_") + row.pszCode).IsEmpty());
        }
    }

    struct CCase
    {
        const char* name;
        UINT bSkip;
        std::function<void(HWND)> drive;
        INT_PTR result;
    };
    const CCase cases[] = {
        { "Retry", FALSE, [](HWND h) { PressDialogButton(h, IDC_WIZARD_BACK); }, WIZARD_RESULT_BACK },
        { "skip chosen, then Next", TRUE,
          [](HWND h) {
              ClickBox(h, IDC_INTERNET_SKIP);
              if (IsEnabled(h, IDOK))
                  PressDialogButton(h, IDOK);
          },
          IDOK },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CCheckInternetDlg page(c.bSkip, nullptr);
        EXPECT_EQ(c.result, RunModal(page, c.drive));
    }
}

TEST_F(StartPagesTest, TheUpdateOfferDownloadsUnlessTheBoxIsCleared)
{
    for (const CLanguageRow& row : kLanguages)
    {
        SCOPED_TRACE(Narrow(row.pszCode));
        CUpdateAvailbleDlg page(nullptr);
        page.SetTemplateLanguage(row.resources);
        ASSERT_TRUE(page.Create());
        HWND hPage = page.GetSafeHwnd();
        EXPECT_EQ(row.resources, page.GetLoadedLanguage());
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hPage, IDC_UPDATE_DOWNLOAD));
        EXPECT_FALSE(IsEnabled(hPage, IDC_WIZARD_BACK));
        EXPECT_TRUE(IsEnabled(hPage, IDOK));
        Show(hPage);
        ExpectTextFits(hPage, IDC_UPDATE_TEXT);
        CWindowPixels capture;
        ASSERT_TRUE(CaptureWindow(hPage, capture));
        const POINT corner = ClientToCapture(hPage, { 3, 3 });
        EXPECT_EQ(kFakeHeaderColour, capture.At(corner.x, corner.y));
        EXPECT_FALSE(SaveWindowScreenshot(hPage, CString(L"UpdateAvailable_") + row.pszCode).IsEmpty());
    }
    struct CCase
    {
        const char* name;
        bool bClear;
        int bDownload;
    };
    const CCase cases[] = { { "kept", false, 1 }, { "cleared", true, 0 } };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CUpdateAvailbleDlg page(nullptr);
        EXPECT_EQ(1, page.GetDownloadUpdate());
        const bool bClear = c.bClear;
        EXPECT_EQ(IDOK, RunModal(page, [bClear](HWND h) {
            if (bClear)
                ClickBox(h, IDC_UPDATE_DOWNLOAD);
            PressDialogButton(h, IDOK);
        }));
        EXPECT_EQ(c.bDownload, page.GetDownloadUpdate());
    }
}
}
