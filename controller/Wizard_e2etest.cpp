// The built controller's wizard driven as a person drives it, through window messages on its real
// pages: an advanced offline installation, a cancel on each page, a cancel in each installation
// phase, and the pages in each of the eight languages. Every run ends with nothing of it left:
// no process of the setup, the instance flag free, the saved page position gone, the extraction
// folder removed, the user's files and the setup folder as they were.

#include "config/GenerationNames.h"
#include "support/FileUtil.h"
#include "support/Registry.h"
#include "tests/common/ControllerRun.h"
#include "tests/common/MediaPlayerStandIn.h"
#include "tests/common/PageLanguages.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/SavedUserProxy.h"
#include "tests/common/SetupFolder.h"
#include "tests/common/TestArea.h"
#include "tests/common/TestShell.h"
#include "tests/common/Windows.h"
#include "tests/common/WizardDriver.h"
#include "wizard/resource.h"
#include "wizard/resource_choices.h"
#include "wizard/resource_dialogs.h"
#include "wizard/resource_start.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace
{
const wchar_t kWindowPosKey[] = L"Software\\Quillmark\\ORU_WindowPos";
const wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t kProductKey[] = L"Software\\Quillmark\\ORU_Vantolin";
// The archive holds no installer of the 64-bit runtime: the step says so and the run goes on.
const wchar_t kNoRuntimeInstaller[] = L"ERR: Step_InstallVCRedistributable failed because there is no VC++ redistributable to install!";
const DWORD kRunLimitMs = 240000;
const DWORD kAnswerMs = 20000;

// What a person does on a page; the default is Next.
using CPageAction = std::function<void(HWND)>;

struct CWizardRun
{
    DWORD exitCode = STILL_ACTIVE;
    DWORD pid = 0;
    // The pages in the order they showed (a progress page once per window).
    std::vector<EWizardPage> pages;
    // The finish page's message and caption, when it showed.
    CString finishText;
    CString finishCaption;
    // The texts of the run's other boxes, answered with their default.
    std::vector<CString> boxes;
    CString log;
    CString calls;
    bool Showed(EWizardPage page) const
    {
        for (EWizardPage shown : pages)
            if (shown == page)
                return true;
        return false;
    }
};

CString PageNames(const std::vector<EWizardPage>& pages)
{
    CString names;
    for (EWizardPage page : pages)
        names += CString(WizardPageName(page)) + L" ";
    return names;
}

CString WindowText(HWND hWnd)
{
    wchar_t text[512] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &result);
    return text;
}

// Waits until the page takes input again (a question it asked has closed).
bool WaitForPageEnabled(HWND hPage, DWORD timeoutMs)
{
    return WaitForWindow([hPage]() { return IsWindow(hPage) && IsWindowEnabled(hPage) ? hPage : nullptr; }, timeoutMs) !=
           nullptr;
}

// Starts the controller and answers each page it shows with the page's action (Next when it has
// none) until the run ends; the finish page is read and closed, any other box gets its default.
CWizardRun DriveWizard(const CString& folder, const CString& args, const std::map<EWizardPage, CPageAction>& actions,
                       const std::function<void(HWND, EWizardPage)>& onPage = nullptr)
{
    CWizardRun run;
    CChildProcess process;
    EXPECT_TRUE(process.Start(folder + kSetupController, args, folder));
    run.pid = process.GetPid();
    HWND hLast = nullptr;
    const DWORD start = GetTickCount();
    while ((run.exitCode = process.Wait(50)) == STILL_ACTIVE)
    {
        if (GetTickCount() - start > kRunLimitMs)
        {
            ADD_FAILURE() << "the run has not ended in time; pages: " << PageNames(run.pages).ToNarrow();
            TerminateProcess(process.GetHandle(), 99);
            break;
        }
        HWND hPage = FindWizardPage(run.pid);
        if (!hPage || hPage == hLast || !IsWindowEnabled(hPage))
            continue;
        const EWizardPage page = IdentifyWizardPage(hPage);
        if (page == EWizardPage::None)
            continue;
        hLast = hPage;
        run.pages.push_back(page);
        if (onPage)
            onPage(hPage, page);
        const auto action = actions.find(page);
        if (action != actions.end())
            action->second(hPage);
        else if (page == EWizardPage::Finish)
        {
            run.finishText = PageItemText(hPage, IDC_FINISHED_MESSAGE);
            run.finishCaption = WindowText(hPage);
            EXPECT_TRUE(PressPageButton(hPage, IDOK));
        }
        else if (page == EWizardPage::Other)
        {
            run.boxes.push_back(GetDialogText(hPage));
            PressDialogButton(hPage, IDOK);
        }
        else if (page != EWizardPage::Progress && page != EWizardPage::Download)
        {
            EXPECT_TRUE(PressPageButton(hPage, kWizardNext)) << CString(WizardPageName(page)).ToNarrow();
        }
    }
    run.log = ReadControllerLog(kSetupGeneration, run.pid);
    run.calls = ReadRefreshRtCalls(folder);
    return run;
}

// Advanced mode on the language page, and on without the Internet on the Internet page.
std::map<EWizardPage, CPageAction> AdvancedOfflineActions()
{
    std::map<EWizardPage, CPageAction> actions;
    actions[EWizardPage::Language] = [](HWND hPage) {
        EXPECT_TRUE(SetPageCheck(hPage, IDC_INSTALL_ADVANCED, true));
        EXPECT_TRUE(PressPageButton(hPage, kWizardNext));
    };
    actions[EWizardPage::Internet] = [](HWND hPage) {
        EXPECT_TRUE(SetPageCheck(hPage, IDC_INTERNET_SKIP, true));
        EXPECT_TRUE(PressPageButton(hPage, kWizardNext));
    };
    return actions;
}

// Cancel, "No" (the page stays as it was), Cancel again and "Yes": the run is cancelled.
void CancelNoThenYes(HWND hPage, bool bEscape = false)
{
    const EWizardPage page = IdentifyWizardPage(hPage);
    SCOPED_TRACE(CString(WizardPageName(page)).ToNarrow());
    const auto cancel = [hPage, bEscape]() { return bEscape ? PressPageEscape(hPage) : PressPageButton(hPage, kWizardCancel); };
    ASSERT_TRUE(cancel());
    ASSERT_TRUE(AnswerCancelQuestion(hPage, false, kAnswerMs));
    ASSERT_TRUE(WaitForPageEnabled(hPage, kAnswerMs));
    DWORD pid = 0;
    GetWindowThreadProcessId(hPage, &pid);
    EXPECT_EQ(hPage, FindWizardPage(pid)) << "No keeps the page";
    EXPECT_EQ(page, IdentifyWizardPage(hPage));
    ASSERT_TRUE(cancel());
    ASSERT_TRUE(AnswerCancelQuestion(hPage, true, kAnswerMs));
}

// The processes of the run: the programs of the setup folder and of the archive.
const wchar_t* const kRunPrograms[] = { L"VantolinSetupXP.exe", L"VantolinSetup__AB12 (1).exe", L"PostStepA.exe",
                                        L"PostStepB.exe", L"VantolinSetupCleanup.exe", L"VantolinSetupArchive.exe",
                                        L"RuntimeProbe.exe", L"dotNetFx40_Full_setup.exe", L"SetupArchive.exe" };

CString LeftPrograms()
{
    CString left;
    CScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = { sizeof(entry) };
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry))
        for (const wchar_t* name : kRunPrograms)
            if (_wcsicmp(entry.szExeFile, name) == 0)
                left += CString(entry.szExeFile) + L" ";
    return left;
}

// Ends the stand-in product a run has started (it would live on for its lifetime).
void CloseProduct()
{
    HWND hProduct = FindWindowW(L"VantolinStandInProduct", nullptr);
    DWORD pid = 0;
    if (hProduct)
        GetWindowThreadProcessId(hProduct, &pid);
    CScopedHandle process(pid ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid) : nullptr);
    if (process.IsValid())
    {
        TerminateProcess(process.Get(), 0);
        WaitForSingleObject(process.Get(), 10000);
    }
}

// The level-10 lines of the log that are none of the expected ones.
CString UnexpectedErrors(const CString& log, const std::vector<const wchar_t*>& expected)
{
    CString unexpected;
    for (const CString& line : TraceLineTexts(log))
    {
        if (line.Left(4) != L"ERR:")
            continue;
        bool known = false;
        for (const wchar_t* part : expected)
            known = known || Contains(line, part);
        if (!known)
            unexpected += line + L"\n";
    }
    return unexpected;
}

// The bytes of each file of the folder as it was before the run.
std::map<CString, std::string> FolderContents(const CString& folder)
{
    std::map<CString, std::string> contents;
    for (const CString& name : ListFiles(folder + L"*"))
        if (FileExists(folder + name))
            contents[name] = ReadBytes(folder + name);
    return contents;
}

// The string of the program's table in the language (empty when it has none).
CString ProgramString(const CString& program, UINT id, LANGID language)
{
    CString text;
    HMODULE hModule = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!hModule)
        return text;
    HRSRC hRes = FindResourceExW(hModule, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    const wchar_t* p = hRes ? static_cast<const wchar_t*>(LockResource(LoadResource(hModule, hRes))) : nullptr;
    for (UINT i = 0; p && i < id % 16; ++i)
        p += 1 + *p;
    if (p)
        text = CString(p + 1, *p);
    FreeLibrary(hModule);
    return text;
}

// Whether the text is the string with each %s filled in by something.
bool MatchesFormat(const CString& text, const CString& format)
{
    if (format.IsEmpty())
        return false;
    int from = 0;
    int at = 0;
    for (;;)
    {
        const int next = format.Find(L"%s", from);
        const CString part = next < 0 ? format.Mid(from) : format.Mid(from, next - from);
        const int found = text.Find(part, at);
        if (found < 0 || (from == 0 && found != 0))
            return false;
        at = found + part.GetLength();
        if (next < 0)
            return at == text.GetLength();
        from = next + 2;
    }
}

// A page to cancel on: its step and page, the run's oru.ini lines and archive fixture.
struct CCancelPage
{
    int step;
    EWizardPage page;
    const char* ini;
    const wchar_t* archive;
};

class WizardRun : public CSetupFolderTest
{
protected:
    // Each page in a run of its own.
    void CancelOnEachPage(const std::vector<CCancelPage>& cases);

    void SetUp() override
    {
        CSetupFolderTest::SetUp();
        // A file of the user's that no run may touch.
        wchar_t documents[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, TRUE));
        m_userFile = CString(documents) + L"\\vantolin_wizard_user_file.txt";
        ASSERT_TRUE(WriteTextFile(m_userFile, "the user's own"));
        DeleteProductKey();
        // A temporary folder of the store's left by another test would take the restart copy.
        DeleteUserRegValue(GetGenerationKey(kSetupGeneration, L"Common"), L"TempFolder");
    }
    void TearDown() override
    {
        CloseProduct();
        DeleteFileW(m_userFile);
        DeleteProductKey();
        CSetupFolderTest::TearDown();
    }

    static void DeleteProductKey() { SHDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKey); }

    CString Prepare(const wchar_t* pszName, const char* pszIni, const wchar_t* pszArchive = L"install")
    {
        m_folder = PrepareFolder(pszName, pszIni, pszArchive);
        // The pages' pictures, the advertising pictures and the licences, as the setup ships them.
        const CString demo = BinFolder() + L"..\\demo\\";
        CreateDirectoryW(m_folder + L"gfx", nullptr);
        for (const CString& name : ListFiles(demo + L"gfx\\*.bmp"))
            EXPECT_TRUE(CopyFileW(demo + L"gfx\\" + name, m_folder + L"gfx\\" + name, FALSE));
        for (const wchar_t* pattern : { L"advertise_*.jpg", L"eula_*.rtf" })
            for (const CString& name : ListFiles(demo + pattern))
                EXPECT_TRUE(CopyFileW(demo + name, m_folder + name, FALSE));
        m_before = FolderContents(m_folder);
        return m_folder;
    }

    // What every run leaves: none of its programs running, the instance flag free, the page
    // position gone, no unexpected level-10 line, the user's file and the setup folder as they
    // were; the extraction folder gone unless the run keeps it for its continuation.
    void ExpectCleanEnd(const CWizardRun& run, const std::vector<const wchar_t*>& expectedErrors, bool bKeepsExtraction = false)
    {
        CString left;
        for (int i = 0; i < 100 && !(left = LeftPrograms()).IsEmpty(); ++i)
            Sleep(100);
        EXPECT_EQ(CString(), left) << "programs of the run are still running";
        CScopedHandle flag(CreateMutexW(nullptr, FALSE, GetInstanceFlagName(kSetupGeneration)));
        EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError()) << "the instance flag is still held";
        EXPECT_EQ(CString(), ReadRunningAppValue());
        DWORD x = 0;
        EXPECT_FALSE(ReadRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"XPos", x, 0)) << "the page position stays";
        const CString record = ReadUtf16File(m_folder + L"VantolinSetupArchive.exe.record.txt");
        if (!record.IsEmpty())
        {
            const CString extractDir = Between(record, L"Argument=-d", L"\r\n");
            EXPECT_EQ(bKeepsExtraction, PathExistsHere(extractDir)) << extractDir.ToNarrow();
        }
        EXPECT_EQ(CString(), UnexpectedErrors(run.log, expectedErrors));
        EXPECT_EQ(std::string("the user's own"), ReadBytes(m_userFile));
        for (const auto& file : m_before)
            EXPECT_TRUE(ReadBytes(m_folder + file.first) == file.second) << file.first.ToNarrow() << " changed";
        EXPECT_TRUE(Contains(run.log, L"CoruApp::InitInstance exited")) << run.log.ToNarrow();
    }

    // A cancelled run: exit 2, code 12, message 126, nothing kept for a continuation.
    void ExpectCancelled(const CWizardRun& run)
    {
        EXPECT_EQ(2u, run.exitCode);
        EXPECT_TRUE(Contains(run.calls, L"SetIntValue InstallationReturnCode=12\n")) << run.calls.ToNarrow();
        EXPECT_TRUE(MatchesFormat(run.finishText, ProgramString(m_folder + kSetupController, 126, 1033)))
            << run.finishText.ToNarrow();
        EXPECT_EQ(CString(), GetRegString(HKEY_LOCAL_MACHINE, kRunOnceKey, L"RunOruInstaller", 0));
        for (const wchar_t* name : { L"RestartInstallDir", L"RestartIntegrateMusicLib", L"RestartCommonMusicLibDir",
                                     L"RestartCustomMusicLibDir", L"RestartDownloadLame", L"RestartSendUsageStats",
                                     L"RestartImportSettings" })
        {
            CString value;
            DWORD type = 0;
            EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, kProductKey, name, type, value, 0)) << CString(name).ToNarrow();
        }
    }

    CString m_folder;
    CString m_userFile;
    std::map<CString, std::string> m_before;
};
}

// Offline with the archive beside the program: advanced mode, go on without the Internet, a
// folder of one's own with a blank in its name, the options changed. The package lands in that
// folder, the controller's files beside it, the product is told to start.
TEST_F(WizardRun, AdvancedOfflineInstallation)
{
    CClosedUserProxy proxy;
    // A small library: it is scanned without asking.
    const auto player = CMediaPlayerStandIn::Install(FreshTestFolder(L"wizard_offline_player"),
                                                     "[Counts]\r\nAll=500\r\nAudio=400\r\nVideo=99\r\n");
    ASSERT_TRUE(player->IsReady());
    CTestShell shell;
    ASSERT_TRUE(shell.Start());
    const CString folder = Prepare(L"wizard_offline", "");
    const CString target = FreshTestFolder(L"wizard_offline_target") + L"My Vantolin";
    // The product's stand-in answers the hidden start when its script lies beside it.
    ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, target + L"\\Vantolin Player", nullptr));
    ASSERT_TRUE(WriteTextFile(target + L"\\Vantolin Player\\Vantolin.ini",
                              "[Run]\r\nChannel=Software\\Quillmark\\Vantolin_9111i\\OruCommunication\r\nLifetime=30000\r\n"));
    const CString notifierKey = GetGenerationKey(kSetupGeneration, L"Common");
    DeleteUserRegValue(notifierKey, L"StartVantolinNotifierWithWindows");

    std::map<EWizardPage, CPageAction> actions = AdvancedOfflineActions();
    actions[EWizardPage::Folder] = [target](HWND hPage) {
        EXPECT_TRUE(SetPageEditText(hPage, IDC_FOLDER_EDIT, target));
        EXPECT_TRUE(PressPageButton(hPage, kWizardNext));
    };
    actions[EWizardPage::Options] = [](HWND hPage) {
        EXPECT_TRUE(SetPageCheck(hPage, IDC_OPTIONS_NOTIFIER_AT_START, false));
        EXPECT_TRUE(SetPageCheck(hPage, IDC_OPTIONS_USAGE_STATISTICS, false));
        EXPECT_TRUE(PressPageButton(hPage, kWizardNext));
    };
    const CWizardRun run = DriveWizard(folder, L"/view:9", actions);
    EXPECT_EQ(0u, run.exitCode) << PageNames(run.pages).ToNarrow();
    for (EWizardPage page : { EWizardPage::Language, EWizardPage::Internet, EWizardPage::InstallType, EWizardPage::Folder,
                              EWizardPage::Options, EWizardPage::Progress })
        EXPECT_TRUE(run.Showed(page)) << WizardPageName(page) << " not among " << PageNames(run.pages).ToNarrow();
    EXPECT_FALSE(run.Showed(EWizardPage::Finish)) << "a successful run ends with the product";
    EXPECT_FALSE(run.Showed(EWizardPage::Music));
    EXPECT_TRUE(run.boxes.empty()) << (run.boxes.empty() ? "" : run.boxes.front().ToNarrow());

    EXPECT_TRUE(Contains(run.log, L"APPDIR=\"" + target + L"\"")) << run.log.ToNarrow();
    EXPECT_TRUE(FileExists(target + L"\\readme.txt"));
    EXPECT_TRUE(FileExists(target + L"\\Vantolin Player\\Vantolin.exe"));
    EXPECT_EQ(std::string("[Settings]\r\ngeneration=9111i\r\n"), ReadBytes(target + L"\\generation.ini"));
    EXPECT_NE(std::string::npos, ReadBytes(target + L"\\Update\\oru.ini").find("generation=9111i"));
    // Entries 6 and 9: the product's start command and its edition.
    EXPECT_EQ(L"\"" + target + L"\\Vantolin Player\\Vantolin.exe\"",
              GetRegString(HKEY_LOCAL_MACHINE, L"Software\\Quillmark\\Vantolin_9111i", L"Launch", 0));
    EXPECT_EQ(CString(L"9"), GetRegString(HKEY_LOCAL_MACHINE, kSetupCommonKey, L"InstalledVantolinView", 0));
    wchar_t music[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, music, CSIDL_MYMUSIC, TRUE));
    EXPECT_EQ(CString(music) + L"\\", GetRegString(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmark\\Vantolin_9111i\\MO_Settings",
                                                   L"InstallerWindowsMusicCollectionFolder", 0));
    EXPECT_EQ(CString(L"0"), GetRegString(HKEY_CURRENT_USER, notifierKey, L"StartVantolinNotifierWithWindows", 0));
    CString record;
    for (int i = 0; i < 100 && !Contains(record = ReadUtf8File(target + L"\\Vantolin Player\\Vantolin_record.txt"), L"Command=Start");
         ++i)
        Sleep(100);
    EXPECT_TRUE(Contains(record, L"Command=Start\r\n")) << record.ToNarrow();
    // The product reported that it waits for its command.
    EXPECT_TRUE(Contains(run.calls, L"SetIntValue InstallationReturnCode=0\n")) << run.calls.ToNarrow();
    ExpectCleanEnd(run, { kNoRuntimeInstaller });
}

// Cancel on each page that asks: Cancel (Esc on the advertising page), "No" keeps the page as it
// was, Cancel again and "Yes" end the run as cancelled, with nothing kept for a continuation.
void WizardRun::CancelOnEachPage(const std::vector<CCancelPage>& cases)
{
    CClosedUserProxy proxy;
    // A library large enough to be asked about.
    const auto player = CMediaPlayerStandIn::Install(FreshTestFolder(L"wizard_cancel_player"),
                                                     "[Counts]\r\nAll=1000\r\nAudio=900\r\nVideo=100\r\n");
    ASSERT_TRUE(player->IsReady());
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.step);
        RemoveRestartCopy();
        DeleteProductKey();
        const CString folder = Prepare(L"wizard_cancel", c.ini, c.archive);
        std::map<EWizardPage, CPageAction> actions = AdvancedOfflineActions();
        const bool bEscape = c.page == EWizardPage::Advertise;
        actions[c.page] = [bEscape](HWND hPage) { CancelNoThenYes(hPage, bEscape); };
        const CWizardRun run = DriveWizard(folder, L"", actions);
        EXPECT_TRUE(run.Showed(c.page)) << PageNames(run.pages).ToNarrow();
        EXPECT_EQ(1, std::count(run.pages.begin(), run.pages.end(), c.page)) << PageNames(run.pages).ToNarrow();
        EXPECT_TRUE(run.boxes.empty()) << (run.boxes.empty() ? "" : run.boxes.front().ToNarrow());
        ExpectCancelled(run);
        EXPECT_FALSE(Contains(run.calls, L"InstallationStep=ORU_PC_INSTALLATION\n")) << "nothing was installed";
        ExpectCleanEnd(run, c.step == 41 ? std::vector<const wchar_t*>{ kNoRuntimeInstaller } : std::vector<const wchar_t*>{});
    }
}

// The pages before the archive is unpacked.
TEST_F(WizardRun, CancelOnEachPageBeforeTheArchive)
{
    CancelOnEachPage({ { 2, EWizardPage::Advertise, "show_advertise_dlg=1\r\n", L"install" },
                       { 3, EWizardPage::Language, "", L"install" },
                       { 4, EWizardPage::Music, "", L"install" },
                       { 6, EWizardPage::Internet, "", L"install" } });
}

// The pages of the installation's choices, and the restart page after the restart phase (the
// .NET installer asks for a restart).
TEST_F(WizardRun, CancelOnEachPageOfTheInstallation)
{
    CancelOnEachPage({ { 16, EWizardPage::InstallType, "", L"install" },
                       { 17, EWizardPage::Folder, "", L"install" },
                       { 18, EWizardPage::Options, "", L"install" },
                       { 41, EWizardPage::Restart, "", L"restart" } });
}
