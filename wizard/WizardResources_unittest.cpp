// The built program's resources: every language has the pages, controls and strings English
// has, with the same "%s" sequence and markup, and every text of a page fits its control in the
// page's own font (the CJK ones through the prefix's font link).
#include "wizard/resource.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

namespace
{
const LANGID kEnglish = 1033;
const LANGID kLanguages[] = { 1031, 1033, 1036, 1040, 1041, 1046, 2052, 3082 };
const UINT kDialogs[] = { IDD_MSI_PROGRESS, IDD_CANCEL_INSTALLATION, IDD_CHOOSE_INSTALLATION_TYPE, IDD_INSTALL_FOLDER,
                          IDD_INSTALL_OPTIONS, IDD_SCAN_MUSIC_COLLECTION,
                          IDD_CHECK_INTERNET, IDD_UPDATE_AVAILABLE, IDD_CHOOSE_LANGUAGE, IDD_ADVERTISE };
// Texts the phases put into the bold heading of the progress page.
const UINT kHeadingStrings[] = { IDS_FINISHING_INSTALLATION, IDS_INSTALLING_HEADING, IDS_FINALIZING_HEADING };
const wchar_t kDisplayName[] = L"Vantolin";

class CModule
{
public:
    CModule() : m_h(LoadLibraryExW(BinFolder() + L"VantolinSetup.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~CModule()
    {
        if (m_h)
            FreeLibrary(m_h);
    }
    CModule(const CModule&) = delete;
    CModule& operator=(const CModule&) = delete;
    HMODULE Get() const { return m_h; }

private:
    HMODULE m_h;
};

const void* FindExact(HMODULE hModule, LPCWSTR pszType, UINT nID, LANGID lang, DWORD* pSize = nullptr)
{
    HRSRC hRes = FindResourceExW(hModule, pszType, MAKEINTRESOURCEW(nID), lang);
    HGLOBAL hData = hRes ? LoadResource(hModule, hRes) : nullptr;
    if (pSize)
        *pSize = hRes ? SizeofResource(hModule, hRes) : 0;
    return hData ? LockResource(hData) : nullptr;
}

BOOL CALLBACK CollectBlock(HMODULE, LPCWSTR, LPWSTR pszName, LONG_PTR lParam)
{
    if (IS_INTRESOURCE(pszName))
        reinterpret_cast<std::vector<UINT>*>(lParam)->push_back(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(pszName)));
    return TRUE;
}

// Every string of the language, by id (the table's blocks read directly: no fallback).
std::map<UINT, std::wstring> StringsOf(HMODULE hModule, LANGID lang)
{
    std::vector<UINT> blocks;
    EnumResourceNamesW(hModule, reinterpret_cast<LPCWSTR>(RT_STRING), CollectBlock, reinterpret_cast<LONG_PTR>(&blocks));
    std::map<UINT, std::wstring> strings;
    for (UINT block : blocks)
    {
        DWORD size = 0;
        const WCHAR* p = static_cast<const WCHAR*>(FindExact(hModule, reinterpret_cast<LPCWSTR>(RT_STRING), block, lang, &size));
        if (!p)
            continue;
        const WCHAR* end = p + size / sizeof(WCHAR);
        for (UINT i = 0; i < 16 && p < end; ++i)
        {
            const UINT n = *p++;
            if (n)
                strings[(block - 1) * 16 + i] = std::wstring(p, n);
            p += n;
        }
    }
    return strings;
}

// The "%s" sequence and the markup of a text: format specifications in order, then the counts
// of line breaks, mnemonics, arrows and the blanks at its ends.
std::wstring Shape(const std::wstring& text)
{
    std::wstring formats;
    int lines = 0, mnemonics = 0, arrows = 0;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const wchar_t c = text[i];
        if (c == L'%' && i + 1 < text.size())
        {
            size_t j = i + 1;
            while (j < text.size() && wcschr(L"-+ #0123456789.hlI", text[j]))
                ++j;
            if (j < text.size())
                formats += text.substr(i, j - i + 1) + L" ";
            i = j;
        }
        else if (c == L'\n')
            ++lines;
        else if (c == L'&' && i + 1 < text.size() && text[i + 1] != L'&')
            ++mnemonics;
        else if (c == L'<' || c == L'>')
            ++arrows;
    }
    const bool leading = !text.empty() && text.front() == L' ';
    const bool trailing = !text.empty() && text.back() == L' ';
    return formats + L"| " + std::to_wstring(lines) + L" lines, " + std::to_wstring(mnemonics) + L" mnemonics, " +
           std::to_wstring(arrows) + L" arrows, " + (leading ? L"leading blank, " : L"") +
           (trailing ? L"trailing blank" : L"");
}

std::string Narrow(const std::wstring& text)
{
    return CString(text.c_str()).ToNarrow(CP_UTF8);
}

INT_PTR CALLBACK PlainDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

struct CControl
{
    int id;
    std::wstring className;
    std::wstring text;
    LONG style;
    RECT rect;
};

struct CCreatedDialog
{
    HWND hWnd = nullptr;
    std::wstring caption;
    std::vector<CControl> controls;
    ~CCreatedDialog()
    {
        if (hWnd)
            DestroyWindow(hWnd);
    }
};

BOOL CALLBACK CollectControl(HWND hChild, LPARAM lParam)
{
    CControl c;
    c.id = GetDlgCtrlID(hChild);
    wchar_t buffer[1024] = {};
    GetClassNameW(hChild, buffer, 1024);
    c.className = buffer;
    buffer[0] = 0;
    GetWindowTextW(hChild, buffer, 1024);
    c.text = buffer;
    c.style = GetWindowLongW(hChild, GWL_STYLE);
    GetClientRect(hChild, &c.rect);
    reinterpret_cast<std::vector<CControl>*>(lParam)->push_back(c);
    return TRUE;
}

bool CreateFromTemplate(HMODULE hModule, UINT nID, LANGID lang, CCreatedDialog& rDialog)
{
    const DLGTEMPLATE* pTemplate = static_cast<const DLGTEMPLATE*>(FindExact(hModule, reinterpret_cast<LPCWSTR>(RT_DIALOG), nID, lang));
    if (!pTemplate)
        return false;
    rDialog.hWnd = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), pTemplate, nullptr, PlainDlgProc, 0);
    if (!rDialog.hWnd)
        return false;
    wchar_t caption[256] = {};
    GetWindowTextW(rDialog.hWnd, caption, 256);
    rDialog.caption = caption;
    EnumChildWindows(rDialog.hWnd, CollectControl, reinterpret_cast<LPARAM>(&rDialog.controls));
    return true;
}

std::wstring WithDisplayName(std::wstring text)
{
    for (size_t at = text.find(L"%s"); at != std::wstring::npos; at = text.find(L"%s", at))
        text.replace(at, 2, kDisplayName);
    return text;
}

// How much room the text needs in the font: one line (width), or the lines of a word-wrapped
// static as wide as the control (height).
SIZE Needed(HFONT hFont, const std::wstring& text, int nWrapWidth)
{
    HDC hDC = GetDC(nullptr);
    HGDIOBJ hPrevious = SelectObject(hDC, hFont);
    RECT rect = { 0, 0, nWrapWidth ? nWrapWidth : 10000, 0 };
    const UINT format = DT_CALCRECT | (nWrapWidth ? DT_WORDBREAK : DT_SINGLELINE);
    DrawTextW(hDC, text.c_str(), static_cast<int>(text.size()), &rect, format);
    SelectObject(hDC, hPrevious);
    ReleaseDC(nullptr, hDC);
    return { rect.right - rect.left, rect.bottom - rect.top };
}

int LineHeight(HFONT hFont)
{
    HDC hDC = GetDC(nullptr);
    HGDIOBJ hPrevious = SelectObject(hDC, hFont);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(hDC, &metrics);
    SelectObject(hDC, hPrevious);
    ReleaseDC(nullptr, hDC);
    return metrics.tmHeight;
}

bool IsTextStatic(const CControl& c)
{
    const LONG type = c.style & SS_TYPEMASK;
    return _wcsicmp(c.className.c_str(), L"Static") == 0 &&
           (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP);
}

bool IsButton(const CControl& c)
{
    return _wcsicmp(c.className.c_str(), L"Button") == 0;
}

// Check boxes and radio buttons: their box stands beside the text.
bool HasBox(const CControl& c)
{
    const LONG type = c.style & BS_TYPEMASK;
    return IsButton(c) && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                           type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE);
}

class WizardResourcesTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { InitCommonControls(); }
    CModule m_module;
};

TEST_F(WizardResourcesTest, EveryLanguageHasEnglishsStringsWithTheirShape)
{
    ASSERT_TRUE(m_module.Get()) << "VantolinSetup.exe not loaded";
    const std::map<UINT, std::wstring> english = StringsOf(m_module.Get(), kEnglish);
    // The 22 texts that were there before the pages, the phases' texts and the box captions.
    const UINT kExpected[] = { 103, 109, 117, 123, 124, 125, 126, 127, 133, 134, 135, 141, 143, 145, 147, 150, 152,
                               153, 154, 155, 156, 157, 158, 159, 160, 161, 162, 165, 166, 167, 168, 169, 170, 171,
                               172, 173, 174, 175, 176, 177, 178, 179, 180, 185, 186, 189, 57344,
                               // The download page's status and the .NET page's texts.
                               164, 188, 190, 191, 192, 193,
                               // Where the USB finish says the earlier installation's data stays.
                               240,
                               // the installation type and folder pages' and the folder picker's
                               108, 130, 139, 142, 163,
                               // The texts of the pages before the installation (the Next button's 130 is theirs too).
                               106, 136, 148,
                               // A failure that leaves the installed package in place.
                               243,
                               // The waiting pages of the steps and a failed download.
                               102, 110, 132, 184, 187 };
    for (UINT nID : kExpected)
        EXPECT_EQ(1u, english.count(nID)) << "English lacks string " << nID;
    EXPECT_EQ(std::size(kExpected), english.size());
    EXPECT_EQ(L"The Setup Wizard could not start the Windows Installer engine to intall your product",
              english.at(IDS_INSTALLER_NOT_STARTED));
    for (LANGID lang : kLanguages)
    {
        SCOPED_TRACE(testing::Message() << "language " << lang);
        const std::map<UINT, std::wstring> strings = StringsOf(m_module.Get(), lang);
        EXPECT_EQ(english.size(), strings.size());
        for (const auto& entry : english)
        {
            const auto found = strings.find(entry.first);
            if (found == strings.end())
            {
                ADD_FAILURE() << "string " << entry.first << " is missing";
                continue;
            }
            EXPECT_EQ(Narrow(Shape(entry.second)), Narrow(Shape(found->second)))
                << "string " << entry.first << ": " << Narrow(found->second);
        }
    }
}

TEST_F(WizardResourcesTest, EveryLanguageHasThePagesWithEnglishsControlsAndTheirTextsFit)
{
    ASSERT_TRUE(m_module.Get());
    for (UINT nDialog : kDialogs)
    {
        CCreatedDialog english;
        ASSERT_TRUE(CreateFromTemplate(m_module.Get(), nDialog, kEnglish, english)) << nDialog;
        for (LANGID lang : kLanguages)
        {
            SCOPED_TRACE(testing::Message() << "dialog " << nDialog << " in " << lang);
            CCreatedDialog dialog;
            ASSERT_TRUE(CreateFromTemplate(m_module.Get(), nDialog, lang, dialog));
            EXPECT_FALSE(dialog.caption.empty());
            ASSERT_EQ(english.controls.size(), dialog.controls.size());
            HFONT hFont = reinterpret_cast<HFONT>(SendMessageW(dialog.hWnd, WM_GETFONT, 0, 0));
            ASSERT_TRUE(hFont);
            LOGFONTW logFont = {};
            GetObjectW(hFont, sizeof(logFont), &logFont);
            EXPECT_STREQ(L"Tahoma", logFont.lfFaceName);
            logFont.lfWeight = 600;
            HFONT hBold = CreateFontIndirectW(&logFont);
            const int nLine = LineHeight(hFont);
            for (size_t i = 0; i < dialog.controls.size(); ++i)
            {
                const CControl& c = dialog.controls[i];
                const CControl& e = english.controls[i];
                SCOPED_TRACE(testing::Message() << "control " << c.id << " \"" << Narrow(c.text) << "\"");
                EXPECT_EQ(e.id, c.id);
                EXPECT_EQ(Narrow(e.className), Narrow(c.className));
                EXPECT_EQ(Narrow(Shape(e.text)), Narrow(Shape(c.text)));
                const std::wstring text = WithDisplayName(c.text);
                const int nWidth = c.rect.right - c.rect.left;
                const int nHeight = c.rect.bottom - c.rect.top;
                if (text.empty())
                    continue;
                if (HasBox(c))
                {
                    const int nTextWidth = nWidth - GetSystemMetrics(SM_CXMENUCHECK) - 4;
                    if (c.style & BS_MULTILINE)
                        EXPECT_LE(Needed(hFont, text, nTextWidth).cy, nHeight);
                    else
                        EXPECT_LE(Needed(hFont, text, 0).cx, nTextWidth);
                }
                else if (IsButton(c))
                {
                    // Room for the button's edges beside the text.
                    EXPECT_LE(Needed(hFont, text, 0).cx + 6, nWidth);
                }
                else if (IsTextStatic(c) && nHeight < 2 * nLine)
                {
                    HFONT hMeasured = c.id == IDC_WIZARD_HEADING ? hBold : hFont;
                    EXPECT_LE(Needed(hMeasured, text, 0).cx, nWidth);
                }
                else if (IsTextStatic(c))
                {
                    EXPECT_LE(Needed(hFont, text, nWidth).cy, nHeight);
                }
            }
            // What the phases put into the heading fits it too, in bold.
            if (nDialog == IDD_MSI_PROGRESS)
            {
                RECT heading = {};
                GetClientRect(GetDlgItem(dialog.hWnd, IDC_WIZARD_HEADING), &heading);
                const std::map<UINT, std::wstring> strings = StringsOf(m_module.Get(), lang);
                for (UINT nID : kHeadingStrings)
                {
                    ASSERT_EQ(1u, strings.count(nID));
                    EXPECT_LE(Needed(hBold, WithDisplayName(strings.at(nID)), 0).cx, heading.right) << "string " << nID;
                }
            }
            DeleteObject(hBold);
        }
    }
}

// Tahoma has no Japanese or Chinese letters: the prefix links it to a CJK font, so that two
// different letters are drawn as two different glyphs and not as the same empty box.
TEST_F(WizardResourcesTest, CjkTextsAreDrawnWithRealGlyphs)
{
    LOGFONTW logFont = {};
    logFont.lfHeight = -16;
    wcscpy(logFont.lfFaceName, L"Tahoma");
    HFONT hFont = CreateFontIndirectW(&logFont);
    ASSERT_TRUE(hFont);
    auto draw = [hFont](const wchar_t* pszText) {
        HDC hScreen = GetDC(nullptr);
        HDC hDC = CreateCompatibleDC(hScreen);
        HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, 32, 32);
        ReleaseDC(nullptr, hScreen);
        HGDIOBJ hOldBitmap = SelectObject(hDC, hBitmap);
        HGDIOBJ hOldFont = SelectObject(hDC, hFont);
        RECT all = { 0, 0, 32, 32 };
        FillRect(hDC, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        TextOutW(hDC, 2, 2, pszText, 1);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                pixels.push_back(GetPixel(hDC, x, y));
        SelectObject(hDC, hOldFont);
        SelectObject(hDC, hOldBitmap);
        DeleteObject(hBitmap);
        DeleteDC(hDC);
        return pixels;
    };
    EXPECT_NE(draw(L"\x5B89"), draw(L"\x88C5")) << "Chinese";   // 安 装
    EXPECT_NE(draw(L"\x30A4"), draw(L"\x30B9")) << "Japanese";  // イ ス
    DeleteObject(hFont);
}

TEST_F(WizardResourcesTest, BothIconsLoadFromTheProgram)
{
    HMODULE hProgram = LoadLibraryExW(BinFolder() + L"VantolinSetup.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(hProgram);
    for (UINT nID : { IDI_MAINFRAME, IDI_MAINFRAME_PARTNER })
    {
        SCOPED_TRACE(nID);
        HRSRC hGroup = FindResourceW(hProgram, MAKEINTRESOURCEW(nID), reinterpret_cast<LPCWSTR>(RT_GROUP_ICON));
        ASSERT_TRUE(hGroup);
        PBYTE pGroup = static_cast<PBYTE>(LockResource(LoadResource(hProgram, hGroup)));
        const int nIcon = LookupIconIdFromDirectoryEx(pGroup, TRUE, 32, 32, LR_DEFAULTCOLOR);
        HRSRC hIcon = FindResourceW(hProgram, MAKEINTRESOURCEW(nIcon), reinterpret_cast<LPCWSTR>(RT_ICON));
        ASSERT_TRUE(hIcon);
        HICON h = CreateIconFromResourceEx(static_cast<PBYTE>(LockResource(LoadResource(hProgram, hIcon))),
                                           SizeofResource(hProgram, hIcon), TRUE, 0x00030000, 32, 32, LR_DEFAULTCOLOR);
        EXPECT_TRUE(h);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(h, &info));
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(32, bitmap.bmWidth);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(h);
    }
    FreeLibrary(hProgram);
}
}
