// The step functions in the engine, with fake services: what each step starts, with which
// command line, and the state it leaves for the choice of the next step.

#include "controller/OruProcess.h"
#include "controller/OruSettings.h"
#include "controller/OruUtil.h"
#include "controller/SetupCommandLines.h"
#include "support/FileUtil.h"
#include "support/PathUtil.h"
#include "support/Registry.h"
#include "support/WorkFolder.h"
#include "tests/common/EngineFakes.h"
#include "tests/common/FolderOwnerAnswer.h"
#include "tests/common/HttpTestServer.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/RecordingWindow.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"
#include "workers/WindowMessages.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace
{
const DWORD kWaitMs = 30000;
const wchar_t kBase[] = L"Software\\VantolinTests\\OruProcessSteps";
const wchar_t kAdministrators[] = L"S-1-5-32-544";
const wchar_t kOtherAccount[] = L"S-1-5-21-1111-2222-3333-1001";

class CStepsTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "steps_"; }

    void SetUp() override
    {
        CTracedTest::SetUp();
        m_owner.reset(new CFolderOwnerAnswer(kAdministrators));
        COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, kBase);
        FillTestRegistryKeys(m_map, L"OruProcessSteps");
        m_program = m_folder + L"program\\";
        m_extract = m_folder + L"extract\\";
        CreateFolderTree(m_program, nullptr);
        WriteTextFile(m_program + L"oru.ini", "[General]\r\ngeneration=9112s\r\npartnerID=61000\r\nproduct_shortcut_name=Vantolin\r\n");
        // A signed archive beside the program (this test program is unsigned: any valid signer).
        PlaceArchive(L"signed_same.exe");
    }
    void PlaceArchive(const wchar_t* pszFixture)
    {
        ASSERT_TRUE(CopyFileW(ServerFilesFolder() + pszFixture, m_program + L"VantolinSetupArchive.exe", FALSE)) << CString(pszFixture).ToNarrow();
    }
    // The folder of this run that step 14 unpacks into, or step 13 copies into.
    CString RunFolder() { return COruProcessProbe::ExtractSFXDir(*m_engine); }
    void TearDown() override
    {
        m_engine.reset();
        m_owner.reset();
        COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, kBase);
        CTracedTest::TearDown();
    }

    COruProcess& Make(const wchar_t* pszReason = L"", const CString& extract = CString())
    {
        m_engine.reset(new COruProcess(&m_installFolder, &m_flags[0], &m_flags[1], &m_flags[2], &m_flags[3],
                                       &m_customFolder, &m_flags[4], &m_flags[5], &m_flags[6]));
        EXPECT_TRUE(m_engine->Init(m_program + L"oru.ini", &m_checker, &m_patch, &m_update, &m_exec, nullptr, nullptr,
                                   m_program, extract.IsEmpty() ? m_extract : extract, m_folder + L"copy", &m_downloader,
                                   pszReason, m_folder + L"msilog", FALSE, FALSE, TRUE, TRUE, TRUE, &m_map, nullptr,
                                   1031, FALSE, FALSE, &m_statistics));
        return *m_engine;
    }
    // Runs the step as the loop would and waits for its outcome; the next step.
    int RunStep(int nStep)
    {
        // From a step with no rule of its own, as a page hook leaves it.
        COruProcessProbe::CurrentStep(*m_engine) = 7;
        COruProcessProbe::ForcedStep(*m_engine) = nStep;
        m_lastResult = m_engine->RunNextStep();
        const DWORD start = GetTickCount();
        int next;
        while ((next = m_engine->GetNextStep(true)) == ORU_STEP_BUSY && GetTickCount() - start < kWaitMs)
            Sleep(10);
        return next;
    }
    std::wstring LastRun()
    {
        const auto runs = m_exec.Runs();
        return runs.empty() ? std::wstring(L"<none>") : runs.back();
    }

    CRegistryKeyMap m_map{ 10 };
    CFakeExecuter m_exec;
    CFakeCheckInternet m_checker;
    CFakeDownloader m_downloader;
    CFakePatchConfig m_patch;
    CFakeUpdate m_update;
    CFakeStatistics m_statistics;
    CString m_installFolder = L"C:\\Program Files\\Vantolin", m_customFolder;
    BOOL m_flags[7] = {};
    CString m_program, m_extract;
    int m_lastResult = 0;
    std::unique_ptr<COruProcess> m_engine;
    // The folders' owner as Windows gives it (Wine shows every folder as this user's).
    std::unique_ptr<CFolderOwnerAnswer> m_owner;
};
}

TEST_F(CStepsTest, ReadConfigNeedsItsFile)
{
    COruProcess& e = Make();
    ASSERT_EQ(3, RunStep(1));
    EXPECT_EQ(CString(m_program + L"VantolinSetupArchive.exe"), COruProcessProbe::ArchiveFile(e));
    EXPECT_NE(std::wstring::npos, m_update.calls.find(L"Edition=")) << CString(m_update.calls).ToNarrow();
    ASSERT_FALSE(m_patch.calls.empty());
    EXPECT_EQ(std::wstring(L"Partner=61000"), m_patch.calls.back());

    DeleteFileW(m_program + L"oru.ini");
    COruProcessProbe::ArchiveFile(e) = L"unchanged";
    RunStep(1);
    EXPECT_EQ(0, m_lastResult);
    EXPECT_EQ(CString(L"unchanged"), COruProcessProbe::ArchiveFile(e)) << "a missing file changes nothing";
    EXPECT_TRUE(Contains(Log(), L"Step_ReadConfig failed for ["));
}

TEST_F(CStepsTest, UpdateRequestByStatus)
{
    const struct
    {
        int status;
        BOOL internet;
        int next;
        BOOL offered;
        const wchar_t* logged;
    } rows[] = {
        { 0, TRUE, 13, FALSE, L"will run local installer file." },
        { 1, TRUE, 9, TRUE, L"will ask user if want to download" },
        { 3, TRUE, 10, TRUE, L"will download a new version." },
        // No usable answer: the local files, never the update offer.
        { -1, TRUE, 13, FALSE, L"means there is no internet" },
        { 7, TRUE, 13, FALSE, L"WRN: COruProcess::Step_UpdateRequest unhandled updateStatus(7) value!" },
        { 1, FALSE, 13, FALSE, L"m_bInternetIsWorking: [0], m_pUpdateAvailable: [1]" },
    };
    for (const auto& r : rows)
    {
        COruProcess& e = Make();
        m_update.status = r.status;
        COruProcessProbe::InternetWorking(e) = r.internet;
        EXPECT_EQ(r.next, RunStep(8)) << r.status;
        EXPECT_EQ(r.offered, COruProcessProbe::UpdateOffered(e)) << r.status;
        EXPECT_TRUE(Contains(Log(), r.logged)) << r.status;
    }
}

TEST_F(CStepsTest, ExtractionNeverEmptiesTheSetupFolder)
{
    WriteTextFile(m_program + L"keep.txt", "x");
    for (const CString& extract : { m_program, m_folder, m_program + L"..\\" })
    {
        Make(L"", extract);
        RunStep(1);
        RunStep(14);
        EXPECT_EQ(0, m_lastResult) << extract.ToNarrow();
        EXPECT_TRUE(FileExists(m_program + L"keep.txt")) << extract.ToNarrow();
    }
    EXPECT_TRUE(Contains(Log(), L"ERR: Step_SelfUpdateOrExtract: the extraction folder ["));
    EXPECT_TRUE(m_exec.Runs().empty());

    // A folder of its own is emptied; the archive unpacks into a new folder of the run inside
    // it, given with the runtime's quoting.
    CreateFolderTree(m_extract + L"old", nullptr);
    Make();
    RunStep(1);
    RunStep(14);
    EXPECT_EQ(1, m_lastResult);
    EXPECT_FALSE(FolderExists(m_extract + L"old"));
    const CString run = RunFolder();
    EXPECT_EQ(m_extract + L"run", run.Left(m_extract.GetLength() + 3)) << run.ToNarrow();
    EXPECT_TRUE(FolderExists(run));
    EXPECT_EQ(std::wstring(m_program + L"VantolinSetupArchive.exe -d\"" + run + L"\\\" -s"), LastRun());
}

// Both downloads are checked: the archive's and the newer controller's, which would take over the
// run elevated.
TEST_F(CStepsTest, BothDownloadsAreChecked)
{
    m_downloader.answer = true;
    for (int step : { 10, 11 })
    {
        Make();
        RunStep(1);
        COruProcessProbe::InternetWorking(*m_engine) = TRUE;
        RunStep(step);
        EXPECT_EQ(1, m_lastResult) << step;
    }
    const auto downloads = m_downloader.Downloads();
    ASSERT_EQ(2u, downloads.size());
    EXPECT_EQ(std::wstring(m_program + L"VantolinSetupArchive.exe"), downloads[0].first);
    EXPECT_EQ(std::wstring(m_program + L"OruUpdate\\VantolinSetupUpdate.exe"), downloads[1].first);
    EXPECT_TRUE(downloads[0].second);
    EXPECT_TRUE(downloads[1].second);
}

// A local archive is checked as a download is: one that fails is not run and the run fails.
TEST_F(CStepsTest, ALocalArchiveThatFailsItsCheckIsNotRun)
{
    const struct
    {
        const wchar_t* fixture;
        const wchar_t* logged;
    } rows[] = {
        { L"unsigned.exe", L"VerifyEmbeddedSignature: No signature found on the file []" },
        { L"tampered.exe", L"VerifyEmbeddedSignature: The signature of the file is invalid [" },
        { L"appended.exe", L"VerifyEmbeddedSignature: The file holds 33 bytes after its signature [" },
    };
    for (const auto& r : rows)
    {
        SCOPED_TRACE(CString(r.fixture).ToNarrow());
        PlaceArchive(r.fixture);
        const int before = Log().GetLength();
        Make();
        RunStep(1);
        EXPECT_EQ(30, RunStep(14)) << "the run goes to its end";
        EXPECT_EQ(0, m_lastResult);
        EXPECT_FALSE(COruProcessProbe::Success(*m_engine));
        const CString log = Log().Mid(before);
        EXPECT_TRUE(Contains(log, r.logged)) << log.ToNarrow();
        EXPECT_TRUE(Contains(log, L"ERR: Step_SelfUpdateOrExtract: the setup archive [" + m_program +
                                      L"VantolinSetupArchive.exe] failed its check, setup fails!"));
    }
    EXPECT_TRUE(m_exec.Runs().empty());
}

// From its check until its run has ended, the archive is held: a thread that rewrites,
// replaces or deletes it in that window fails, and what runs is the file checked. Afterwards
// the file is free again.
TEST_F(CStepsTest, TheArchiveCannotBeSwappedBetweenItsCheckAndItsRun)
{
    const CString archive = m_program + L"VantolinSetupArchive.exe", other = m_folder + L"other.exe";
    ASSERT_TRUE(CopyFileW(ServerFilesFolder() + L"signed_other.exe", other, FALSE));
    const std::string checked = ReadBytes(archive);
    Make();
    RunStep(1);
    m_exec.CloseGate();
    COruProcessProbe::CurrentStep(*m_engine) = 7;
    COruProcessProbe::ForcedStep(*m_engine) = 14;
    ASSERT_EQ(1, m_engine->RunNextStep());
    ASSERT_TRUE(m_exec.WaitEntered(kWaitMs));
    bool written = true, replaced = true, deleted = true;
    std::thread([&] {
        CScopedFileHandle writer(CreateFileW(archive, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        written = writer.IsValid();
        replaced = MoveFileExW(other, archive, MOVEFILE_REPLACE_EXISTING) != FALSE;
        deleted = DeleteFileW(archive) != FALSE;
    }).join();
    EXPECT_FALSE(written);
    EXPECT_FALSE(replaced);
    EXPECT_FALSE(deleted);
    // A second process copying another file over it fails too.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    CChildProcess copier;
    ASSERT_TRUE(copier.Start(CString(system) + L"\\cmd.exe", L"/c copy /y \"" + other + L"\" \"" + archive + L"\"", m_folder));
    EXPECT_NE(0u, copier.Wait(kWaitMs));
    EXPECT_EQ(checked, ReadBytes(archive));
    m_exec.OpenGate();
    const DWORD start = GetTickCount();
    while (m_engine->GetNextStep(true) == ORU_STEP_BUSY && GetTickCount() - start < kWaitMs)
        Sleep(10);
    EXPECT_TRUE(COruProcessProbe::Success(*m_engine));
    m_engine.reset();
    EXPECT_TRUE(MoveFileExW(other, archive, MOVEFILE_REPLACE_EXISTING)) << "the hold ends with the run";
}

// The downloaded controller and the controller it unpacks are checked before they run: an
// unsigned one is not started and the run fails.
TEST_F(CStepsTest, AnUnsignedUpdateProgramIsNotRun)
{
    const CString update = m_program + L"OruUpdate\\VantolinSetupUpdate.exe";
    CreateFolderTree(m_program + L"OruUpdate", nullptr);
    ASSERT_TRUE(CopyFileW(BinFolder() + L"..\\fixtures\\steps\\update\\update_unsigned.exe", update, FALSE));
    Make();
    RunStep(1);
    EXPECT_EQ(30, RunStep(14));
    EXPECT_EQ(0, m_lastResult);
    EXPECT_FALSE(COruProcessProbe::Success(*m_engine));
    EXPECT_TRUE(Contains(Log(), L"ERR: Step_SelfUpdateOrExtract: the downloaded controller [" + update +
                                    L"] failed its check, setup fails!"));
    EXPECT_FALSE(FileExists(update + L".record.txt")) << "the update program did not start";
    EXPECT_TRUE(FileExists(update)) << "and is not deleted";
    EXPECT_FALSE(Contains(Log(), L"Running new ORU"));
    EXPECT_TRUE(m_exec.Runs().empty()) << "nor is the archive run instead";
}

// The unpacked archive beside the program is copied into a folder of the run before anything
// of it runs: later changes to the original reach nothing the run starts.
TEST_F(CStepsTest, AnUnpackedArchiveFolderRunsFromACopy)
{
    DeleteFileW(m_program + L"VantolinSetupArchive.exe");
    const CString shipped = m_program + L"VantolinSetupArchive\\";
    CreateFolderTree(shipped + L"msi", nullptr);
    WriteTextFile(shipped + L"msi\\RuntimeProbe.exe", "shipped");
    Make();
    RunStep(1);
    RunStep(13);
    EXPECT_EQ(1, m_lastResult);
    EXPECT_FALSE(COruProcessProbe::ExtractionNeeded(*m_engine));
    const CString run = RunFolder();
    EXPECT_EQ(m_extract + L"run", run.Left(m_extract.GetLength() + 3)) << run.ToNarrow();
    EXPECT_TRUE(Contains(Log(), L"Step_UnpackInstaller finish. no need to extract. folder: [" + run + L"]"));
    WriteTextFile(shipped + L"msi\\RuntimeProbe.exe", "changed later");
    EXPECT_EQ("shipped", ReadBytes(run + L"msi\\RuntimeProbe.exe"));
    RunStep(22);
    EXPECT_EQ(std::wstring(run + L"msi\\RuntimeProbe.exe "), LastRun());

    // A copy that cannot be made fails the run; nothing of the original runs.
    const size_t runs = m_exec.Runs().size();
    Make(L"", m_program);
    RunStep(1);
    EXPECT_EQ(30, RunStep(13));
    EXPECT_FALSE(COruProcessProbe::Success(*m_engine));
    EXPECT_TRUE(Contains(Log(), L"ERR: Step_UnpackInstaller: the unpacked archive could not be copied into a folder of the run"));
    EXPECT_EQ(runs, m_exec.Runs().size());
}

TEST_F(CStepsTest, PackageLineAndItsRefusals)
{
    // The folder to scan is picked by the common and My Music choices and named only with a scan;
    // the custom folder goes along whatever was chosen.
    const wchar_t kCustom[] = L" CUSTOM_MUSIC_FOLDER=\"D:\\My Music\"";
    const struct
    {
        BOOL scan, common, myMusic, custom;
        const wchar_t* selection;
    } rows[] = {
        { TRUE, TRUE, FALSE, FALSE, L"SCAN_MUSIC_FOLDER_SELECTION=CommonMusicFolder" },
        { TRUE, FALSE, TRUE, FALSE, L"SCAN_MUSIC_FOLDER_SELECTION=MyMusicFolder" },
        { TRUE, FALSE, FALSE, TRUE, L"SCAN_MUSIC_FOLDER_SELECTION=CustomMusicFolder" },
        { TRUE, FALSE, TRUE, TRUE, L"SCAN_MUSIC_FOLDER_SELECTION=MyMusicFolder" },
        { TRUE, TRUE, TRUE, TRUE, L"SCAN_MUSIC_FOLDER_SELECTION=CommonMusicFolder" },
        { TRUE, FALSE, FALSE, FALSE, L"SCAN_MUSIC_FOLDER_SELECTION=CustomMusicFolder" },
        { FALSE, TRUE, FALSE, FALSE, L"" },
        { FALSE, FALSE, TRUE, FALSE, L"" },
        { FALSE, FALSE, FALSE, TRUE, L"" },
    };
    m_customFolder = L"D:\\My Music";
    for (const auto& r : rows)
    {
        SCOPED_TRACE(testing::Message() << r.scan << r.common << r.myMusic << r.custom);
        m_flags[0] = r.scan;
        m_flags[1] = r.common;
        m_flags[2] = r.myMusic;
        m_flags[3] = r.custom;
        Make();
        RunStep(1);
        RunStep(26);
        EXPECT_EQ(1, m_lastResult);
        const std::wstring run = LastRun();
        EXPECT_EQ(0u, run.find(std::wstring(m_extract + L"msi\\VantolinSetup.msi /l*vx \"")));
        const std::wstring expected = std::wstring(L" APPDIR=\"C:\\Program Files\\Vantolin\" PERFORM_MUSIC_SCAN=") +
                                      (r.scan ? L"1 " : L"0 ") + r.selection + kCustom + L" AUTO_DOWNLOAD_LAME=0";
        EXPECT_NE(std::wstring::npos, run.find(expected)) << CString(run).ToNarrow();
        EXPECT_EQ(r.scan != FALSE, run.find(L"SCAN_MUSIC_FOLDER_SELECTION") != std::wstring::npos);
        EXPECT_NE(std::wstring::npos, run.find(L"  SHORTCUT_PRODUCT_NAME=\"Vantolin\" PARTNER_ID=\"61000\""));
    }
    // A quote in a quoted value would end it and pass the rest as properties of their own.
    const size_t runs = m_exec.Runs().size();
    for (const wchar_t* folder : { L"C:\\a\" INSTALLLEVEL=\"1", L"" })
    {
        m_installFolder = folder;
        m_customFolder = *folder ? L"D:\\Music" : L"D:\\x\" Y=\"1";
        Make();
        RunStep(1);
        RunStep(26);
        EXPECT_EQ(0, m_lastResult);
        EXPECT_FALSE(COruProcessProbe::Success(*m_engine));
    }
    EXPECT_EQ(runs, m_exec.Runs().size());
    EXPECT_TRUE(Contains(Log(), L"ERR: Step_LaunchPCInstallation: the value of APPDIR holds a double quote"));
    EXPECT_TRUE(Contains(Log(), L"ERR: Step_LaunchPCInstallation: the value of CUSTOM_MUSIC_FOLDER holds a double quote"));
}

TEST_F(CStepsTest, PostInstallationCommandsOneAtATime)
{
    const CString admin = CString(kBase) + L"\\Product\\Admin";
    WriteRegString(HKEY_CURRENT_USER, admin + L"\\1", L"Command", REG_SZ, L"C:\\tools\\first.exe", nullptr, 0);
    WriteRegString(HKEY_CURRENT_USER, admin + L"\\1", L"CommandParams", REG_SZ, L"/a -hwndoru /b -hwndoru", nullptr, 0);
    WriteRegString(HKEY_CURRENT_USER, admin + L"\\1", L"ProgressMessage", REG_SZ, L"Main text", nullptr, 0);
    WriteRegString(HKEY_CURRENT_USER, admin + L"\\1", L"ExtraMessage", REG_SZ, L"Detail text", nullptr, 0);
    WriteRegString(HKEY_CURRENT_USER, admin + L"\\1", L"CheckReturnCode", REG_SZ, L"1", nullptr, 0);
    WriteRegString(HKEY_CURRENT_USER, admin + L"\\2", L"Command", REG_SZ, L"second.exe", nullptr, 0);
    WriteRegString(HKEY_CURRENT_USER, admin + L"\\2", L"CommandParams", REG_SZ, L"-hwndoru", nullptr, 0);

    CRecordingWindow page(PROGRESSDLG_SET_MESSAGE);
    COruProcess& e = Make();
    e.SetProgressWnd(page.Get());
    m_exec.CloseGate();
    COruProcessProbe::CurrentStep(e) = 7;
    COruProcessProbe::ForcedStep(e) = 28;
    ASSERT_EQ(1, e.RunNextStep()) << "the first call loads the list";
    EXPECT_TRUE(m_exec.Runs().empty());
    EXPECT_EQ(2u, COruProcessProbe::PostSteps(e).size());

    // (Before this list the package's run left its outcome in the worker.)
    COruProcessProbe::CurrentStep(e) = 7;
    COruProcessProbe::ForcedStep(e) = 28;
    ASSERT_EQ(1, e.RunNextStep());
    ASSERT_TRUE(m_exec.WaitEntered(kWaitMs));
    CString handle;
    handle.Format(L"%08X", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(page.Get())));
    EXPECT_EQ(std::wstring(L"C:\\tools\\first.exe /a -hwndoru:") + handle.GetString() + L" /b -hwndoru:" + handle.GetString(),
              LastRun());
    EXPECT_EQ(ORU_STEP_BUSY, e.GetNextStep(true));
    EXPECT_EQ(std::wstring::npos, m_statistics.calls.find(L"InstallationPostTime_")) << "not before the command's end";
    m_exec.OpenGate();
    ASSERT_TRUE(CRecordingWindow::PumpUntil([&] { return e.GetNextStep(true) != ORU_STEP_BUSY; }, kWaitMs));
    EXPECT_EQ(28, e.GetNextStep(true));
    e.GetNextStep(true);
    const size_t at = m_statistics.calls.find(L"I InstallationPostTime_first.exe=");
    EXPECT_NE(std::wstring::npos, at) << CString(m_statistics.calls).ToNarrow();
    EXPECT_EQ(at, m_statistics.calls.rfind(L"InstallationPostTime_") - 2) << "reported once";

    // The page's texts are posted, not sent: this thread may be the one the page waits for.
    ASSERT_TRUE(CRecordingWindow::PumpUntil([&] { return page.Messages(PROGRESSDLG_SET_MESSAGE).size() == 2; }, kWaitMs));
    const auto texts = page.Messages(PROGRESSDLG_SET_MESSAGE);
    EXPECT_EQ(1027u, texts[0].wParam);
    EXPECT_EQ(CString(L"Main text"), texts[0].text);
    EXPECT_EQ(1010u, texts[1].wParam);
    EXPECT_EQ(CString(L"Detail text"), texts[1].text);
    EXPECT_EQ(1u, page.Messages(PROGRESSDLG_PBM_STEPIT).size());

    // The page's window is gone: the switch still takes a handle, zero.
    e.SetProgressWnd(nullptr);
    EXPECT_EQ(29, RunStep(28));
    EXPECT_EQ(std::wstring(L"second.exe -hwndoru:00000000"), LastRun());
    EXPECT_TRUE(Contains(Log(), L"ERR: The progress dialog no longer exists in COruProcess::Step_PostInstallationStepsAdminLevel !!!"));
    EXPECT_TRUE(COruProcessProbe::PostSteps(e).empty());
}

TEST_F(CStepsTest, RestartCommandWrittenAndRecognised)
{
    COruProcess& e = Make();
    RunStep(1);
    WriteTextFile(m_program + L"setup.dat", "x");
    EXPECT_EQ(41, RunStep(40));
    CString command;
    ASSERT_TRUE(GetRegStringValue(m_map, 0, command));
    EXPECT_EQ(BuildRestartCommandLine(m_folder + L"copy", true, 1031, FALSE, m_extract), command);
    EXPECT_TRUE(FileExists(m_folder + L"copy\\setup.dat"));

    // This run's own command: a restart is asked for.
    EXPECT_EQ(41, RunStep(29));

    // A continuation that finds its command again restarted twice: the setup fails.
    Make(L"VCRedistRestart");
    EXPECT_FALSE(GetRegStringValue(m_map, 0, command)) << "a continuation removes the command that started it";
    SetRegStringValue(m_map, 0, BuildRestartCommandLine(m_folder + L"copy", false, 1031, FALSE, m_extract));
    EXPECT_EQ(ORU_STEP_PC_END, RunStep(29));
    EXPECT_FALSE(COruProcessProbe::Success(*m_engine));
    EXPECT_FALSE(GetRegStringValue(m_map, 0, command));
    EXPECT_TRUE(Contains(Log(), L"ERR: Step_VerifyIfRequiresRestart detected a second restart during an install, setup fails!"));

    // Another command is not this setup's.
    Make();
    SetRegStringValue(m_map, 0, L"C:\\other.exe /restart:VCRedistRestart");
    EXPECT_EQ(30, RunStep(29));
}

TEST_F(CStepsTest, ProductValuesAndUninstaller)
{
    COruProcess& e = Make();
    RunStep(1);
    COruProcessProbe::AffiliateId(e) = L"AB12 ";
    e.SetView(9);
    RunStep(27);
    EXPECT_EQ(1, m_lastResult);
    CString value;
    EXPECT_TRUE(GetRegStringValue(m_map, 1, value));
    EXPECT_EQ(CString(L"AB12 "), value);
    EXPECT_TRUE(GetRegStringValue(m_map, 9, value));
    EXPECT_EQ(CString(L"9"), value);

    // The shell starts a file: the stored command line is split into program and arguments.
    SetRegStringValue(m_map, 4, L"MsiExec.exe /X{6F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}");
    EXPECT_EQ(ORU_STEP_PC_END, RunStep(39));
    EXPECT_EQ(std::wstring(L"MsiExec.exe /X{6F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}"), LastRun());
    EXPECT_FALSE(COruProcessProbe::Success(e));
}

TEST_F(CStepsTest, RuntimePackagePreferredToItsProgram)
{
    CreateFolderTree(m_extract + L"msi\\vcredist_x86", nullptr);
    WriteTextFile(m_extract + L"msi\\vcredist_x86\\vc_red.msi", "x");
    WriteTextFile(m_extract + L"msi\\vcredist_x86.exe", "x");
    Make();
    RunStep(23);
    EXPECT_EQ(1, m_lastResult);
    std::wstring run = LastRun();
    EXPECT_EQ(0u, run.find(std::wstring(m_extract + L"msi\\vcredist_x86\\vc_red.msi /l* \"" + m_folder + L"msilog\\vcredist_x86_")))
        << CString(run).ToNarrow();
    EXPECT_NE(std::wstring::npos, run.find(L"_msi.log\" USING_EXUIH=1 REBOOT=ReallySuppress REBOOTPROMPT=Suppress"));

    DeleteFileW(m_extract + L"msi\\vcredist_x86\\vc_red.msi");
    RunStep(23);
    EXPECT_EQ(1, m_lastResult);
    run = LastRun();
    EXPECT_EQ(0u, run.find(std::wstring(m_extract + L"msi\\vcredist_x86.exe /q:a /c:\"msiexec /i vcredist.msi /qb!\" \"/T:%TEMP\" /l \"")))
        << CString(run).ToNarrow();
    EXPECT_NE(std::wstring::npos, run.find(L"_msi.log\" REBOOT=ReallySuppress REBOOTPROMPT=Suppress"));

    DeleteFileW(m_extract + L"msi\\vcredist_x86.exe");
    RunStep(23);
    EXPECT_EQ(0, m_lastResult);
    EXPECT_TRUE(Contains(Log(), L"ERR: Step_InstallVCRedistributable failed because there is no VC++ redistributable to install!"));
}

TEST_F(CStepsTest, PortableFilesOnTheDrive)
{
    const CString root = m_folder + L"drive\\";
    const CString usb = root + L"Portable\\";
    const CString portable = usb + L"Vantolin_9112s_portable\\";
    CreateFolderTree(portable, nullptr);
    WriteTextFile(portable + L"QMConfig.ini", "[Other]\r\nKey=1\r\n");
    WriteTextFile(root + L"StartVantolin.ini", "[General]\r\nproduct_exe=Vantolin.exe\r\n");
    WriteTextFile(root + L"autorun.inf", "[autorun]\r\nopen=StartVantolin.exe\r\n");

    CRecordingWindow page(PROGRESSDLG_SET_MESSAGE);
    COruProcess& e = Make();
    RunStep(1);
    e.SetProgressWnd(page.Get());
    COruProcessProbe::USBRoot(e) = root;
    COruProcessProbe::USBFolder(e) = usb;
    COruProcessProbe::AffiliateId(e) = L"AB12";
    RunStep(35);
    EXPECT_EQ(1, m_lastResult);
    wchar_t value[64] = {};
    GetPrivateProfileStringW(L"HKLM\\SOFTWARE\\Quillmark\\Vantolin_9112s\\Common", L"AffiliateId", L"", value, 64,
                             portable + L"QMConfig.ini");
    EXPECT_EQ(CString(L"AB12"), CString(value));
    GetPrivateProfileStringW(L"HKCU\\SOFTWARE\\Quillmark\\Vantolin_9112s\\Common", L"Language", L"", value, 64,
                             portable + L"QMConfig.ini");
    EXPECT_EQ(CString(L"de"), CString(value));
    GetPrivateProfileStringW(L"General", L"product_exe", L"", value, 64, root + L"StartVantolin.ini");
    // Relative to the drive's root, where the launcher runs.
    EXPECT_EQ(usb.Mid(3) + L"Vantolin.exe", CString(value));
    EXPECT_FALSE(FileExists(root + L"autorun.inf")) << "the launcher's autorun is removed, none is written";

    // The closer runs from the extraction folder the portable folder was copied from, never
    // from the drive, where anyone may have put another one (or a library beside it).
    WriteTextFile(portable + L"SetupCloser.exe", "x");
    RunStep(36);
    EXPECT_EQ(0, m_lastResult);
    EXPECT_TRUE(Contains(Log(), L"ERR: Step_USBSetupCloser file not exist [" + m_extract + L"msi\\SetupCloser.exe]"));
    CreateFolderTree(m_extract + L"msi", nullptr);
    WriteTextFile(m_extract + L"msi\\SetupCloser.exe", "x");
    RunStep(36);
    EXPECT_EQ(1, m_lastResult);
    EXPECT_EQ(std::wstring(m_extract + L"msi\\SetupCloser.exe \"/path=" + m_program + GetProgramFileName() +
                           L"\" /product=Vantolin /package=9112s"),
              LastRun());
    ASSERT_TRUE(CRecordingWindow::PumpUntil([&] { return page.Messages(PROGRESSDLG_SET_MESSAGE).size() >= 3; }, kWaitMs));
    const auto texts = page.Messages(PROGRESSDLG_SET_MESSAGE);
    EXPECT_EQ(CString(L"Configuring installation"), texts[0].text);
    EXPECT_EQ(CString(L" "), texts[1].text);
    EXPECT_TRUE(Contains(texts.back().text, L"Finalizing installation of ")) << texts.back().text.ToNarrow();
}

namespace
{
// The folder the archive was told to unpack to ("-d\"<folder>\\\" -s").
CString UnpackFolderOf(const std::wstring& run)
{
    const CString line(run.c_str());
    const int start = line.Find(L"-d\"") + 3;
    const int end = line.Find(L"\\\" -s");
    return start < 3 || end < start ? CString() : line.Mid(start, end - start);
}
}

// The extraction folder and the restart copy are the run's own: ones another account, or any
// program of this user's, made beforehand are refused with the owner named, and nothing is
// unpacked or copied into them. The archive goes into a fresh folder beside the extraction folder.
TEST_F(CStepsTest, WorkingFoldersOfAnotherAccountAreRefused)
{
    CreateFolderTree(m_extract, nullptr);
    WriteTextFile(m_extract + L"planted.dll", "x");
    CreateFolderTree(m_folder + L"copy\\", nullptr);
    WriteTextFile(m_program + L"setup.dat", "x");
    for (const CString& owner : { CString(kOtherAccount), CString(L"S-1-5-32-545"), GetProcessUserSid() })
    {
        const wchar_t* pszOwner = owner;
        CFolderOwnerAnswer::Set(owner);
        Make();
        RunStep(1);
        RunStep(14);
        EXPECT_EQ(1, m_lastResult);
        const CString fresh = UnpackFolderOf(LastRun());
        EXPECT_EQ(RemoveTrailingBackslashes(m_extract), fresh.Left(m_extract.GetLength() - 1)) << fresh.ToNarrow();
        EXPECT_GT(fresh.GetLength(), m_extract.GetLength()) << "a fresh folder beside, not the old one";
        EXPECT_TRUE(FolderExists(fresh)) << fresh.ToNarrow();
        EXPECT_EQ(fresh, m_engine->GetExtractSFXDir());
        EXPECT_TRUE(m_engine->IsExtractFolderMadeByRun());
        EXPECT_TRUE(FileExists(m_extract + L"planted.dll"));
        EXPECT_TRUE(Contains(Log(), L"WRN: Step_SelfUpdateOrExtract: the extraction folder [" +
                                        RemoveTrailingBackslashes(m_extract) + L"] is owned by "));
        RunStep(40);
        EXPECT_EQ(0, m_lastResult);
        EXPECT_FALSE(FileExists(m_folder + L"copy\\setup.dat"));
        EXPECT_TRUE(Contains(Log(), L"ERR: PrepareWorkFolder : refusing the folder [" + m_folder + L"copy]: it is owned by "));
        EXPECT_TRUE(Contains(Log(), pszOwner));
    }

    // The run's own (here the administrators'): emptied, made again and used.
    CFolderOwnerAnswer::Set(kAdministrators);
    Make();
    RunStep(1);
    RunStep(14);
    EXPECT_EQ(1, m_lastResult);
    EXPECT_FALSE(FileExists(m_extract + L"planted.dll"));
    EXPECT_TRUE(FolderExists(m_extract));
    const CString own = UnpackFolderOf(LastRun());
    EXPECT_EQ(m_extract + L"run", own.Left(m_extract.GetLength() + 3)) << own.ToNarrow();

    // One that cannot be emptied is not gone on in either.
    WriteTextFile(m_extract + L"locked.dll", "x");
    ASSERT_TRUE(SetFileAttributesW(m_extract + L"locked.dll", FILE_ATTRIBUTE_READONLY));
    Make();
    RunStep(1);
    RunStep(14);
    EXPECT_EQ(1, m_lastResult);
    const CString fresh = UnpackFolderOf(LastRun());
    EXPECT_NE(m_extract, fresh);
    EXPECT_TRUE(FolderExists(fresh)) << fresh.ToNarrow();
    EXPECT_TRUE(Contains(Log(), L"ERR: Step_SelfUpdateOrExtract: could not empty [" + m_extract + L"]"));
    SetFileAttributesW(m_extract + L"locked.dll", FILE_ATTRIBUTE_NORMAL);
}

// A continuation runs the installers from the first run's extraction folder. One that is not the
// setup's own (under Wine every folder is this user's) is left as it is: the archive of the
// copy is unpacked afresh and the continuation goes on where the restart left it.
TEST_F(CStepsTest, ContinuationUnpacksAfreshFromAnExtractionFolderNotItsOwn)
{
    WriteTextFile(m_program + L"oru.ini", "[General]\r\ngeneration=9112s\r\nshow_advertise_dlg=1\r\n");
    CreateFolderTree(m_extract + L"msi\\", nullptr);
    WriteTextFile(m_extract + L"msi\\RuntimeProbe.exe", "planted");
    const struct
    {
        const wchar_t* reason;
        const wchar_t* owner;
        int resumeStep;
    } cases[] = {
        { L"VCRedistRestart", kOtherAccount, 24 },
        { L"DotNetRestart", kOtherAccount, 21 },
        { L"VCRedistRestart", kAdministrators, 24 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.reason).ToNarrow() + " " + CString(c.owner).ToNarrow());
        CFolderOwnerAnswer::Set(c.owner);
        COruProcess& e = Make(c.reason);
        const bool bOwn = CString(c.owner) == kAdministrators;
        EXPECT_EQ(1, e.GetNextStep(true));
        e.RunNextStep();
        if (bOwn)
        {
            EXPECT_EQ(c.resumeStep, e.GetNextStep(true));
            EXPECT_EQ(m_extract, e.GetExtractSFXDir());
            continue;
        }
        EXPECT_TRUE(Contains(Log(), L"WRN: COruProcess::Init : the extraction folder [" + m_extract +
                                        L"] is not the setup's own (owned by "));
        ASSERT_EQ(13, e.GetNextStep(true));
        e.RunNextStep();
        ASSERT_EQ(14, e.GetNextStep(true));
        e.RunNextStep();
        int next = ORU_STEP_BUSY;
        for (const DWORD start = GetTickCount(); next == ORU_STEP_BUSY && GetTickCount() - start < kWaitMs; Sleep(10))
            next = e.GetNextStep(true);
        EXPECT_EQ(c.resumeStep, next);
        const CString fresh = UnpackFolderOf(LastRun());
        EXPECT_NE(m_extract, fresh);
        EXPECT_EQ(fresh, e.GetExtractSFXDir());
        EXPECT_EQ(std::string("planted"), ReadBytes(m_extract + L"msi\\RuntimeProbe.exe"));
    }
}

// The cleanup program deletes the folder the run started from, so it starts only from the
// restart copy, and from a folder of its own under the temporary folder.
TEST_F(CStepsTest, CleanupProgramOnlyFromTheRestartCopyAndFromAFolderOfItsOwn)
{
    const CString temp = m_folder + L"temp\\";
    CreateFolderTree(temp, nullptr);
    CScopedEnvironment tmp(L"TMP", temp), tempVariable(L"TEMP", temp);

    // Started from the setup folder itself (a continuation typed by hand): nothing moves.
    ASSERT_TRUE(CopyInto(L"StandIn.exe", m_program, L"VantolinSetupCleanup.exe"));
    EXPECT_FALSE(Make().StartCleanupProgram());
    EXPECT_TRUE(FileExists(m_program + L"VantolinSetupCleanup.exe"));
    EXPECT_TRUE(Contains(Log(), L"WRN: StartCleanupProgram: the program folder [" + m_program + L"] is not the restart copy"));

    // Started from the restart copy: moved into a new folder of its own, under its own name.
    m_program = m_folder + L"copy\\";
    CreateFolderTree(m_program, nullptr);
    WriteTextFile(m_program + L"oru.ini", "[General]\r\ngeneration=9112s\r\n");
    ASSERT_TRUE(CopyInto(L"StandIn.exe", m_program, L"VantolinSetupCleanup.exe"));
    EXPECT_TRUE(Make().StartCleanupProgram());
    EXPECT_FALSE(FileExists(m_program + L"VantolinSetupCleanup.exe"));
    const CString log = Log();
    const int at = log.Find(L"StartCleanupProgram [");
    ASSERT_GE(at, 0) << log.ToNarrow();
    const int start = at + 21;
    const CString target = log.Mid(start, log.Find(L']', start) - start);
    const CString folder = GetFolderOfPath(target);
    EXPECT_EQ(temp + L"VantolinSetupCleanup", folder.Left(temp.GetLength() + 20)) << target.ToNarrow();
    EXPECT_EQ(L"VantolinSetupCleanup.exe", target.Mid(folder.GetLength()));
    EXPECT_TRUE(FileExists(target));
    CString line;
    line.Format(L"StartCleanupProgram [%s] /p %lu /d \"%s\" started=1", target.GetString(), GetCurrentProcessId(),
                m_program.GetString());
    EXPECT_TRUE(Contains(Log(), line)) << Log().ToNarrow();
}
