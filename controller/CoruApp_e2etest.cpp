// The built controller started as a process under Wine: exit codes, trace log, what reaches
// refresh_rt, the start checks and the self-update hand-over.

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"
#include "tests/common/Windows.h"

#include <gtest/gtest.h>

namespace
{
const DWORD kRunTimeoutMs = 60000;

typedef CControllerRun CRun;
}

TEST(CoruAppRun, FreshRunWritesItsLogAndReportsTheEnd)
{
    const CString folder = PrepareControllerFolder(L"e2e_fresh", L"9101");
    CString text;
    const CRun run = RunController(folder, L"9101", L"", L"VantolinSetup.exe", IDOK, &text);

    // Without the Internet and without a setup archive the run is cancelled, and says so.
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_TRUE(Contains(text, L"Vantolin Setup has been cancelled.")) << text.ToNarrow();
    for (const wchar_t* line : { L"INF: Starting ORU2010 version 3.0.1.12", L"INF: Computer name: ", L"INF: User login: ",
                                 L"INF: Build time: ", L"-->: cmdline:", L"-->: -crt-dir=", L"ERR: Failed to load header bmp",
                                 L"ERR: Failed to load watermark bmp", L"-->: DotNet is not installed",
                                 L"-->: InitializeKernelComponents : initializing usage statistics",
                                 L"-->: CoruApp::InitInstance exited\r\n" })
        EXPECT_TRUE(Contains(run.log, line)) << CString(line).ToNarrow();

    const CString calls = ReadRefreshRtCalls(folder);
    EXPECT_TRUE(Contains(calls, L"GetUpdateInstance edition=0 product=Vantolin generation=9101\n"));
    EXPECT_TRUE(Contains(calls, L"GetUsageStatisticsInstance edition=0 product=Vantolin generation=9101 enabled=1\n"));
    EXPECT_TRUE(Contains(calls, L"SetIntValue InstallationReturnCode=12\nSetStringValue InstallationOrder=1;3;4;5;6;\n"
                                L"SetStringValue InstallationStep=ORU_FINISH\n"));
    EXPECT_TRUE(Contains(calls, L"Send\nReleaseUsageStatistics\n"));
    EXPECT_EQ(L"", ReadRunningAppValue()) << "the running-setup value is emptied at the end";
}

TEST(CoruAppRun, ViewSwitchAndIniViewReachRefreshRt)
{
    const struct
    {
        const wchar_t* args;
        const char* ini;
        int updateEdition;
        int statsEdition;
    } cases[] = {
        { L"", "", 0, 0 },
        { L"/view:3", "vantolin_view=2\r\n", 2, 3 },
        { L"-view:5", "vantolin_view=7\r\n", 0, 5 },
        { L"/view:9", "", 0, 0 },
        { L"/view", "", 0, 0 },
        { L"", "vantolin_view=-1\r\n", 0, 0 },
    };
    int n = 0;
    for (const auto& c : cases)
    {
        CString generation;
        generation.Format(L"9102v%d", n++);
        const CString folder = PrepareControllerFolder(L"e2e_view", generation, c.ini);
        const CRun run = RunController(folder, generation, c.args, L"VantolinSetup.exe", IDOK);
        EXPECT_EQ(2u, run.exitCode);
        const CString calls = ReadRefreshRtCalls(folder);
        CString update, stats;
        update.Format(L"GetUpdateInstance edition=%d ", c.updateEdition);
        stats.Format(L"GetUsageStatisticsInstance edition=%d ", c.statsEdition);
        EXPECT_TRUE(Contains(calls, update)) << CString(c.args).ToNarrow();
        EXPECT_TRUE(Contains(calls, stats)) << CString(c.args).ToNarrow();
    }
}

TEST(CoruAppRun, PartnerChoosesTheBrandingBitmaps)
{
    const struct
    {
        const char* partner;
        const wchar_t* brandShipped;
        bool loads;
    } cases[] = {
        { "", L"neutral", true },   { "11082", L"kipsy", true },  { "61000", L"tollex", true },
        { "11082", L"neutral", false }, { "4711", L"tollex", false },
    };
    int n = 0;
    for (const auto& c : cases)
    {
        CString generation;
        generation.Format(L"9107b%d", n++);
        const CString folder =
            PrepareControllerFolder(L"e2e_branding", generation, (std::string("partnerID=") + c.partner + "\r\n").c_str());
        CreateDirectoryW(folder + L"gfx", nullptr);
        for (const wchar_t* kind : { L"header_", L"watermark_" })
        {
            const CString name = CString(kind) + c.brandShipped + L".bmp";
            ASSERT_TRUE(CopyFileW(L"D:\\demo\\gfx\\" + name, folder + L"gfx\\" + name, FALSE)) << name;
        }
        const CRun run = RunController(folder, generation, L"", L"VantolinSetup.exe", IDOK);
        EXPECT_EQ(2u, run.exitCode);
        EXPECT_EQ(!c.loads, Contains(run.log, L"ERR: Failed to load header bmp")) << c.partner;
        EXPECT_EQ(!c.loads, Contains(run.log, L"ERR: Failed to load watermark bmp")) << c.partner;
    }
}

// An unpacked package named by /extract_dir: would re-root the store on its generation and be
// removed at the end of the run: only the continuation's command line may name one, for a folder
// an elevated run made in the temporary folder. Wine shows every folder as this user's, so no
// folder passes here: the store keeps the program's generation and the folder stays (the rule's
// other side is the setup helpers' test, with the owner answered).
TEST(CoruAppRun, ExtractionFolderOnTheCommandLineIsTheContinuationsOnly)
{
    const struct
    {
        const wchar_t* args;
        const wchar_t* ignored; // the reason logged
    } cases[] = {
        { L"/extract_dir:\"D:\\tests\\e2e_extract_fixture\\extract_9108q\"", L"only a continuation names its extraction folder" },
        { L"/extract_dir:\"D:\\tests\\e2e_extract_fixture\\extract_9108q\\.\\..\\extract_9108q\"",
          L"only a continuation names its extraction folder" },
        { L"/restart:Other /extract_dir:\"D:\\tests\\e2e_extract_fixture\\extract_9108q\"",
          L"not an extraction folder in the temporary folder" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.args).ToNarrow());
        const CString folder = PrepareControllerFolder(L"e2e_extract", L"9108p");
        const CString extract = CopyExtractFixture(L"e2e_extract_fixture");
        const CRun run = RunController(folder, L"9108p", c.args, L"VantolinSetup.exe", IDOK);
        EXPECT_EQ(2u, run.exitCode);
        EXPECT_TRUE(Contains(run.log, L"WRN: CoruApp::ReadCommandLine : ignoring /extract_dir:[")) << run.log.ToNarrow();
        EXPECT_TRUE(Contains(run.log, c.ignored)) << run.log.ToNarrow();
        EXPECT_FALSE(Contains(run.log, L"QMConfigImplementation::SetRoot"));
        EXPECT_FALSE(Contains(run.log, L"UpdateProductPropertiesFromMsi"));
        EXPECT_TRUE(Contains(ReadRefreshRtCalls(folder), L"GetUsageStatisticsInstance edition=0 product=Vantolin generation=9108p "));
        EXPECT_TRUE(FileExists(extract + L"msi\\VantolinSetup.msi")) << "the folder named stays";
    }
}

TEST(CoruAppChecks, SecondInstanceIsAskedToRetryOrCancel)
{
    const CString folder = PrepareControllerFolder(L"e2e_instance", L"9103");
    CScopedHandle flag(CreateMutexW(nullptr, TRUE, L"VANTOLIN_INSTANCE9103"));
    ASSERT_TRUE(flag.IsValid());
    WriteRunningAppValue(L"Other Setup");

    CString text;
    CRun run = RunController(folder, L"9103", L"", L"VantolinSetup.exe", IDCANCEL, &text);
    EXPECT_EQ(2u, run.exitCode) << "Cancel on 'already running' must not report success";
    EXPECT_TRUE(Contains(text, L"Other Setup is currently running.")) << text.ToNarrow();
    EXPECT_TRUE(Contains(text, L"please exit Other Setup and click Retry.")) << text.ToNarrow();
    EXPECT_TRUE(Contains(run.log, L"DBG: CoruApp::InitInstance : [Other Setup] is already running - exit this app !"));
    EXPECT_FALSE(Contains(run.log, L"ProcessAsAdminSteps"));
    EXPECT_EQ(L"Other Setup", ReadRunningAppValue()) << "a refused start leaves the running setup's value";

    // Retry once the other setup has ended: the run goes on and takes the flag over.
    CChildProcess process;
    ASSERT_TRUE(process.Start(folder + L"VantolinSetup.exe", L"", folder));
    HWND hDlg = WaitForRunDialog(process.GetPid(), 30000);
    ASSERT_NE(nullptr, hDlg);
    flag.Close();
    PressDialogButton(hDlg, IDRETRY);
    // The run then ends cancelled (no Internet, no archive) and says so.
    for (int i = 0; i < 300 && IsWindow(hDlg); ++i)
        Sleep(100);
    HWND hFinish = WaitForRunDialog(process.GetPid(), 30000);
    ASSERT_NE(nullptr, hFinish);
    PressDialogButton(hFinish, IDOK);
    EXPECT_EQ(2u, process.Wait(kRunTimeoutMs));
    const CString log = ReadControllerLog(L"9103", process.GetPid());
    EXPECT_TRUE(Contains(log, L"ProcessAsAdminSteps"));
    EXPECT_TRUE(Contains(log, L"CoruApp::InitInstance exited"));
    EXPECT_EQ(L"", ReadRunningAppValue());
}

// Wine reports the chosen Windows version per program; this prefix is a 64-bit one, so every
// version runs as a 32-bit program on a 64-bit system. Wine takes no per-program service pack,
// so a Windows XP before its second service pack cannot be shown here.
TEST(CoruAppChecks, SystemChecksByWindowsVersion)
{
    const struct
    {
        const wchar_t* exe;
        const wchar_t* version;
        const char* ini;
        bool refused;
        const wchar_t* text;
        const wchar_t* os;
        const wchar_t* servicePack;
    } cases[] = {
        { L"VantolinSetupW2K.exe", L"win2k", "", true, L"but Vantolin cannot be installed because it requires at least Windows XP Service Pack 2",
          L"Windows 2000, Service Pack 4, build 2195", L"Service Pack 4 - Version: 4.0" },
        { L"VantolinSetupW2K.exe", L"win2k", "partnerID=11082\r\nproduct_display_name=Kipsy Player\r\n", true,
          L"but Kipsy Player cannot be installed", nullptr, nullptr },
        { L"VantolinSetupXP.exe", L"winxp", "", false, nullptr, L"Windows XP, Service Pack 3, build 2600",
          L"Service Pack 3 - Version: 3.0" },
        // XP x64 is of the XP family and reports itself as 5.2, the number of Server 2003.
        { L"VantolinSetupXP64.exe", L"winxp64", "", false, nullptr, L"Windows Server 2003, Service Pack 2, build 3790",
          L"Service Pack 2 - Version: 2.0" },
        { L"VantolinSetupW2K3.exe", L"win2003", "", false, nullptr, L"Windows Server 2003, Service Pack 2, build 3790",
          L"Service Pack 2 - Version: 2.0" },
        { L"VantolinSetupVista.exe", L"vista", "", false, nullptr, L"Windows Vista, Service Pack 2, build 6002",
          L"Service Pack 2 - Version: 2.0" },
        { L"VantolinSetupW7.exe", L"win7", "", false, nullptr, L"Windows 7, Service Pack 1, build 7601",
          L"Service Pack 1 - Version: 1.0" },
    };
    int n = 0;
    for (const auto& c : cases)
    {
        CString generation;
        generation.Format(L"9104r%d", n++);
        ASSERT_TRUE(SetWineVersionFor(c.exe, c.version));
        const CString folder = PrepareControllerFolder(L"e2e_requirements", generation, c.ini, c.exe);
        CString text;
        const CRun run = RunController(folder, generation, L"", c.exe, IDOK, &text);
        const std::string version = CString(c.version).ToNarrow();
        EXPECT_EQ(c.refused ? 1u : 2u, run.exitCode) << version;
        EXPECT_EQ(c.refused, Contains(run.log, L"-->: VerifySystemRequirements failed!")) << version;
        EXPECT_EQ(!c.refused, Contains(run.log, L"ProcessAsAdminSteps")) << version;
        if (c.refused)
        {
            EXPECT_TRUE(Contains(text, c.text)) << text.ToNarrow();
        }
        if (c.os)
        {
            EXPECT_TRUE(Contains(run.log, CString(L"INF: OS: ") + c.os + L" 64-bit edition\r\n")) << version << "\n"
                                                                                                   << run.log.ToNarrow();
            EXPECT_TRUE(Contains(run.log, CString(L"INF: ServicePack: ") + c.servicePack + L"\r\n")) << version;
        }
    }
}

TEST(CoruAppChecks, RunningInstallationEndsWithExitCode4)
{
    CChildProcess net;
    ASSERT_TRUE(net.Start(L"C:\\windows\\system32\\net.exe", L"start msiserver", L"C:\\"));
    net.Wait(30000);

    const CString folder = PrepareControllerFolder(L"e2e_busy", L"9105");
    {
        // What Windows Installer holds while an installation runs.
        CScopedHandle installing(CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute"));
        ASSERT_TRUE(installing.IsValid());
        CString text;
        const CRun run = RunController(folder, L"9105", L"", L"VantolinSetup.exe", IDOK, &text);
        EXPECT_EQ(4u, run.exitCode);
        EXPECT_TRUE(Contains(text, L"Another software is currently installing on your computer.")) << text.ToNarrow();
        EXPECT_TRUE(Contains(text, L"then start Vantolin Setup, again.")) << text.ToNarrow();
        EXPECT_FALSE(Contains(run.log, L"ProcessAsAdminSteps"));
    }
    // The service alone keeps running after installations: that is not busy.
    const CRun run = RunController(folder, L"9105", L"", L"VantolinSetup.exe", IDOK);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_TRUE(Contains(run.log, L"ProcessAsAdminSteps"));
}

namespace
{
void CheckHandOver(const wchar_t* pszTest, const wchar_t* pszGeneration, bool bOldProcessAlive)
{
    // The older copy: another program under the controller's name; the newer one unpacked into
    // its OruUpdate\ folder, as step 14 leaves it.
    const CString oldFolder = PrepareControllerFolder(CString(pszTest) + L"_old", pszGeneration);
    ASSERT_TRUE(CopyInto(L"StandIn.exe", oldFolder, L"VantolinSetup.exe"));
    const CString newFolder = PrepareControllerFolder(CString(pszTest) + L"_old\\OruUpdate", pszGeneration);

    // A gone process: under Wine an ended process can still be opened for a while, so the
    // gone case takes an id that no process has.
    CChildProcess oldProcess;
    DWORD oldPid = 0x7FFFFFF0;
    if (bOldProcessAlive)
    {
        ASSERT_TRUE(oldProcess.Start(BinFolder() + L"StandIn.exe", L"/sleep:2500", oldFolder));
        oldPid = oldProcess.GetPid();
    }

    CString args;
    CString oldDir = oldFolder.Left(oldFolder.GetLength() - 1);
    args.Format(L"/restart:Update /pid:%lu /module_dir:\"%s\"", oldPid, oldDir.GetString());
    const CRun run = RunController(newFolder, pszGeneration, args);

    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(Contains(run.log, L"INF: The new ORU is about to update its older copy"));
    CString waitLine;
    waitLine.Format(L"Waiting for old ORU process with PID <%lu> to finish...", oldPid);
    EXPECT_EQ(bOldProcessAlive, Contains(run.log, waitLine));
    EXPECT_TRUE(Contains(run.log, L"ORU is updating the copy of itself at [" + oldFolder + L"VantolinSetup.exe]"));
    EXPECT_FALSE(Contains(run.log, L"ERROR:"));
    // The hand-over ends before the start checks and before the last line of a normal run.
    EXPECT_FALSE(Contains(run.log, L"CoruApp::InitInstance exited"));
    if (bOldProcessAlive)
    {
        EXPECT_EQ(0u, oldProcess.Wait(0)) << "the copy must wait for the old process";
    }

    // The updated copy may already be emptying OruUpdate\: compared with the built program.
    EXPECT_EQ(ReadBytes(BinFolder() + L"VantolinSetup.exe"), ReadBytes(oldFolder + L"VantolinSetup.exe"));
    const CString readyLog = WaitForUpdateReadyLog(pszGeneration, run.pid);
    ASSERT_FALSE(readyLog.IsEmpty()) << "the updated copy did not run with /restart:UpdateReady";
    CString pidSwitch;
    pidSwitch.Format(L"-pid=%lu", run.pid);
    EXPECT_TRUE(Contains(readyLog, L"-restart=UpdateReady"));
    EXPECT_TRUE(Contains(readyLog, pidSwitch));
    EXPECT_TRUE(Contains(readyLog, L"-crt-dir=" + oldDir));
}
}

TEST(CoruAppHandOver, NewCopyReplacesTheOldOneAfterItEnded)
{
    CheckHandOver(L"e2e_handover_live", L"9106a", true);
}

TEST(CoruAppHandOver, OldProcessAlreadyGone)
{
    CheckHandOver(L"e2e_handover_gone", L"9106b", false);
}

// A shortcut that starts the setup with /restart:Update and /module_dir: at another product's
// folder: nothing there is replaced or started, and no copy of the setup runs on.
TEST(CoruAppHandOver, FolderThatHoldsNoOlderCopyIsNotUpdated)
{
    const CString folder = PrepareControllerFolder(L"e2e_handover_foreign", L"9106c");
    const CString product = FreshTestFolder(L"e2e_handover_foreign_product");
    ASSERT_TRUE(WriteTextFile(product + L"VantolinSetup.exe", "another product's program"));
    for (const CString& named : { product.Left(product.GetLength() - 1), folder.Left(folder.GetLength() - 1) })
    {
        SCOPED_TRACE(named.ToNarrow());
        CString args;
        args.Format(L"/restart:Update /pid:%lu /module_dir:\"%s\"", 0x7FFFFFF0ul, named.GetString());
        const CRun run = RunController(folder, L"9106c", args);
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_TRUE(Contains(run.log, L"WRN: CoruApp::ReadCommandLine : ignoring /module_dir:[" + named + L"]"))
            << run.log.ToNarrow();
        EXPECT_TRUE(Contains(run.log, L"WRN: CoruApp::RunSelfUpdateHandOver : no older copy named, [" + folder +
                                          L"VantolinSetup.exe] is this program"))
            << run.log.ToNarrow();
        EXPECT_FALSE(Contains(run.log, L"ORU is updating the copy of itself"));
        EXPECT_EQ(std::string("another product's program"), ReadBytes(product + L"VantolinSetup.exe"));
        EXPECT_EQ(1, ListFiles(product + L"*").GetSize());
        // The hand-over ends before it waits, copies or starts anything.
        EXPECT_FALSE(Contains(run.log, L"Waiting for old ORU process"));
    }
}
