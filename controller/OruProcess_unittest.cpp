// The step engine with the real workers, fake services and scripted step functions.

#include "controller/OruProcess.h"
#include "support/SysUtil.h"
#include "tests/common/EngineFakes.h"
#include "tests/common/FolderOwnerAnswer.h"
#include "tests/common/TraceCapture.h"
#include "workers/WindowMessages.h"

#include <gtest/gtest.h>

#include <memory>
#include <oleauto.h>

namespace
{
const DWORD kWaitMs = 30000;

class COruProcessTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "oruprocess_"; }

    void SetUp() override
    {
        CTracedTest::SetUp();
        FillTestRegistryKeys(m_map, L"OruProcess");
        // A continuation's extraction folder as the elevated first run left it.
        CreateDirectoryW(m_folder + L"extract", nullptr);
    }
    void TearDown() override
    {
        m_engine.reset();
        CTracedTest::TearDown();
    }

    COruProcess& Make(const wchar_t* pszReason = L"", BOOL bDotNetInstalled = TRUE, IHiddenVantolinStarter* pStarter = nullptr)
    {
        m_engine.reset(new COruProcess(&m_installFolder, &m_flags[0], &m_flags[1], &m_flags[2], &m_flags[3],
                                       &m_customFolder, &m_flags[4], &m_flags[5], &m_flags[6]));
        m_engine->SetStepFunctions(&m_script);
        EXPECT_TRUE(m_engine->Init(m_folder + L"oru.ini", &m_checker, &m_patch, nullptr, &m_exec, nullptr, nullptr,
                                   m_folder, m_folder + L"extract", m_folder + L"copy", &m_downloader, pszReason,
                                   m_folder + L"msilog", FALSE, FALSE, bDotNetInstalled, bDotNetInstalled,
                                   bDotNetInstalled, &m_map, pStarter, 0, FALSE, FALSE, nullptr));
        return *m_engine;
    }

    // Runs the step as the loop would (forced, then RunNextStep) and waits for its outcome.
    int RunStep(int nStep)
    {
        COruProcessProbe::ForcedStep(*m_engine) = nStep;
        m_engine->RunNextStep();
        return WaitNotBusy();
    }
    int WaitNotBusy()
    {
        const DWORD start = GetTickCount();
        int next;
        while ((next = m_engine->GetNextStep(true)) == ORU_STEP_BUSY && GetTickCount() - start < kWaitMs)
            Sleep(10);
        return next;
    }
    void Launch(int nStep, const wchar_t* pszProgram, bool bCheck = true)
    {
        m_script.steps[nStep] = [=](COruProcess& e) { return e.LaunchProcess(pszProgram, L"", bCheck); };
    }

    CRegistryKeyMap m_map{ 10 };
    CFakeExecuter m_exec;
    CFakeCheckInternet m_checker;
    CFakeDownloader m_downloader;
    CFakePatchConfig m_patch;
    CStepScript m_script;
    CString m_installFolder, m_customFolder;
    BOOL m_flags[7] = {};
    std::unique_ptr<COruProcess> m_engine;
    CFolderOwnerAnswer m_owner;
};

TEST_F(COruProcessTest, NextStepWithoutWorkers)
{
    struct Row
    {
        const wchar_t* reason;
        BOOL advert, quick, extractionNeeded, success, dotNet;
        int current, forced, expected, forcedAfter;
    } rows[] = {
        { L"", 0, 0, 1, 1, 1, 1, -1, 3, -1 },
        { L"VCRedistRestart", 0, 0, 1, 1, 1, 1, -1, 3, -1 }, // advert off: a continuation still goes to 3
        { L"UpdateReady", 1, 0, 1, 1, 1, 1, -1, 13, 13 },
        { L"VCRedistRestart", 1, 0, 1, 1, 1, 1, -1, 24, 24 },
        { L"DotNetRestart", 1, 0, 1, 1, 1, 1, -1, 21, 21 },
        { L"", 1, 0, 1, 1, 1, 1, -1, 2, -1 },
        { L"", 0, 0, 1, 1, 1, 5, 12, 13, 13 },  // a forced 12 is read and kept as 13
        { L"", 0, 1, 1, 1, 1, 15, -1, 19, -1 }, // quick mode skips the choice pages
        { L"", 0, 0, 1, 1, 1, 15, -1, 16, -1 },
        { L"", 0, 0, 1, 1, 1, 41, -1, -1, -1 },
        { L"", 0, 0, 1, 1, 1, 32, -1, 32, -1 },
        { L"", 0, 0, 1, 1, 1, 37, -1, 37, -1 },
        { L"", 0, 0, 1, 1, 1, 32, 33, 33, 33 },
        { L"", 0, 0, 1, 1, 1, 19, -1, 22, 22 }, // .NET present and not forced
        { L"", 0, 0, 1, 1, 0, 19, -1, 20, 20 },
        { L"", 0, 1, 0, 1, 1, 13, -1, 19, 19 }, // nothing to unpack
        { L"", 0, 0, 0, 1, 1, 13, -1, 16, 16 },
        { L"", 0, 0, 1, 1, 1, 13, -1, 14, -1 },
        { L"", 0, 0, 1, 0, 1, 30, -1, 32, 32 },
        { L"", 0, 0, 1, 1, 1, 30, -1, 31, -1 },
        { L"", 0, 0, 1, 1, 1, 35, -1, 36, -1 },
    };
    for (const Row& r : rows)
    {
        COruProcess& e = Make(r.reason, r.dotNet);
        COruProcessProbe::ShowAdvertise(e) = r.advert;
        COruProcessProbe::QuickMode(e) = r.quick;
        COruProcessProbe::ExtractionNeeded(e) = r.extractionNeeded;
        COruProcessProbe::Success(e) = r.success;
        COruProcessProbe::CurrentStep(e) = r.current;
        COruProcessProbe::ForcedStep(e) = r.forced;
        COruProcessProbe::PCInstallation(e) = FALSE;
        SCOPED_TRACE(testing::Message() << "step " << r.current << " reason " << CString(r.reason).ToNarrow());
        EXPECT_EQ(r.expected, e.GetNextStep(true));
        EXPECT_EQ(r.forcedAfter, COruProcessProbe::ForcedStep(e));
        if (r.quick && r.current == 15) {
            EXPECT_TRUE(e.IsPCInstallation());
        }
        // Asking again gives the same answer: the decision has no side effect on the step.
        EXPECT_EQ(r.expected, e.GetNextStep(true));
    }
}

TEST_F(COruProcessTest, PagesAndBusyAreNotRun)
{
    COruProcess& e = Make();
    for (int page : { 3, 9, 16 })
    {
        COruProcessProbe::ForcedStep(e) = page;
        EXPECT_EQ(0, e.RunNextStep());
        EXPECT_EQ(0, e.GetCurrentStep());
    }
    EXPECT_TRUE(m_script.ran.empty());
}

TEST_F(COruProcessTest, ProgramOutcomes)
{
    struct Row
    {
        int step;
        DWORD code;
        bool unstartable;
        const wchar_t* reason;
        BOOL restartRequired, restartOption, dotNetRan;
        int expected;
        bool success, cancelled, installerCancelled;
        const wchar_t* logged;
    } rows[] = {
        { 20, 0, false, L"", 0, 0, 0, 21, true, false, false, nullptr },
        { 20, 3010, false, L"", 0, 0, 0, 21, true, false, false, nullptr },
        { 20, 5100, false, L"", 0, 0, 0, 22, true, false, false, L"You can not install .NET framework on Vista or up!" },
        { 20, 1603, false, L"", 0, 0, 0, 21, false, false, false, L"ERR" },
        { 20, 1602, false, L"", 0, 0, 0, 30, true, true, true, nullptr },
        // An installer that could not start failed; it did not return 0.
        { 20, 0, true, L"", 0, 0, 0, 21, false, false, false, L"One critical installation step failed [20]" },
        { 22, 0, false, L"", 0, 0, 0, 25, true, false, false, nullptr },
        { 22, 1, false, L"", 0, 0, 0, 23, true, false, false, nullptr },
        { 22, 0, false, L"", 1, 0, 0, 40, true, false, false, nullptr },
        { 22, 0, false, L"", 0, 1, 1, 40, true, false, false, nullptr },
        // After a restart a cause that may repeat fails the run instead of restarting again.
        { 22, 0, false, L"DotNetRestart", 1, 0, 0, 30, false, false, false, L"another restart after a restart" },
        // The runtime still missing, per kind of run: only the runtime's own restart is not repeated.
        { 24, 1, false, L"", 0, 0, 0, 40, true, false, false, nullptr },
        { 24, 1, false, L"VCRedistRestart", 0, 0, 0, 30, false, false, false, L"still missing after a restart" },
        { 24, 1, false, L"DotNetRestart", 0, 0, 0, 40, true, false, false, nullptr },
        { 24, 1, false, L"UpdateReady", 0, 0, 0, 40, true, false, false, nullptr },
        { 24, 0, false, L"VCRedistRestart", 1, 0, 0, 30, false, false, false, L"another restart after a restart" },
        { 24, 0, false, L"", 0, 1, 1, 40, true, false, false, L"Attention: Restart after redistributables install" },
        { 24, 0, false, L"VCRedistRestart", 0, 1, 1, 40, true, false, false, nullptr }, // restart_option as before
        { 24, 0, false, L"", 0, 0, 0, 25, true, false, false, nullptr },
        { 23, 1602, false, L"", 0, 0, 0, 30, true, true, true, nullptr },
        { 23, 1603, false, L"", 0, 0, 0, 24, true, false, false, nullptr },
        { 26, 0, false, L"", 0, 0, 0, 27, true, false, false, nullptr },
        { 26, 1603, false, L"", 0, 0, 0, 30, false, false, false, nullptr },
        { 26, 1602, false, L"", 0, 0, 0, 30, true, true, true, nullptr },
        { 14, 0, true, L"", 0, 0, 0, 30, false, false, false, nullptr },
        { 39, 0, false, L"", 0, 0, 0, 32, true, false, false, nullptr },
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(testing::Message() << "step " << r.step << " code " << r.code << " reason "
                                        << CString(r.reason).ToNarrow());
        const int logStart = Log().GetLength();
        COruProcess& e = Make(r.reason);
        COruProcessProbe::RestartRequired(e) = r.restartRequired;
        COruProcessProbe::RestartOption(e) = r.restartOption;
        COruProcessProbe::DotNetInstallRan(e) = r.dotNetRan;
        m_exec.codes[L"prog.exe"] = r.code;
        m_exec.unstartable.clear();
        if (r.unstartable)
            m_exec.unstartable.push_back(L"prog.exe");
        Launch(r.step, L"prog.exe");
        EXPECT_EQ(r.expected, RunStep(r.step));
        EXPECT_EQ(r.success, e.IsSuccess());
        EXPECT_EQ(r.cancelled, e.IsCancelled());
        EXPECT_EQ(r.installerCancelled, e.IsInstallerCancelled());
        if (r.code == 3010) {
            EXPECT_TRUE(e.IsRestartRequired());
        }
        const CString log = Log();
        if (r.logged) {
            EXPECT_TRUE(Contains(log, r.logged)) << log.ToNarrow();
        }
        if (r.step == 20 && r.code == 5100) {
            EXPECT_FALSE(Contains(log, L"One critical installation step failed"));
        }
        if (r.success) {
            EXPECT_FALSE(Contains(log.Mid(logStart), L"after a restart, setup fails"));
        }
        m_engine.reset();
    }
}

TEST_F(COruProcessTest, StepThatStartsNoWorkerIsReadAsFailedAtOnce)
{
    struct Row
    {
        int step;
        int expected;
        bool success;
    } rows[] = { { 26, 30, false }, { 22, 23, true }, { 6, 6, true }, { 40, 30, false }, { 34, 37, false },
                 { 21, 30, false }, { 28, 29, true } }; // 28: no command started, nothing whose code to check
    for (const Row& r : rows)
    {
        SCOPED_TRACE(testing::Message() << "step " << r.step);
        COruProcess& e = Make();
        // An earlier step's program was checked; that says nothing about this step.
        ASSERT_TRUE(e.LaunchProcess(L"earlier.exe", L"", true));
        e.WaitForProcessEnd();
        m_script.steps[r.step] = [](COruProcess&) { return false; };
        COruProcessProbe::ForcedStep(e) = r.step;
        e.RunNextStep();
        EXPECT_EQ(r.expected, e.GetNextStep(true)) << "never busy";
        EXPECT_EQ(r.success, e.IsSuccess());
        m_engine.reset();
    }
}

TEST_F(COruProcessTest, ThirdFailedDownloadEndsTheRun)
{
    COruProcess& e = Make(L"", FALSE);
    m_downloader.answer = false;
    m_script.steps[10] = [this](COruProcess& p) { return COruProcessProbe::StartDownload(p, &m_downloader); };
    EXPECT_EQ(10, RunStep(10));
    EXPECT_EQ(10, RunStep(10));
    EXPECT_FALSE(e.IsCancelled());
    EXPECT_EQ(30, RunStep(10));
    EXPECT_FALSE(e.IsSuccess());
    EXPECT_FALSE(e.IsCancelled()) << "a failure, not a cancel";
    EXPECT_EQ(ORU_STEP_PC_END, RunStep(30));

    // A download that could not start counts as an attempt too; success goes on to unpack.
    COruProcess& f = Make(L"", FALSE);
    m_script.steps[10] = [](COruProcess&) { return false; };
    EXPECT_EQ(10, RunStep(10));
    m_downloader.answer = true;
    m_script.steps[10] = [this](COruProcess& p) { return COruProcessProbe::StartDownload(p, &m_downloader); };
    EXPECT_EQ(13, RunStep(10)) << "without .NET a forced 12 is read as 13";
    EXPECT_TRUE(f.IsSuccess());
}

TEST_F(COruProcessTest, InternetCheckChoosesTheNextStep)
{
    struct Row
    {
        BOOL up, archive, offline;
        int expected;
    } rows[] = { { 1, 0, 0, 10 }, { 1, 1, 0, 8 }, { 0, 1, 0, 6 }, { 0, 1, 1, 13 }, { 0, 0, 1, 6 } };
    for (const Row& r : rows)
    {
        COruProcess& e = Make();
        COruProcessProbe::ArchivePresent(e) = r.archive;
        m_checker.answer = r.up;
        m_script.steps[6] = [this](COruProcess& p) { return COruProcessProbe::StartInternetCheck(p, &m_checker); };
        EXPECT_EQ(r.up ? r.expected : 6, RunStep(6));
        // Continuing offline is possible only at step 6 and with the archive at hand.
        if (r.offline) {
            EXPECT_EQ(r.archive != 0, e.ContinueOffline());
        }
        EXPECT_EQ(r.expected, e.GetNextStep(true));
        EXPECT_EQ(r.up != 0, e.IsInternetWorking());
        m_engine.reset();
    }
}

TEST_F(COruProcessTest, FolderCopyForTheRestart)
{
    const CString source = m_folder + L"source\\";
    CreateDirectoryW(source, nullptr);
    WriteTextFile(source + L"a.txt", "a");
    COruProcess& e = Make();
    m_script.steps[40] = [&](COruProcess& p) { return COruProcessProbe::StartFolderCopy(p, source, m_folder + L"copy\\"); };
    EXPECT_EQ(41, RunStep(40));
    EXPECT_TRUE(e.IsSuccess());
    EXPECT_TRUE(FileExists(m_folder + L"copy\\a.txt"));
    EXPECT_TRUE(Contains(Log(), L"CopyFolder for restart finished!"));

    // A copy into a folder inside its source is refused: the run fails instead of restarting.
    COruProcess& f = Make();
    m_script.steps[40] = [&](COruProcess& p) { return COruProcessProbe::StartFolderCopy(p, source, source + L"inner\\"); };
    EXPECT_EQ(30, RunStep(40));
    EXPECT_FALSE(f.IsSuccess());
}

DWORD g_fakeTicks = 0;
DWORD FakeTicks()
{
    return g_fakeTicks;
}

TEST_F(COruProcessTest, ProductStartWaitsForTheProduct)
{
    CFakeProductStarter starter;
    starter.waitingAfter = 2;
    COruProcess& e = Make(L"", TRUE, &starter);
    COruProcessProbe::DriverRebootPending(e) = TRUE;
    COruProcessProbe::ForcedStep(e) = 31;
    e.RunNextStep();
    EXPECT_EQ(ORU_STEP_BUSY, e.GetNextStep(true));
    EXPECT_EQ(ORU_STEP_BUSY, e.GetNextStep(true));
    EXPECT_EQ(32, e.GetNextStep(true));
    EXPECT_TRUE(e.IsProductReady());
    EXPECT_EQ(32, e.GetNextStep(true));
    EXPECT_EQ(1, starter.closed) << "a pending driver reboot closes the product once";

    // A product that never reports is waited for two minutes by the clock, then given up.
    SetOruTickCount(FakeTicks);
    g_fakeTicks = 5000;
    CFakeProductStarter silent;
    silent.waitingAfter = -1;
    COruProcess& f = Make(L"", TRUE, &silent);
    COruProcessProbe::ForcedStep(f) = 31;
    f.RunNextStep();
    EXPECT_EQ(ORU_STEP_BUSY, f.GetNextStep(true));
    g_fakeTicks += 119000;
    EXPECT_EQ(ORU_STEP_BUSY, f.GetNextStep(true));
    g_fakeTicks += 2000;
    EXPECT_EQ(32, f.GetNextStep(true));
    EXPECT_FALSE(f.IsProductReady());
    SetOruTickCount(nullptr);
    EXPECT_TRUE(Contains(Log(), L"Vantolin failed to launch silently, exited or crashed !"));
}

TEST_F(COruProcessTest, PageHooksActOnlyAtTheirStep)
{
    COruProcess& e = Make();
    COruProcessProbe::CurrentStep(e) = 5;
    e.SetLanguage(1031, TRUE);
    EXPECT_EQ(1033, e.GetLanguage());
    COruProcessProbe::CurrentStep(e) = 2;
    e.SetLanguage(1031, TRUE);
    EXPECT_EQ(1031, e.GetLanguage());
    EXPECT_EQ(3, e.GetCurrentStep());
    EXPECT_TRUE(e.IsQuickMode());
    ASSERT_EQ(1u, m_patch.calls.size());
    EXPECT_EQ(L"Language=de", m_patch.calls[0]);
    EXPECT_TRUE(Contains(Log(), L"UserChoosed language 1031"));

    EXPECT_FALSE(e.ContinueOffline());
    COruProcessProbe::QuickMode(e) = FALSE;
    COruProcessProbe::CurrentStep(e) = 15;
    e.SetInstallationType(false, L"E:", L"");
    EXPECT_EQ(34, e.GetNextStep(true));
    EXPECT_FALSE(e.IsPCInstallation());

    COruProcessProbe::ForcedStep(e) = -1;
    COruProcessProbe::CurrentStep(e) = 30;
    e.SetStartProduct(true);
    EXPECT_EQ(31, e.GetNextStep(true)) << "not at 32 yet: no start";
    COruProcessProbe::ForcedStep(e) = -1;
    COruProcessProbe::CurrentStep(e) = 32;
    e.SetStartProduct(true);
    EXPECT_EQ(33, e.GetNextStep(true));
}

TEST_F(COruProcessTest, LaunchersNeedAnExecuterAndACommand)
{
    COruProcess& e = Make();
    EXPECT_FALSE(e.LaunchProcess(L"", L"", true));
    EXPECT_FALSE(e.LaunchMsiInstall(L"", L"", nullptr));
    COruProcess none(&m_installFolder, &m_flags[0], &m_flags[1], &m_flags[2], &m_flags[3], &m_customFolder,
                     &m_flags[4], &m_flags[5], &m_flags[6]);
    EXPECT_FALSE(none.LaunchProcess(L"prog.exe", L"", true));
    EXPECT_TRUE(e.LaunchMsiInstall(L"pkg.msi", L"/qn", nullptr));
    e.WaitForProcessEnd();
    ASSERT_EQ(1u, m_exec.Runs().size());
    EXPECT_EQ(L"pkg.msi /qn", m_exec.Runs()[0]);
}

TEST_F(COruProcessTest, ContinuationRemovesItsRunOnceCommand)
{
    ASSERT_TRUE(SetRegStringValue(m_map, 0, L"restart command"));
    Make(L"VCRedistRestart");
    CString value;
    EXPECT_FALSE(GetRegStringValue(m_map, 0, value));
}

TEST_F(COruProcessTest, EngineDestroyedWhileAProgramRunsWaitsForIt)
{
    COruProcess& e = Make();
    m_exec.CloseGate();
    ASSERT_TRUE(e.LaunchProcess(L"prog.exe", L"", true));
    ASSERT_TRUE(m_exec.WaitEntered(kWaitMs));
    struct Opener
    {
        static DWORD WINAPI Run(LPVOID p)
        {
            Sleep(200);
            static_cast<CFakeExecuter*>(p)->OpenGate();
            return 0;
        }
    };
    HANDLE thread = CreateThread(nullptr, 0, Opener::Run, &m_exec, 0, nullptr);
    EXPECT_EQ(1, e.Stop(true)) << "returns at once for a running program";
    m_engine.reset();
    EXPECT_EQ(1, m_exec.Finished()) << "the program ended before the engine went";
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

// Step 28 as the post-installation worker drives it, while this thread polls and pumps.
struct CPostInstallDriver
{
    COruProcess* pEngine;
    static DWORD WINAPI Run(LPVOID p)
    {
        COruProcess& e = *static_cast<CPostInstallDriver*>(p)->pEngine;
        for (;;)
        {
            const int next = e.GetNextStep(false);
            if (next == 28)
                e.RunNextStep();
            else if (next == ORU_STEP_BUSY)
                Sleep(10);
            else
                return 0;
        }
    }
};

LRESULT CALLBACK CountingWndProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == PROGRESSDLG_SET_MESSAGE)
    {
        CStringArray* pTexts = reinterpret_cast<CStringArray*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        BSTR text = reinterpret_cast<BSTR>(lp);
        pTexts->Add(text);
        SysFreeString(text);
        return 0;
    }
    return DefWindowProcW(hWnd, msg, wp, lp);
}

TEST_F(COruProcessTest, PostInstallationWorkerDrivesTheEngineWhileThisThreadPolls)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = CountingWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OruProcessTestPage";
    RegisterClassW(&wc);
    HWND page = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(page != nullptr);
    CStringArray texts;
    SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&texts));

    COruProcess& e = Make();
    e.SetProgressWnd(page);
    // The product's package ran on the same worker before.
    ASSERT_TRUE(e.LaunchMsiInstall(L"product.msi", L"", nullptr));
    e.WaitForProcessEnd();
    CPostInstallationStepArray list(3);
    for (int i = 0; i < 3; ++i)
    {
        list[i].m_strCommand.Format(L"post%d.exe", i);
        list[i].m_strProgressMessage.Format(L"Step %d", i);
    }
    bool loaded = false;
    m_script.steps[28] = [&](COruProcess& p) {
        if (loaded && !COruProcessProbe::PostSteps(p).empty())
        {
            // Texts go to the page by post: the page's thread may be waiting for this lock.
            PostMessageW(p.GetProgressWnd(), PROGRESSDLG_SET_MESSAGE, 1027,
                         reinterpret_cast<LPARAM>(SysAllocString(COruProcessProbe::PostSteps(p).front().m_strProgressMessage)));
        }
        return COruProcessProbe::RunPostInstallationStep(p, loaded, list);
    };
    COruProcessProbe::ForcedStep(e) = 28;
    e.RunNextStep();

    CPostInstallDriver driver{ &e };
    HANDLE thread = CreateThread(nullptr, 0, CPostInstallDriver::Run, &driver, 0, nullptr);
    const DWORD start = GetTickCount();
    int polls = 0;
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT && GetTickCount() - start < kWaitMs)
    {
        e.GetNextStep(true);
        ++polls;
        PumpMessages();
        MsgWaitForMultipleObjects(1, &thread, FALSE, 5, QS_ALLINPUT);
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0)) << "the worker and the polling thread deadlocked";
    CloseHandle(thread);
    PumpMessages();
    EXPECT_EQ(29, e.GetNextStep(true));
    ASSERT_EQ(3, texts.GetSize());
    EXPECT_EQ(CString(L"Step 2"), texts[2]);
    EXPECT_EQ(4u, m_exec.Runs().size());
    EXPECT_GT(polls, 0);
    DestroyWindow(page);
}

// The step table ------------------------------------------------------------------------------

bool IsStepNumber(int nStep)
{
    return nStep >= ORU_STEP_READ_CONFIG && nStep <= ORU_STEP_LAST && nStep != 7 && nStep != ORU_STEP_BUSY;
}

TEST(COruStepTableTest, EveryStepHasExactlyOneRow)
{
    size_t count = 0;
    const COruStepRow* pRows = GetOruStepRows(count);
    // Ascending without repeats: a number has at most one row, and the look-up finds it.
    for (size_t i = 1; i < count; ++i)
        EXPECT_LT(pRows[i - 1].nStep, pRows[i].nStep) << "row " << i;
    for (int step = ORU_STEP_NONE - 1; step <= ORU_STEP_LAST + 1; ++step)
    {
        SCOPED_TRACE(testing::Message() << "step " << step);
        const COruStepRow* pRow = FindOruStepRow(step);
        if (!IsStepNumber(step))
        {
            EXPECT_EQ(nullptr, pRow);
            continue;
        }
        ASSERT_NE(nullptr, pRow);
        EXPECT_EQ(step, pRow->nStep);
        EXPECT_TRUE(pRow >= pRows && pRow < pRows + count);
    }
}

TEST(COruStepTableTest, EverySuccessorIsAStepAndEveryPathEnds)
{
    size_t count = 0;
    const COruStepRow* pRows = GetOruStepRows(count);
    for (size_t i = 0; i < count; ++i)
    {
        const COruStepRow& row = pRows[i];
        SCOPED_TRACE(testing::Message() << "step " << row.nStep);
        // Only the restart question ends with no step at all.
        EXPECT_TRUE(IsStepNumber(row.nNext) || (row.nNext == ORU_STEP_NONE && row.nStep == ORU_STEP_CONFIRM_RESTART));
        // Following the fixed successors reaches an end: a step that stays, or no further step.
        int step = row.nStep;
        size_t moves = 0;
        for (; moves <= count; ++moves)
        {
            const COruStepRow* pRow = FindOruStepRow(step);
            ASSERT_NE(nullptr, pRow) << "successor " << step;
            if (pRow->nNext == step || pRow->nNext == ORU_STEP_NONE)
                break;
            step = pRow->nNext;
        }
        EXPECT_LE(moves, count) << "the successors loop";
        EXPECT_TRUE(step == ORU_STEP_PC_END || step == ORU_STEP_USB_END || step == ORU_STEP_CONFIRM_RESTART) << step;
    }
}

TEST(COruStepTableTest, WorkerStepsHaveAFunctionAndHookStepsAPage)
{
    size_t count = 0;
    const COruStepRow* pRows = GetOruStepRows(count);
    for (size_t i = 0; i < count; ++i)
    {
        const COruStepRow& row = pRows[i];
        SCOPED_TRACE(testing::Message() << "step " << row.nStep);
        // An outcome to wait for needs a function that starts what is waited for.
        if (row.outcome)
            EXPECT_NE(nullptr, row.function);
        // A step the page's hook takes is the page's alone.
        if (row.bTakenByHook)
        {
            EXPECT_NE(nullptr, row.handler);
            EXPECT_EQ(nullptr, row.function);
        }
        // The ends run nothing and decide nothing.
        if (row.nNext == row.nStep)
        {
            EXPECT_EQ(nullptr, row.function);
            EXPECT_EQ(nullptr, row.outcome);
            EXPECT_EQ(nullptr, row.rule);
        }
    }
}
}
