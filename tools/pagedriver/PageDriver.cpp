// The demo's driver: starts the controller and answers each of its pages as a person would,
// saving a PNG of every page it passes (D:\screenshots\PageDriver\<run>_<nn>_<page>.png).
//   PageDriver.exe install <run> <controller> [arguments]  language (advanced mode), the media
//       library, the Internet page, the type, folder and options pages, the progress pages, the
//       finish page, and then the product's window
//   PageDriver.exe cancel <run> <controller> [arguments]   cancels on the language page and
//       saves the finish page
// Exit code 0 when the run went that way: the controller ended, and the product's window showed
// (install) or the finish page did (cancel).

#include "tests/common/ProcessRun.h"
#include "tests/common/Windows.h"
#include "tests/common/WizardDriver.h"
#include "wizard/resource.h"
#include "wizard/resource_choices.h"
#include "wizard/resource_start.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

namespace
{
const DWORD kRunLimitMs = 600000;
const DWORD kPageWaitMs = 500;
const DWORD kProductWaitMs = 60000;

enum class EMode
{
    Install,
    Cancel
};

class CPageDriver
{
public:
    CPageDriver(EMode mode, const wchar_t* pszRun) : m_mode(mode), m_run(pszRun) {}

    // Answers the controller's pages until it ends; whether the run went the mode's way.
    bool Drive(CChildProcess& controller)
    {
        const DWORD start = GetTickCount();
        HWND hLast = nullptr;
        while (controller.Wait(0) == STILL_ACTIVE)
        {
            if (GetTickCount() - start > kRunLimitMs)
            {
                Say(L"the controller has not ended in time: the driver gives up");
                return false;
            }
            HWND hPage = FindWizardPage(controller.GetPid());
            if (hPage && !IsWindowEnabled(hPage))
                AnswerBox(OwnedBy(hPage));
            if (!hPage || !IsWindowEnabled(hPage))
            {
                Sleep(50);
                continue;
            }
            EWizardPage page = IdentifyWizardPage(hPage);
            if (page == EWizardPage::Other)
            {
                // A page being taken down has lost its controls before it goes: look again in a
                // moment.
                Sleep(200);
                if (!IsWindow(hPage) || !IsWindowVisible(hPage))
                    continue;
                page = IdentifyWizardPage(hPage);
            }
            if (IsProgress(page))
            {
                SaveProgressPhase(hPage, page);
                Sleep(50);
                continue;
            }
            if (hPage == hLast)
            {
                // An answer that did not end the page (a refused folder, a page that waits on
                // something): look again in a moment, and answer again after a while.
                if (WaitForWindowGone(hPage, 3000))
                    continue;
            }
            else
            {
                Save(hPage, page);
            }
            hLast = hPage;
            Answer(hPage, page);
        }
        Say(L"the controller ended");
        if (m_mode == EMode::Cancel)
            return m_bFinishSeen;
        return SaveProductWindow();
    }

private:
    static bool IsProgress(EWizardPage page) { return page == EWizardPage::Progress || page == EWizardPage::Download; }

    void Answer(HWND hPage, EWizardPage page)
    {
        switch (page)
        {
        case EWizardPage::Language:
            if (m_mode == EMode::Cancel)
            {
                PressPageButton(hPage, kWizardCancel);
                if (AnswerCancelQuestion(hPage, true))
                    Say(L"cancelled on the language page");
                return;
            }
            Check(hPage, IDC_INSTALL_ADVANCED, L"advanced installation");
            break;
        case EWizardPage::Music:
            Check(hPage, IDC_MUSIC_INCLUDE, L"include the music library");
            break;
        case EWizardPage::Internet:
            // Without a connection Next stays disabled until the person chooses to go on offline.
            if (!IsWindowEnabled(GetDlgItem(hPage, kWizardNext)))
                Check(hPage, IDC_INTERNET_SKIP, L"go on without the Internet");
            break;
        case EWizardPage::InstallType:
            Check(hPage, IDC_TYPE_STANDARD, L"installation on this PC");
            break;
        case EWizardPage::Finish:
            m_bFinishSeen = true;
            break;
        default:
            break;
        }
        // Next, or the one button a box of the controller's has.
        if (!PressPageButton(hPage, kWizardNext) && !PressPageButton(hPage, IDYES) && !PressPageButton(hPage, IDCANCEL))
            Say(L"nothing to press on this page");
    }

    void Check(HWND hPage, int id, const wchar_t* pszWhat)
    {
        wchar_t line[200] = {};
        _snwprintf(line, 199, L"%ls: %ls", pszWhat, SetPageCheck(hPage, id, true) ? L"chosen" : L"could not be chosen");
        Say(line);
    }

    // A box a page asks in (a restart question, a message): the person takes its default answer,
    // once, after a picture.
    void AnswerBox(HWND hBox)
    {
        if (!hBox || hBox == m_hLastBox || !IsWindowEnabled(hBox))
            return;
        m_hLastBox = hBox;
        Save(hBox, EWizardPage::Other);
        DWORD_PTR defId = 0;
        if (SendMessageTimeoutW(hBox, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 5000, &defId) && HIWORD(defId) == DC_HASDEFID)
            PressPageButton(hBox, LOWORD(defId));
        else
            PressPageButton(hBox, IDOK);
    }

    void Save(HWND hPage, EWizardPage page)
    {
        wchar_t name[96] = {};
        _snwprintf(name, 95, L"%ls_%02d_%ls", m_run, m_count + 1, WizardPageName(page));
        const CString file = SavePageScreenshot(hPage, name);
        if (!file.IsEmpty())
            ++m_count;
        // A dialog that is none of the pages is named by its caption.
        wchar_t caption[100] = {};
        if (page == EWizardPage::Other)
            GetWindowTextW(hPage, caption, 100);
        wchar_t line[400] = {};
        _snwprintf(line, 399, L"page %ls%ls%ls%ls: %ls", WizardPageName(page), *caption ? L" \"" : L"", caption,
                   *caption ? L"\"" : L"", file.IsEmpty() ? L"(gone before its picture)" : file.GetString());
        Say(line);
    }

    // A progress page shows its phases one after another: a picture of each.
    void SaveProgressPhase(HWND hPage, EWizardPage page)
    {
        const CString texts = PageItemText(hPage, IDC_WIZARD_HEADING) + L"\n" + PageItemText(hPage, IDC_WIZARD_TEXT);
        if (hPage == m_hProgress && texts == m_progressTexts)
            return;
        m_hProgress = hPage;
        m_progressTexts = texts;
        Save(hPage, page);
    }

    bool SaveProductWindow()
    {
        HWND hProduct = WaitForWindow([]() { return FindWindowW(L"VantolinStandInProduct", nullptr); }, kProductWaitMs);
        if (!hProduct)
        {
            Say(L"the product's window did not show");
            return false;
        }
        WaitForWindow([hProduct]() { return IsWindowVisible(hProduct) ? hProduct : nullptr; }, kProductWaitMs);
        wchar_t name[64] = {};
        _snwprintf(name, 63, L"%ls_%02d_Product", m_run, ++m_count);
        const CString file = SavePageScreenshot(hProduct, name);
        wchar_t line[400] = {};
        _snwprintf(line, 399, L"the product's window: %ls", file.IsEmpty() ? L"(no picture)" : file.GetString());
        Say(line);
        return true;
    }

    void Say(const wchar_t* pszLine)
    {
        wprintf(L"PageDriver %ls: %ls\n", m_run, pszLine);
        fflush(stdout);
    }

    EMode m_mode;
    const wchar_t* m_run;
    int m_count = 0;
    bool m_bFinishSeen = false;
    HWND m_hProgress = nullptr;
    HWND m_hLastBox = nullptr;
    CString m_progressTexts;
};
}

int wmain()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 4 || (wcscmp(argv[1], L"install") != 0 && wcscmp(argv[1], L"cancel") != 0))
    {
        fwprintf(stderr, L"usage: PageDriver.exe install|cancel <run> <controller> [arguments]\n");
        return 2;
    }
    CString args;
    for (int i = 4; i < argc; ++i)
    {
        if (i > 4)
            args += L" ";
        args += argv[i];
    }
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    CChildProcess controller;
    if (!controller.Start(argv[3], args, folder))
    {
        fwprintf(stderr, L"PageDriver: cannot start %ls (%lu)\n", argv[3], GetLastError());
        return 1;
    }
    CPageDriver driver(wcscmp(argv[1], L"cancel") == 0 ? EMode::Cancel : EMode::Install, argv[2]);
    const bool bDone = driver.Drive(controller);
    wprintf(L"PageDriver %ls: controller exit code %lu\n", argv[2], controller.Wait(0));
    LocalFree(argv);
    return bDone ? 0 : 1;
}
