// The restart, .NET, licence and finish dialogs as real windows on the test X server, in every
// language: the finish page's boxes by outcome and its labels, Finish launching or restarting
// (through the shutdown seam), the .NET question by first time and pending restart, the licence
// streamed into the viewer (and a missing one), Print through the shell seam, the restart page's
// Cancel question, and a picture of each dialog.
#include "wizard/DotNetDisabledDlg.h"
#include "wizard/EulaDlg.h"
#include "wizard/FinishedInstallationDlg.h"
#include "wizard/RestartDialogs.h"
#include "wizard/resource.h"
#include "classlib/WinApp.h"
#include "support/SystemShutdown.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/PageLanguages.h"
#include "tests/common/Screenshot.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"
#include "tests/common/WizardFakes.h"
#include "workers/IInstanceFlagOwner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <thread>

namespace
{
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

CString TextOf(HWND hDlg, int nID)
{
    wchar_t text[2048] = {};
    GetDlgItemTextW(hDlg, nID, text, 2048);
    return text;
}

CString CaptionOf(HWND hWnd)
{
    wchar_t text[512] = {};
    GetWindowTextW(hWnd, text, 512);
    return text;
}

bool IsShown(HWND hDlg, int nID)
{
    HWND hItem = GetDlgItem(hDlg, nID);
    return hItem && (GetWindowLongW(hItem, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsChecked(HWND hDlg, int nID)
{
    return IsDlgButtonChecked(hDlg, nID) == BST_CHECKED;
}

CString Loaded(UINT nID, LANGID language)
{
    CString text;
    AfxLoadString(nID, text, language);
    return text;
}

// The visible dialog of this process with the caption, other than hExcept.
struct CSearch
{
    const wchar_t* pszCaption;
    HWND hExcept;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam)
{
    CSearch* pSearch = reinterpret_cast<CSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    wchar_t className[32] = {};
    GetClassNameW(hWnd, className, 32);
    if (pid == GetCurrentProcessId() && hWnd != pSearch->hExcept && IsWindowVisible(hWnd) &&
        wcscmp(className, L"#32770") == 0 && (!pSearch->pszCaption || CaptionOf(hWnd) == pSearch->pszCaption))
    {
        pSearch->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialog(const wchar_t* pszCaption, HWND hExcept = nullptr, DWORD timeoutMs = 20000)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs)
    {
        CSearch search = { pszCaption, hExcept, nullptr };
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(20);
    }
    return nullptr;
}

void Click(HWND hDlg, int nID)
{
    SendMessageW(GetDlgItem(hDlg, nID), BM_CLICK, 0, 0);
}

// A click on a static with SS_NOTIFY, as the mouse gives it.
void ClickLabel(HWND hDlg, int nID)
{
    HWND hLabel = GetDlgItem(hDlg, nID);
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(nID, STN_CLICKED), reinterpret_cast<LPARAM>(hLabel));
}

// Runs the modal dialog while a driver thread answers it; DoModal's result.
template <typename TDialog>
INT_PTR RunModal(TDialog& dialog, const wchar_t* pszCaption, const std::function<void(HWND)>& drive)
{
    std::thread driver([&]() {
        if (HWND hDlg = WaitForDialog(pszCaption))
        {
            Sleep(100);
            drive(hDlg);
        }
    });
    const INT_PTR result = dialog.DoModal();
    driver.join();
    return result;
}

class CRecordingFlagOwner : public IInstanceFlagOwner
{
public:
    bool ReleaseInstanceFlag() override
    {
        ++m_nReleases;
        return true;
    }
    bool RetakeInstanceFlag() override { return true; }
    int m_nReleases = 0;
};

std::atomic<int> g_nShutdowns{ 0 };
std::atomic<int> g_bRebootAsked{ -1 };
BOOL WINAPI RecordShutdown(LPWSTR, LPWSTR, DWORD, BOOL, BOOL reboot)
{
    ++g_nShutdowns;
    g_bRebootAsked = reboot ? 1 : 0;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
const SystemShutdownCalls kRecordedShutdown = { RecordShutdown };

struct CShellCall
{
    CString verb, file;
    int nCalls = 0;
};
CShellCall g_shell;
HINSTANCE WINAPI RecordShellExecute(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT)
{
    g_shell.verb = verb ? verb : L"";
    g_shell.file = file ? file : L"";
    ++g_shell.nCalls;
    return reinterpret_cast<HINSTANCE>(33);
}
const EulaShellCalls kRecordedShell = { RecordShellExecute };

class DialogsTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "Dialogs_"; }
    const CScopedCalls<SystemShutdownCalls> m_shutdown{ SetSystemShutdownCalls, &kRecordedShutdown };
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(kEnglish);
        g_nShutdowns = 0;
        g_bRebootAsked = -1;
    }
    void TearDown() override
    {
        AfxSetResourceLanguage(kEnglish);
        CTracedTest::TearDown();
    }
    CFakeWizardHost m_host;
};

const wchar_t kFinishMessage[] = L"Quux Player has been installed.";
}

TEST_F(DialogsTest, FinishPageShowsTheBoxesTheOutcomeAllowsAndFinishActsOnThem)
{
    struct CCase
    {
        const char* name;
        int bSucceeded, bCanLaunch, bRestartNeeded;
        bool launchShown, launchChecked, restartShown, restartChecked;
        bool labelToggles;    // a click on the shown box's label toggles it, twice back
        int nLaunchChosen;    // after Finish
    };
    const CCase cases[] = {
        { "failed: only the message and Finish", FALSE, TRUE, TRUE, false, false, false, false, false, 0 },
        { "restart needed: restart checked, no launch", TRUE, TRUE, TRUE, false, false, true, true, true, 0 },
        { "launch offered", TRUE, TRUE, FALSE, true, true, false, false, true, 1 },
        { "cannot launch", TRUE, FALSE, FALSE, false, false, false, false, false, 0 },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CRecordingFlagOwner flag;
        CFinishedInstallationDlg page(kFinishMessage, c.bSucceeded, TRUE, L"http://tutorial.invalid/", c.bCanLaunch,
                                      c.bRestartNeeded, nullptr, &flag);
        bool shown[2] = {}, checked[2] = {}, tutorial = true, toggled = false;
        CString label;
        const INT_PTR result = RunModal(page, L"Fake Setup", [&](HWND hPage) {
            EXPECT_EQ(CString(kFinishMessage), TextOf(hPage, IDC_FINISHED_MESSAGE));
            shown[0] = IsShown(hPage, IDC_FINISHED_LAUNCH) && IsShown(hPage, IDC_FINISHED_LAUNCH_LABEL);
            shown[1] = IsShown(hPage, IDC_FINISHED_RESTART) && IsShown(hPage, IDC_FINISHED_RESTART_LABEL);
            checked[0] = IsChecked(hPage, IDC_FINISHED_LAUNCH);
            checked[1] = IsChecked(hPage, IDC_FINISHED_RESTART);
            tutorial = IsShown(hPage, IDC_FINISHED_TUTORIAL) || IsChecked(hPage, IDC_FINISHED_TUTORIAL);
            label = TextOf(hPage, IDC_FINISHED_LAUNCH_LABEL);
            EXPECT_FALSE(IsShown(hPage, IDCANCEL));
            if (c.labelToggles)
            {
                const int nBox = c.launchShown ? IDC_FINISHED_LAUNCH : IDC_FINISHED_RESTART;
                const int nLabel = c.launchShown ? IDC_FINISHED_LAUNCH_LABEL : IDC_FINISHED_RESTART_LABEL;
                ClickLabel(hPage, nLabel);
                toggled = IsChecked(hPage, nBox) != (c.launchShown ? c.launchChecked : c.restartChecked);
                ClickLabel(hPage, nLabel);
            }
            if (c.bRestartNeeded && c.bSucceeded)
            {
                // Finish asks first; "Restart later" closes the page without a restart.
                PostMessageW(GetDlgItem(hPage, IDOK), BM_CLICK, 0, 0);
                if (HWND hAsk = WaitForDialog(L"Vantolin Setup"))
                    Click(hAsk, IDCANCEL);
            }
            else
            {
                Click(hPage, IDOK);
            }
        });
        EXPECT_EQ(IDOK, result);
        EXPECT_EQ(c.launchShown, shown[0]);
        EXPECT_EQ(c.restartShown, shown[1]);
        EXPECT_EQ(c.launchChecked, checked[0]);
        EXPECT_EQ(c.restartChecked, checked[1]);
        EXPECT_FALSE(tutorial);
        EXPECT_EQ(c.labelToggles, toggled);
        EXPECT_EQ(CString(L" &Launch installed product now"), label);
        EXPECT_EQ(c.nLaunchChosen, page.IsLaunchChosen());
        EXPECT_EQ(c.nLaunchChosen, flag.m_nReleases);
        EXPECT_EQ(0, g_nShutdowns.load());
    }
    EXPECT_TRUE(Contains(Log(), L"CFinishedInstallationDlg::OnInitDialog"));
    EXPECT_TRUE(Contains(Log(), L"Finished Installation dialog dismissed with OK"));
}

TEST_F(DialogsTest, FinishWithRestartNowRestartsThroughTheShutdownAndStillCloses)
{
    CFinishedInstallationDlg page(kFinishMessage, TRUE, TRUE, L"", TRUE, TRUE, nullptr);
    const INT_PTR result = RunModal(page, L"Fake Setup", [&](HWND hPage) {
        PostMessageW(GetDlgItem(hPage, IDOK), BM_CLICK, 0, 0);
        if (HWND hAsk = WaitForDialog(L"Vantolin Setup"))
        {
            EXPECT_TRUE(Contains(TextOf(hAsk, IDC_ASK_RESTART_TEXT), L"It is recommended to restart your computer"));
            EXPECT_FALSE(SaveWindowScreenshot(hAsk, L"AskRestart_en-US").IsEmpty());
            Click(hAsk, IDOK);
        }
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(1, g_nShutdowns.load());
    EXPECT_EQ(1, g_bRebootAsked.load());
    EXPECT_EQ(0, page.IsLaunchChosen());
    EXPECT_TRUE(Contains(Log(), L"CFinishedInstallationDlg::OnBnClickedOk try to restart computer"));
    // A refused shutdown is only traced.
    EXPECT_TRUE(Contains(Log(), L"CFinishedInstallationDlg::OnBnClickedOk shutdown result=[0]"));
}

TEST_F(DialogsTest, DotNetQuestionByFirstTimeAndPendingRestart)
{
    static bool s_bPending = false;
    auto pending = []() { return s_bPending; };
    struct CCase
    {
        const char* name;
        int bFirstTime;
        bool bPending;
        UINT nSecond;        // the text after string 188
        bool enableOffered;
        bool retry;          // button 1 reads "&Retry"
    };
    const CCase cases[] = {
        { "first time", 1, false, IDS_DOTNET_CAN_ENABLE, true, false },
        { "again", 0, false, IDS_DOTNET_ENABLE_FAILED, true, true },
        { "again with a restart pending", 0, true, IDS_DOTNET_REBOOT_NEEDED, false, false },
        { "first time with a restart pending", 1, true, IDS_DOTNET_CAN_ENABLE, false, false },
    };
    for (const CPageLanguage& language : kPageLanguages)
    {
        AfxSetResourceLanguage(language.id);
        const CString caption = language.id == kEnglish ? CString(L"Disabled .Net Framework ") : CString();
        for (const CCase& c : cases)
        {
            SCOPED_TRACE(CString(language.pszName).ToNarrow() + " " + c.name);
            s_bPending = c.bPending;
            CDotNetDisabledDlg page(c.bFirstTime, nullptr, pending);
            CString message, button, shownCaption;
            bool enabled = false;
            const INT_PTR result = RunModal(page, nullptr, [&](HWND hDlg) {
                message = TextOf(hDlg, IDC_DOTNET_MESSAGE);
                button = TextOf(hDlg, IDOK);
                shownCaption = CaptionOf(hDlg);
                enabled = IsWindowEnabled(GetDlgItem(hDlg, IDOK)) != FALSE;
                if (c.bFirstTime && !c.bPending)
                {
                    EXPECT_FALSE(SaveWindowScreenshot(hDlg, CString(L"DotNetDisabled_") + language.pszName).IsEmpty());
                }
                Click(hDlg, enabled ? IDOK : IDCANCEL);
            });
            EXPECT_EQ(c.enableOffered ? IDOK : IDCANCEL, result);
            EXPECT_EQ(Loaded(IDS_DOTNET_DISABLED, language.id) + Loaded(c.nSecond, language.id), message);
            EXPECT_EQ(c.enableOffered, enabled);
            if (c.retry)
            {
                EXPECT_EQ(Loaded(IDS_DOTNET_RETRY, language.id), button);
            }
            else
            {
                EXPECT_NE(Loaded(IDS_DOTNET_RETRY, language.id), button);
            }
            if (!caption.IsEmpty())
            {
                EXPECT_EQ(caption, shownCaption);
            }
        }
    }
}

TEST_F(DialogsTest, LicenceIsStreamedInPrintGoesToTheShellAMissingFileLeavesItEmpty)
{
    const CString path = m_folder + L"\\eula_en.rtf";
    {
        std::ofstream rtf(path.ToNarrow(), std::ios::binary);
        rtf << "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs16 END USER LICENSE AGREEMENT\\par "
               "You may use this software on one computer.\\par }";
    }
    const CScopedCalls<EulaShellCalls> shell(SetEulaShellCalls, &kRecordedShell);
    g_shell = CShellCall();
    CEulaDlg viewer(path, nullptr);
    CString text, caption;
    bool readOnly = false;
    const INT_PTR result = RunModal(viewer, L"Vantolin End User License Agreement", [&](HWND hDlg) {
        HWND hViewer = GetDlgItem(hDlg, IDC_EULA_VIEWER);
        text = TextOf(hDlg, IDC_EULA_VIEWER);
        readOnly = (GetWindowLongW(hViewer, GWL_STYLE) & ES_READONLY) != 0;
        EXPECT_FALSE(SaveWindowScreenshot(hDlg, L"Eula_en-US").IsEmpty());
        Click(hDlg, IDC_EULA_PRINT);
        Click(hDlg, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(Contains(text, L"END USER LICENSE AGREEMENT"));
    EXPECT_TRUE(Contains(text, L"one computer."));
    EXPECT_FALSE(Contains(text, L"rtf1"));
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(1, g_shell.nCalls);
    EXPECT_EQ(CString(L"print"), g_shell.verb);
    EXPECT_EQ(path, g_shell.file);
    EXPECT_TRUE(Contains(Log(), L"begin LoadEula"));
    EXPECT_TRUE(Contains(Log(), L"MyStreamInCallback"));
    EXPECT_TRUE(Contains(Log(), L"end LoadEula"));

    CEulaDlg missing(m_folder + L"\\no_such_eula.rtf", nullptr);
    CString empty = L"x";
    EXPECT_EQ(IDOK, RunModal(missing, L"Vantolin End User License Agreement", [&](HWND hDlg) {
                  empty = TextOf(hDlg, IDC_EULA_VIEWER);
                  Click(hDlg, IDOK);
              }));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(Contains(Log(), L"ERR: CChooseLanguageDlg::OnInitDialog: error reading eula"));
}

TEST_F(DialogsTest, RestartPageGoesOnWithNextAndCancelsOnlyAfterYes)
{
    struct CCase
    {
        const char* name;
        bool cancel;
        INT_PTR result;
    };
    const CCase cases[] = { { "Next", false, IDOK }, { "Cancel, then Yes", true, IDCANCEL } };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CConfirmRestartDlg page(nullptr);
        bool backEnabled = true;
        CString heading, text;
        const INT_PTR result = RunModal(page, L"Fake Setup", [&](HWND hPage) {
            backEnabled = IsWindowEnabled(GetDlgItem(hPage, IDC_WIZARD_BACK)) != FALSE;
            heading = TextOf(hPage, IDC_WIZARD_HEADING);
            text = TextOf(hPage, IDC_CONFIRM_RESTART_TEXT);
            SendMessageW(hPage, WM_COMMAND, IDC_WIZARD_BACK, 0);
            if (!c.cancel)
            {
                Click(hPage, IDOK);
                return;
            }
            PostMessageW(GetDlgItem(hPage, IDCANCEL), BM_CLICK, 0, 0);
            if (HWND hQuestion = WaitForDialog(L"Cancel Installation"))
                Click(hQuestion, IDOK);
        });
        EXPECT_EQ(c.result, result);
        EXPECT_FALSE(backEnabled);
        EXPECT_EQ(CString(L"Confirm Computer Restart"), heading);
        EXPECT_EQ(CString(L"The Setup Wizard needs to restart your computer in order to continue the installation.\n\n"
                          L"To restart the computer, please click Next."),
                  text);
    }
}

TEST_F(DialogsTest, EveryLanguageShowsEachDialogWithItsOwnTexts)
{
    const CString eula = m_folder + L"\\eula.rtf";
    {
        std::ofstream rtf(eula.ToNarrow(), std::ios::binary);
        rtf << "{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs16 Licence\\par }";
    }
    for (const CPageLanguage& language : kPageLanguages)
    {
        SCOPED_TRACE(CString(language.pszName).ToNarrow());
        AfxSetResourceLanguage(language.id);
        const CString suffix = CString(L"_") + language.pszName;
        auto picture = [&](const wchar_t* pszName) {
            return [=](HWND hDlg) {
                EXPECT_FALSE(SaveWindowScreenshot(hDlg, CString(pszName) + suffix).IsEmpty());
                SendMessageW(hDlg, WM_COMMAND, IDOK, 0);
            };
        };
        CFinishedInstallationDlg finish(kFinishMessage, TRUE, TRUE, L"", TRUE, FALSE, nullptr);
        CString launch;
        EXPECT_EQ(IDOK, RunModal(finish, L"Fake Setup", [&](HWND hDlg) {
                      launch = TextOf(hDlg, IDC_FINISHED_LAUNCH_LABEL);
                      // The watermark is painted into the side panel.
                      CWindowPixels capture;
                      EXPECT_TRUE(CaptureWindow(hDlg, capture));
                      const POINT corner = ClientToCapture(hDlg, { 3, 3 });
                      EXPECT_EQ(kFakeWatermarkColour, capture.At(corner.x, corner.y));
                      picture(L"FinishedInstallation")(hDlg);
                  }));
        EXPECT_EQ(L' ', launch[0]);
        EXPECT_GT(launch.GetLength(), 3);
        CConfirmRestartDlg confirm(nullptr);
        EXPECT_EQ(IDOK, RunModal(confirm, L"Fake Setup", picture(L"ConfirmRestart")));
        CAskRestart ask(nullptr);
        EXPECT_EQ(IDOK, RunModal(ask, nullptr, picture(L"AskRestart")));
        CEulaDlg viewer(eula, nullptr);
        EXPECT_EQ(IDOK, RunModal(viewer, nullptr, picture(L"Eula")));
    }
}
