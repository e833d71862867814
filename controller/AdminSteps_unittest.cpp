// Whole runs of the main loop in this process: the real engine, loop, launchers and workers,
// fake services, scripted step functions and scripted page answers.

#include "controller/CoruApp.h"
#include "controller/OruProcess.h"
#include "controller/OruUtil.h"
#include "controller/resource.h"
#include "controller/SetupHelpers.h"
#include "support/FileUtil.h"
#include "support/Registry.h"
#include "support/SysUtil.h"
#include "support/SystemShutdown.h"
#include "support/ThreadObject.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/EngineFakes.h"
#include "tests/common/FolderOwnerAnswer.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"
#include "workers/CheckDisabledDotNetFromThread.h"
#include "workers/CopyFoldersFromThread.h"
#include "workers/ProcessExecuter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <typeinfo>
#include <vector>

struct CoruAppProbe
{
    static void Prepare(CoruApp& app, const CString& folder, const wchar_t* pszReason, BOOL quick, BOOL forceDotNet,
                        CRegistryKeyMap* pMap, IUsageStatistics* pStatistics)
    {
        app.m_pRegistryKeyMap.reset(pMap);
        app.m_pUsageStatistics.reset(pStatistics);
        app.m_strSettingsPath = folder + L"oru.ini";
        app.m_strProgramFolder = folder + L"program\\";
        app.m_strExtractFolder = folder + L"extract";
        app.m_strRestartCopyFolder = folder + L"restartcopy\\";
        // Where the package would have installed: the first round of step 28 writes its files there.
        app.m_strInstallFolder = folder + L"installed";
        CreateDirectoryW(app.m_strInstallFolder, nullptr);
        app.m_strRestartReason = pszReason;
        app.m_bQuickMode = quick;
        app.m_bSilent = true;
        app.m_bForceDotNet = forceDotNet;
        app.m_bDotNet40 = TRUE;
        app.m_bDotNetPresent = TRUE;
        app.m_bSingleInstanceChecked = true;
        app.m_interfaceLanguage = 1033;
        app.m_strRunId = L"RUN-ID";
        app.m_strAppTitle = L"Vantolin Setup";
    }
    static void Shown(CoruApp& app) { app.m_bSilent = false; }
    static void WithoutDotNet(CoruApp& app)
    {
        app.m_bDotNet40 = FALSE;
        app.m_bDotNetPresent = FALSE;
    }
    static HWND CreateMainWindow(CoruApp& app)
    {
        app.CreateMainWindow();
        return app.m_mainWindow.Get();
    }
    static void Release(CoruApp& app)
    {
        app.m_pRegistryKeyMap.release();
        app.m_pUsageStatistics.release();
    }
};

namespace
{
const wchar_t kWindowPosKey[] = L"Software\\Quillmark\\ORU_WindowPos";

// The pages answer as the row says, Next where it says nothing; no window is made.
class CScriptedPages : public IWizardPages
{
public:
    std::map<int, int> answers;
    std::vector<CString> finishPages;
    INT_PTR ShowPage(int nStep, CDialog&) override
    {
        const auto it = answers.find(nStep);
        return it == answers.end() ? IDOK : it->second;
    }
    INT_PTR ShowFinishPage(CDialog&, const CString& text) override
    {
        finishPages.push_back(text);
        return IDOK;
    }
};

int g_shutdowns = 0;
BOOL WINAPI FakeShutdown(LPWSTR, LPWSTR, DWORD, BOOL, BOOL reboot)
{
    ++g_shutdowns;
    return reboot;
}
const SystemShutdownCalls kFakeShutdown = { FakeShutdown };

struct Scenario
{
    const char* name;
    const wchar_t* reason;
    BOOL advert, quick, forceDotNet, online, restartOption, selfUpdate, copyFails, productStarts;
    std::vector<std::pair<std::wstring, DWORD>> codes;
    std::vector<std::wstring> unstartable;
    std::vector<std::pair<int, int>> answers;
    // Expected.
    const wchar_t* order;
    int exitCode, returnCode;
    UINT finishText;
    bool undone, shutdown, extractionKept, windowPosKept, cleanupStarted, restartEntriesKept;
    const wchar_t* logged;
    const wchar_t* notLogged;
    // The machine has no .NET 3.5 or 4.
    BOOL noDotNet;
    // The product's package leaves its success value, and the uninstaller of step 39 leaves it.
    BOOL packageStays;
    // A run that shows its pages (the others are silent).
    BOOL shown;
};

// The fake executer, except that the stand-in program of the tests really runs.
class CPassThroughExecuter : public CFakeExecuter
{
public:
    bool Execute(const wchar_t* pszCommand, const wchar_t* pszParameters, bool bWait, DWORD& rExitCode) override
    {
        if (CString(pszCommand).CompareNoCase(BinFolder() + L"StandIn.exe") != 0)
            return CFakeExecuter::Execute(pszCommand, pszParameters, bWait, rExitCode);
        const DWORD start = GetTickCount();
        const bool started = m_real.Execute(pszCommand, pszParameters, bWait, rExitCode);
        realExitCode = started ? static_cast<int>(rExitCode) : -1;
        realRunMs = GetTickCount() - start;
        return started;
    }
    std::atomic<int> realExitCode{ -2 };
    std::atomic<DWORD> realRunMs{ 0 };

private:
    CProcessExecuter m_real;
};

class CAdminStepsTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "adminsteps_"; }
    const CScopedCalls<SystemShutdownCalls> m_shutdown{ SetSystemShutdownCalls, &kFakeShutdown };

    void SetUp() override
    {
        CTracedTest::SetUp();
        g_shutdowns = 0;
    }

    void Script(const Scenario& s)
    {
        m_script.steps[1] = [this, &s](COruProcess& e) {
            COruProcessProbe::ShowAdvertise(e) = s.advert;
            COruProcessProbe::ArchivePresent(e) = !s.online;
            COruProcessProbe::RestartOption(e) = s.restartOption;
            return true;
        };
        m_script.steps[6] = [this](COruProcess& e) { return COruProcessProbe::StartInternetCheck(e, &m_checker); };
        m_script.steps[10] = [this](COruProcess& e) { return COruProcessProbe::StartDownload(e, &m_downloader); };
        m_script.steps[14] = [&s](COruProcess& e) {
            if (!s.selfUpdate)
                return e.LaunchProcess(L"archive.exe", L"", false);
            COruProcessProbe::NewerOru(e) = TRUE;
            return true;
        };
        m_script.steps[20] = [](COruProcess& e) { return e.LaunchProcess(L"dotnet.exe", L"/qb /norestart", true); };
        m_script.steps[22] = [](COruProcess& e) { return e.LaunchProcess(L"probe.exe", L"", true); };
        m_script.steps[23] = [](COruProcess& e) { return e.LaunchMsiInstall(L"vc_red.msi", L"", nullptr); };
        m_script.steps[24] = [](COruProcess& e) { return e.LaunchProcess(L"probe2.exe", L"", true); };
        m_script.steps[25] = [](COruProcess& e) { return e.LaunchMsiInstall(L"vc64.msi", L"", nullptr); };
        m_script.steps[26] = [](COruProcess& e) { return e.LaunchMsiInstall(L"product.msi", L"", nullptr); };
        m_postList.assign(1, CPostInstallationStepData());
        m_postList[0].m_strCommand = L"post.exe";
        m_postList[0].m_bCheckReturnCode = true;
        m_loaded = false;
        m_script.steps[28] = [this](COruProcess& e) { return COruProcessProbe::RunPostInstallationStep(e, m_loaded, m_postList); };
        m_script.steps[39] = [](COruProcess& e) { return e.LaunchProcess(L"uninst.exe", L"", false); };
        m_script.steps[40] = [this, &s](COruProcess& e) {
            if (!SetRegStringValue(*m_pMap, 0, L"restart command"))
                return false;
            const CString source = m_folder + L"program\\";
            return COruProcessProbe::StartFolderCopy(e, source, s.copyFails ? source + L"inner\\" : m_folder + L"restartcopy\\");
        };
        for (const auto& o : m_overrides)
            m_script.steps[o.first] = o.second;
    }

    template <size_t N> void RunAll(const Scenario (&scenarios)[N])
    {
        for (const Scenario& s : scenarios)
        {
            m_exec.codes.clear();
            m_pages.answers.clear();
            m_pages.finishPages.clear();
            m_patch.calls.clear();
            g_shutdowns = 0;
            Run(s);
        }
    }

    void Run(const Scenario& s)
    {
        SCOPED_TRACE(s.name);
        CreateDirectoryW(m_folder + L"program", nullptr);
        WriteTextFile(m_folder + L"program\\VantolinSetup.exe", "x");
        CreateDirectoryW(m_folder + L"extract", nullptr);
        WriteTextFile(m_folder + L"extract\\setup.dat", "x");
        ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"XPos", 1, nullptr, 0));
        COruUtilDeleteTestKey();

        m_checker.answer = s.online;
        m_downloader.answer = false;
        const CString archive = m_folder + L"program\\VantolinSetupArchive\\msi\\";
        if (m_realSteps)
        {
            // The unpacked archive beside the program; the scenario's programs are its files.
            CString ini;
            ini.Format(L"[General]\r\ngeneration=9121r\r\nshow_advertise_dlg=%d\r\nrestart_option=%d\r\n", s.advert,
                       s.restartOption);
            WriteTextFile(m_folder + L"oru.ini", ini.ToNarrow());
            CreateFolderTree(archive + L"vcredist_x86", nullptr);
            // (No product package: its properties would re-root a store this test has not made.)
            CreateFolderTree(archive + L"vcredist_x64", nullptr);
            for (const wchar_t* name : { L"RuntimeProbe.exe", L"dotNetFx40_Full_setup.exe", L"vcredist_x86\\vc_red.msi",
                                         L"vcredist_x64\\vc_red.msi" })
                WriteTextFile(archive + name, "x");
            // What the product's package leaves when it installed.
            WriteRegString(HKEY_CURRENT_USER, L"Software\\VantolinTests\\AdminSteps\\Entries", L"Entry5", REG_SZ, L"1",
                           nullptr, 0);
        }
        const std::map<std::wstring, std::wstring> realNames = { { L"dotnet.exe", L"dotNetFx40_Full_setup.exe" },
                                                                 { L"probe.exe", L"RuntimeProbe.exe" },
                                                                 { L"product.msi", L"VantolinSetup.msi" } };
        for (const auto& c : s.codes)
        {
            const auto real = realNames.find(c.first);
            // The run copies the unpacked archive into a folder of its own: the programs run there.
            if (m_realSteps && real != realNames.end())
                m_exec.codes[L"\\msi\\" + real->second] = c.second;
            else
                m_exec.codes[c.first] = c.second;
        }
        if (s.packageStays)
            WriteRegString(HKEY_CURRENT_USER, L"Software\\VantolinTests\\AdminSteps\\Entries", L"Entry5", REG_SZ, L"1",
                           nullptr, 0);
        m_exec.unstartable = s.unstartable;
        for (const auto& a : s.answers)
            m_pages.answers[a.first] = a.second;
        Script(s);

        const int logStart = Log().GetLength();
        m_pMap = new CRegistryKeyMap(10);
        FillTestRegistryKeys(*m_pMap, L"AdminSteps");
        m_pStatistics = new CFakeStatistics;
        CoruApp app;
        CoruAppProbe::Prepare(app, m_folder, s.reason, s.quick, s.forceDotNet, m_pMap, m_pStatistics);
        if (s.noDotNet)
            CoruAppProbe::WithoutDotNet(app);
        if (s.shown)
            CoruAppProbe::Shown(app);
        if (m_beforeRun)
            m_beforeRun(app);
        app.SetWizardPages(&m_pages);
        CRunServices services;
        services.pCheckInternet = &m_checker;
        services.pDownloader = &m_downloader;
        services.pProcessExecuter = &m_exec;
        services.pPatchConfig = &m_patch;
        services.pStepFunctions = m_realSteps ? nullptr : &m_script;
        CFakeProductStarter starter;
        if (s.productStarts)
            services.pProductStarter = &starter;
        {
            // A phase that cannot start says so in a box, silent or not: the box is answered and
            // its text kept for the test.
            std::atomic<bool> bDone{ false };
            m_boxes.clear();
            std::thread answerer([this, &bDone]() {
                while (!bDone)
                {
                    if (HWND hBox = WaitForProcessDialog(GetCurrentProcessId(), 100))
                    {
                        m_boxes.push_back(GetDialogText(hBox));
                        PressDialogButton(hBox, IDOK);
                        while (!bDone && IsWindow(hBox))
                            Sleep(20);
                    }
                }
            });
            app.RunAdminSteps(services);
            bDone = true;
            answerer.join();
        }

        m_order = Between(m_pStatistics->calls, L"S InstallationOrder=", L"\n");
        EXPECT_EQ(std::wstring(s.order), m_order);
        EXPECT_EQ(s.exitCode, app.GetExitCode());
        EXPECT_NE(std::wstring::npos,
                  m_pStatistics->calls.find(L"I InstallationReturnCode=" + std::to_wstring(s.returnCode) + L"\n"));
        // One ORU_FINISH, sent last, with its values.
        const size_t finish = m_pStatistics->calls.find(L"S InstallationStep=ORU_FINISH\nS tag=RUN-ID\nI PartnerId=");
        EXPECT_NE(std::wstring::npos, finish) << CString(m_pStatistics->calls).ToNarrow();
        EXPECT_EQ(finish + 19, m_pStatistics->calls.find(L"ORU_FINISH"));
        EXPECT_EQ(finish + 19, m_pStatistics->calls.rfind(L"ORU_FINISH"));
        if (s.finishText)
        {
            ASSERT_EQ(1u, m_pages.finishPages.size());
            EXPECT_EQ(FormatResString(s.finishText, L"Vantolin Setup", L"Vantolin Setup", L"Vantolin Setup"),
                      m_pages.finishPages[0]);
        }
        else
            EXPECT_TRUE(m_pages.finishPages.empty());
        EXPECT_EQ(s.undone, !m_patch.calls.empty() && m_patch.calls.back() == L"Undo");
        EXPECT_EQ(s.shutdown ? 1 : 0, g_shutdowns);
        // (The engine's own steps empty it before they unpack or copy into it.)
        EXPECT_EQ(s.extractionKept, FolderExists(m_folder + L"extract"));
        EXPECT_TRUE(FileExists(m_folder + L"program\\VantolinSetup.exe"));
        DWORD pos = 0;
        EXPECT_EQ(s.windowPosKept, ReadRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"XPos", pos, 0));
        const CString log = Log().Mid(logStart);
        EXPECT_EQ(s.cleanupStarted, Contains(log, L"StartCleanupProgram"));
        CString value;
        EXPECT_EQ(s.restartEntriesKept, GetRegStringValue(*m_pMap, 0, value));
        EXPECT_EQ(s.restartEntriesKept, GetRegStringValue(*m_pMap, 16, value));
        if (s.logged) {
            EXPECT_TRUE(Contains(log, s.logged)) << log.ToNarrow();
        }
        if (s.productStarts)
        {
            EXPECT_EQ(33, m_script.ran.back()) << "the finish tells the waiting product to start";
        }
        if (s.notLogged) {
            EXPECT_FALSE(Contains(log, s.notLogged));
        }
        EXPECT_EQ(m_exec.Runs().size(), static_cast<size_t>(m_exec.Finished())) << "no program left running";
        CoruAppProbe::Release(app);
        delete m_pStatistics;
        delete m_pMap;
    }

    static std::wstring Between(const std::wstring& text, const std::wstring& start, const std::wstring& end)
    {
        const size_t a = text.find(start);
        if (a == std::wstring::npos)
            return L"<none>";
        const size_t b = text.find(end, a + start.size());
        return text.substr(a + start.size(), b - a - start.size());
    }
    void COruUtilDeleteTestKey() { RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VantolinTests\\AdminSteps\\Entries"); }

    CPassThroughExecuter m_exec;
    CFakeCheckInternet m_checker;
    CFakeDownloader m_downloader;
    CFakePatchConfig m_patch;
    CStepScript m_script;
    CScriptedPages m_pages;
    // The texts of the boxes the last run showed.
    std::vector<CString> m_boxes;
    CPostInstallationStepArray m_postList;
    bool m_loaded = false;
    CRegistryKeyMap* m_pMap = nullptr;
    CFakeStatistics* m_pStatistics = nullptr;
    std::wstring m_order;
    // The engine's own step functions instead of the script.
    bool m_realSteps = false;
    // Steps scripted otherwise than Script does.
    std::map<int, std::function<bool(COruProcess&)>> m_overrides;
    std::function<void(CoruApp&)> m_beforeRun;
    // The extraction folder as an elevated run made it (Wine shows every folder as this user's).
    CFolderOwnerAnswer m_owner;
};

const wchar_t kQuickRun[] = L"1;3;4;5;6;13;14;15;19;22;25;26;27;28;29;30;31;";

const Scenario kScenarios[] = {
    { "offline quick install", L"", 0, 1, 0, 0, 0, 0, 0, 0, {}, {}, {}, kQuickRun, 0, 10, 0,
      false, false, false, false, false, false, nullptr, L"One critical" },
    { "product started", L"", 0, 1, 0, 0, 0, 0, 0, 1, {}, {}, {}, kQuickRun, 0, 0, 0,
      false, false, false, false, false, false, L"Vantolin finished initalization and is waiting for a command", nullptr },
    { "full wizard", L"", 0, 0, 0, 0, 0, 0, 0, 0, {}, {}, {},
      L"1;3;4;5;6;13;14;15;16;17;18;19;22;25;26;27;28;29;30;31;", 0, 10, 0,
      false, false, false, false, false, false, nullptr, nullptr },
    { ".NET 1603", L"", 0, 1, 1, 0, 0, 0, 0, 0, { { L"dotnet.exe", 1603 } }, {}, {},
      L"1;3;4;5;6;13;14;15;19;20;21;22;25;26;27;28;29;30;", 1, 11, IDS_FINISH_FAILED_PACKAGE_KEPT,
      false, false, false, false, false, false, L"One critical installation step failed [20]", nullptr },
    { ".NET 5100", L"", 0, 1, 1, 0, 0, 0, 0, 0, { { L"dotnet.exe", 5100 } }, {}, {},
      L"1;3;4;5;6;13;14;15;19;20;22;25;26;27;28;29;30;31;", 0, 10, 0,
      false, false, false, false, false, false, nullptr, L"One critical" },
    { ".NET installer that cannot start", L"", 0, 1, 1, 0, 0, 0, 0, 0, {}, { L"dotnet.exe" }, {},
      L"1;3;4;5;6;13;14;15;19;20;21;22;25;26;27;28;29;30;", 1, 11, IDS_FINISH_FAILED_PACKAGE_KEPT,
      false, false, false, false, false, false, L"One critical installation step failed [20]", nullptr },
    { "third failed download", L"", 0, 1, 0, 1, 0, 0, 0, 0, {}, {}, {}, L"1;3;4;5;6;10;10;10;30;", 1, 11, IDS_FINISH_FAILED,
      true, false, false, false, false, false, nullptr, nullptr },
    { "language page cancelled", L"", 0, 1, 0, 0, 0, 0, 0, 0, {}, {}, { { 3, IDCANCEL } }, L"1;3;", 2, 12,
      IDS_FINISH_CANCELLED, true, false, false, false, false, false, nullptr, nullptr, FALSE, FALSE, TRUE },
    { "another installation at 28", L"", 0, 1, 0, 0, 0, 0, 0, 0, { { L"post.exe", 1618 } }, {}, {},
      L"1;3;4;5;6;13;14;15;19;22;25;26;27;28;39;", 4, 14, IDS_FINISH_ANOTHER_INSTALL,
      true, false, false, false, false, false, nullptr, nullptr },
    { "another installation at 28, the package left by the uninstaller", L"", 0, 1, 0, 0, 0, 0, 0, 0,
      { { L"post.exe", 1618 } }, {}, {}, L"1;3;4;5;6;13;14;15;19;22;25;26;27;28;39;", 4, 14,
      IDS_FINISH_FAILED_PACKAGE_KEPT, false, false, false, false, false, false,
      L"the run failed after the product's package was installed, which stays", nullptr, FALSE, TRUE },
    { "a failed .NET installer, then a failed package", L"", 0, 1, 1, 0, 0, 0, 0, 0,
      { { L"dotnet.exe", 1603 }, { L"product.msi", 1603 } }, {}, {},
      L"1;3;4;5;6;13;14;15;19;20;21;22;25;26;30;", 1, 11, IDS_FINISH_FAILED,
      true, false, false, false, false, false, nullptr, L"which stays" },
    { "product package cancelled", L"", 0, 1, 0, 0, 0, 0, 0, 0, { { L"product.msi", 1602 } }, {}, {},
      L"1;3;4;5;6;13;14;15;19;22;25;26;", 3, 13, 0, true, false, false, false, false, false, nullptr, nullptr },
    { "restart confirmed", L"", 0, 1, 0, 0, 0, 0, 0, 0, { { L"probe.exe", 1 }, { L"probe2.exe", 1 } }, {}, {},
      L"1;3;4;5;6;13;14;15;19;22;23;24;40;41;", 0, 30, 0,
      false, true, true, false, false, true, L"shutdown result=[1]", nullptr },
    { "restart declined", L"", 0, 1, 0, 0, 0, 0, 0, 0, { { L"probe.exe", 1 }, { L"probe2.exe", 1 } }, {},
      { { 41, IDCANCEL } }, L"1;3;4;5;6;13;14;15;19;22;23;24;40;41;", 2, 12, IDS_FINISH_CANCELLED,
      true, false, false, false, false, false, nullptr, nullptr },
    { "restart copy failed", L"", 0, 1, 0, 0, 0, 0, 1, 0, { { L"probe.exe", 1 }, { L"probe2.exe", 1 } }, {}, {},
      L"1;3;4;5;6;13;14;15;19;22;23;24;40;30;", 1, 11, IDS_FINISH_FAILED,
      true, false, false, false, false, false, nullptr, nullptr },
    { "self-update at 14", L"", 0, 1, 0, 0, 0, 1, 0, 0, {}, {}, {}, L"1;3;4;5;6;13;14;", 0, 10, 0,
      false, false, true, true, false, false, L"COruProcess::Stop", nullptr },
    { "continuation, advertising off", L"VCRedistRestart", 0, 1, 0, 0, 0, 0, 0, 0, {}, {}, {}, kQuickRun, 0, 10, 0,
      false, false, false, false, true, false, nullptr, nullptr },
    { "continuation still missing the runtime", L"VCRedistRestart", 1, 1, 0, 0, 0, 0, 0, 0, { { L"probe2.exe", 1 } }, {}, {},
      L"1;24;30;", 1, 11, IDS_FINISH_FAILED, true, false, false, false, true, false,
      L"still missing after a restart", nullptr },
};

TEST_F(CAdminStepsTest, Scenarios)
{
    RunAll(kScenarios);
}

// The engine's own step functions on an unpacked archive beside the program (so nothing is
// extracted and step 14 is not taken).
const Scenario kRealStepScenarios[] = {
    { "real: offline quick install", L"", 0, 1, 0, 0, 0, 0, 0, 0, {}, {}, {},
      L"1;3;4;5;6;13;19;22;25;26;27;28;29;30;31;", 0, 10, 0,
      false, false, false, false, false, false, L"Step_UnpackInstaller finish. no need to extract.", L"One critical" },
    { "real: .NET 1603", L"", 0, 1, 1, 0, 0, 0, 0, 0, { { L"dotnet.exe", 1603 } }, {}, {},
      L"1;3;4;5;6;13;19;20;21;22;25;26;27;28;29;30;", 1, 11, IDS_FINISH_FAILED_PACKAGE_KEPT,
      false, false, false, false, false, false, L"One critical installation step failed [20]", nullptr },
    { "real: product package cancelled", L"", 0, 1, 0, 0, 0, 0, 0, 0, { { L"product.msi", 1602 } }, {}, {},
      L"1;3;4;5;6;13;19;22;25;26;", 3, 13, 0, true, false, false, false, false, false, nullptr, nullptr },
    { "real: restart confirmed", L"", 0, 1, 0, 0, 0, 0, 0, 0, { { L"probe.exe", 1 } }, {}, {},
      L"1;3;4;5;6;13;19;22;23;24;40;41;", 0, 30, 0,
      false, true, true, false, false, true, L"Setting RunOnce command to [\"", nullptr },
};

TEST_F(CAdminStepsTest, ScenariosWithTheRealSteps)
{
    m_realSteps = true;
    RunAll(kRealStepScenarios);
}

TEST_F(CAdminStepsTest, BusyStepsAddNothingToTheOrder)
{
    m_exec.CloseGate();
    struct Opener
    {
        CFakeExecuter* pExec;
        static DWORD WINAPI Run(LPVOID p)
        {
            CFakeExecuter* pExec = static_cast<Opener*>(p)->pExec;
            // Let the loop ask many times while the first program runs.
            if (pExec->WaitEntered(30000))
                Sleep(700);
            pExec->OpenGate();
            return 0;
        }
    } opener{ &m_exec };
    HANDLE thread = CreateThread(nullptr, 0, Opener::Run, &opener, 0, nullptr);
    Run(kScenarios[0]);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

// Thread creation that fails for the nth worker of one kind (counted from 1).
const std::type_info* g_pFailingKind = nullptr;
int g_nFailingNth = 0;
std::atomic<int> g_nSeenOfKind{ 0 };
CWinThread* CreateUnlessFailing(AFX_THREADPROC pfnEntry, LPVOID pParam)
{
    if (g_pFailingKind && typeid(*static_cast<CTThreadObject*>(pParam)) == *g_pFailingKind &&
        ++g_nSeenOfKind == g_nFailingNth)
        return nullptr;
    return AfxBeginThread(pfnEntry, pParam, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
}
DWORD ResumeWorkerThread(CWinThread* pThread)
{
    return pThread->ResumeThread();
}
const ThreadObjectCalls kFailingCreation = { CreateUnlessFailing, ResumeWorkerThread };

// The machine's .NET 3.5 and 4 values are taken away for the object's life (the .NET check of
// step 21 runs only without them) and put back afterwards.
class CNoDotNetOnTheMachine
{
public:
    CNoDotNetOnTheMachine()
    {
        for (Value& v : m_values)
        {
            v.present = ReadRegDword(HKEY_LOCAL_MACHINE, v.key, v.name, v.data, 0);
            if (v.present)
                COruUtil::DeleteRegistryValue(HKEY_LOCAL_MACHINE, v.key, v.name);
        }
    }
    ~CNoDotNetOnTheMachine()
    {
        for (const Value& v : m_values)
            if (v.present)
                WriteRegDword(HKEY_LOCAL_MACHINE, v.key, v.name, v.data, nullptr, 0);
    }

private:
    struct Value
    {
        const wchar_t* key;
        const wchar_t* name;
        bool present;
        DWORD data;
    } m_values[3] = { { L"Software\\Microsoft\\NET Framework Setup\\NDP\\v3.5", L"Install", false, 0 },
                      { L"Software\\Microsoft\\NET Framework Setup\\NDP\\v3.5", L"SP", false, 0 },
                      { L"Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full", L"Install", false, 0 } };
};

// A worker that cannot start fails the run at once (never busy, never a cancel), with the
// engine's own step functions.
TEST_F(CAdminStepsTest, AWorkerThatCannotStartFailsTheRun)
{
    m_realSteps = true;
    CNoDotNetOnTheMachine noDotNet;
    const struct
    {
        const std::type_info* kind;
        int nth;
        Scenario s;
        UINT box; // the box of the phase that could not start; 0: none
    } rows[] = {
        { &typeid(CCheckDisabledDotNetFromThread), 1,
          { "real: the .NET check cannot start", L"", 0, 1, 0, 0, 0, 0, 0, 0, {}, {}, {},
            L"1;3;4;5;6;13;19;20;21;30;", 1, 11, IDS_FINISH_FAILED, true, false, false, false, false, false,
            L"step 21 could not be started, the run fails", L"CCheckDisabledDotNetFromThread::run", TRUE }, 0 },
        // The second program of the run: step 22 runs the runtime checker first.
        { &typeid(CStartProcessFromThread), 2,
          { "real: the x64 runtime's installer cannot start", L"", 0, 1, 0, 0, 0, 0, 0, 0, {}, {}, {},
            L"1;3;4;5;6;13;19;22;25;30;", 1, 11, IDS_FINISH_FAILED, true, false, false, false, false, false,
            L"step 25 could not be started, the run fails", L"wndMsiProgress=" }, IDS_INSTALLER_NOT_STARTED },
        { &typeid(CCopyFoldersFromThread), 1,
          { "real: the copy for the restart cannot start", L"", 0, 1, 0, 0, 0, 0, 0, 0, { { L"probe.exe", 1 } }, {}, {},
            L"1;3;4;5;6;13;19;22;23;24;40;30;", 1, 11, IDS_FINISH_FAILED, true, false, false, false, false, false,
            L"step 40 could not be started, the run fails", L"shutdown" }, IDS_NOT_FINALIZED },
    };
    const CScopedCalls<ThreadObjectCalls> threads(SetThreadObjectCalls, &kFailingCreation);
    for (const auto& r : rows)
    {
        g_pFailingKind = r.kind;
        g_nFailingNth = r.nth;
        g_nSeenOfKind = 0;
        m_exec.codes.clear();
        m_pages.answers.clear();
        m_pages.finishPages.clear();
        m_patch.calls.clear();
        Run(r.s);
        EXPECT_EQ(r.nth, g_nSeenOfKind.load()) << r.s.name << ": the failing start was reached";
        ASSERT_EQ(r.box ? 1u : 0u, m_boxes.size()) << r.s.name;
        if (r.box)
        {
            CString text;
            text.LoadString(r.box);
            EXPECT_EQ(text, m_boxes[0]) << r.s.name;
        }
    }
    g_pFailingKind = nullptr;
}

// While a program of the run is running, the loop answers what other processes send to the
// main window (a broadcast, a program reaching for the setup) as it comes.
TEST_F(CAdminStepsTest, MainWindowAnswersWhileAProgramRuns)
{
    HWND hMainWnd = nullptr;
    m_beforeRun = [&hMainWnd](CoruApp& app) { hMainWnd = CoruAppProbe::CreateMainWindow(app); };
    // Step 22's program sends to the main window and ends only when it is answered (95: not
    // answered within 20 s).
    m_overrides[22] = [&hMainWnd](COruProcess& e) {
        return e.LaunchProcess(BinFolder() + L"StandIn.exe",
                               FormatString(L"/send:0x%08lX", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hMainWnd))),
                               true);
    };
    Run(kScenarios[0]);
    EXPECT_NE(nullptr, hMainWnd);
    EXPECT_EQ(0, m_exec.realExitCode.load()) << "the send was answered while the program ran";
    printf("[ figure ] step 22's program ran %lu ms, its send to the main window included\n",
           static_cast<unsigned long>(m_exec.realRunMs.load()));
}

DWORD g_fakeTicks = 0;
// Every reading of the clock is a minute later.
DWORD MinutePerReading()
{
    return g_fakeTicks += 60000;
}

// A self-extractor of a downloaded controller that never ends: at the limit the run fails and
// the extractor is left running.
TEST_F(CAdminStepsTest, HangingSelfExtractorFailsTheRunAtTheLimit)
{
    const CString update = m_folder + L"program\\OruUpdate\\";
    ASSERT_TRUE(CreateFolderTree(update, nullptr));
    // Signed, as the downloaded controller must be to run at all.
    ASSERT_TRUE(CopyFileW(BinFolder() + L"..\\httpserver\\files\\signed_same.exe", update + L"VantolinSetupUpdate.exe", FALSE));
    ASSERT_TRUE(WriteTextFile(update + L"VantolinSetupUpdate.ini", "[StandIn]\r\nDelayMs=120000\r\n"));
    ASSERT_TRUE(WriteTextFile(m_folder + L"oru.ini", "[General]\r\ngeneration=9121r\r\nshow_advertise_dlg=0\r\n"));
    ASSERT_TRUE(WriteTextFile(m_folder + L"program\\VantolinSetupArchive.exe", "x"));
    m_overrides[1] = [](COruProcess& e) { return e.RunStepFunction(1); };
    m_overrides[14] = [](COruProcess& e) { return e.RunStepFunction(14); };
    SetOruTickCount(MinutePerReading);
    const Scenario s = { "hanging self-extractor", L"", 0, 1, 0, 0, 0, 0, 0, 0, {}, {}, {}, L"1;3;4;5;6;13;14;30;", 1, 11,
                         IDS_FINISH_FAILED, true, false, false, false, false, false,
                         L"ERR: COruProcess::RunSelfExtractor : the self-extractor [", L"Running new ORU" };
    Run(s);
    SetOruTickCount(nullptr);
    EXPECT_TRUE(Contains(Log(), L"VantolinSetupUpdate.exe] has not ended after 10 minutes, leaving it running"));
    EXPECT_TRUE(FileExists(update + L"VantolinSetupUpdate.exe")) << "the file of a running extractor stays";
    DWORD pid = 0;
    EXPECT_TRUE(FindProcessByExeName(L"VantolinSetupUpdate.exe", pid)) << "the extractor is left running";
    if (pid)
    {
        CScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        TerminateProcess(process.Get(), 0);
        WaitForSingleObject(process.Get(), 10000);
    }
}

TEST(ExitCodes, FromTheEngineFlags)
{
    struct Row
    {
        bool pc, success, cancelled, installerCancelled, another, ready, restart;
        int exitCode, returnCode;
    } rows[] = {
        { true, true, false, false, false, true, false, 0, 0 },
        { true, true, false, false, false, false, false, 0, 10 },
        { true, false, false, false, false, false, false, 1, 11 },
        { true, false, true, false, false, false, false, 2, 12 },
        { true, false, true, true, false, false, false, 3, 13 },
        { true, false, true, true, true, false, false, 4, 14 },
        { false, true, false, false, false, false, false, 5, 15 }, // USB runs never start the product
        { false, false, false, false, false, false, false, 6, 16 },
        { false, false, true, false, false, false, false, 7, 17 },
        { true, true, false, false, false, false, true, 0, 30 },
    };
    for (const Row& r : rows)
    {
        const int code = ComputeExitCode(r.pc, r.success, r.cancelled, r.installerCancelled, r.another);
        EXPECT_EQ(r.exitCode, code);
        EXPECT_EQ(r.returnCode, ComputeInstallationReturnCode(code, r.ready, r.restart));
    }
}
}
