// Whole installations by the built controller from a local setup folder: the setup archive is
// unpacked, the prerequisites and the product's package run, the post-installation list runs,
// the product's registry values are written and the extraction folder is removed. Online, the
// archive comes from the test HTTP server through the user's proxy.

#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "support/Registry.h"
#include "tests/common/ControllerRun.h"
#include "tests/common/HttpTestServer.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/SavedUserProxy.h"
#include "tests/common/SetupFolder.h"
#include "tests/common/TestArea.h"
#include "tests/common/Windows.h"
#include "workers/CheckInternetConnection.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace
{
const wchar_t* const kGeneration = kSetupGeneration;
const wchar_t* const kController = kSetupController;
const wchar_t* const kLauncher = kSetupLauncher;
const wchar_t* const kCommonKey = kSetupCommonKey;

struct CContinuation
{
    DWORD exitCode = STILL_ACTIVE;
    DWORD pid = 0;
    bool bMessageAnswered = false;
};

// Runs a continuation's command line in the folder as RunOnce starts it (the value goes first)
// and waits at most two minutes for its end, answering the message of a failed run.
CContinuation RunContinuation(const CString& command, const CString& folder)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0, KEY_SET_VALUE,
                      &hKey) == ERROR_SUCCESS)
    {
        RegDeleteValueW(hKey, L"RunOruInstaller");
        RegCloseKey(hKey);
    }
    ClearGenerationLogs();
    CContinuation result;
    STARTUPINFOW si = { sizeof(si) };
    PROCESS_INFORMATION pi = {};
    std::wstring line(command.GetString());
    EXPECT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi));
    if (!pi.hProcess)
        return result;
    CScopedHandle process(pi.hProcess), thread(pi.hThread);
    result.pid = pi.dwProcessId;
    for (const DWORD start = GetTickCount();
         WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT && GetTickCount() - start < 120000;)
    {
        HWND hDlg = WaitForProcessDialog(pi.dwProcessId, 200);
        if (hDlg)
        {
            PressDialogButton(hDlg, IDOK);
            result.bMessageAnswered = true;
        }
    }
    if (WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.Get(), &result.exitCode);
    else
        TerminateProcess(process.Get(), 99);
    return result;
}

struct CAnsweredRun
{
    DWORD exitCode = STILL_ACTIVE;
    // The texts of the boxes the run showed, in their order.
    std::vector<CString> boxes;
};

// Runs the controller itself and answers every box it shows (a silent run shows the boxes of
// its failures), at most two minutes.
CAnsweredRun RunAnsweringBoxes(const CString& folder, const wchar_t* pszExe, const CString& args)
{
    CAnsweredRun result;
    CChildProcess process;
    EXPECT_TRUE(process.Start(folder + pszExe, args, folder));
    if (!process.GetHandle())
        return result;
    for (const DWORD start = GetTickCount();
         WaitForSingleObject(process.GetHandle(), 0) == WAIT_TIMEOUT && GetTickCount() - start < 120000;)
    {
        HWND hDlg = WaitForProcessDialog(process.GetPid(), 200);
        if (!hDlg)
            continue;
        result.boxes.push_back(GetDialogText(hDlg));
        PressDialogButton(hDlg, IDOK);
        for (int i = 0; i < 250 && IsWindow(hDlg); ++i)
            Sleep(20);
    }
    result.exitCode = process.Wait(0);
    if (result.exitCode == STILL_ACTIVE)
        TerminateProcess(process.GetHandle(), 99);
    return result;
}

// The folder a quick installation of the package installs into (its advertised version is 9).
CString QuickInstallFolder()
{
    wchar_t programFiles[MAX_PATH + 1] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
    return CString(programFiles) + L"\\Vantolin\\Vantolin 9";
}

class InstallationRun : public CSetupFolderTest
{
};
}

TEST_F(InstallationRun, OfflineInstallationFromTheSetupArchive)
{
    const struct
    {
        const char* name;
        const char* ini;
        const wchar_t* affiliate; // the product's affiliate id afterwards
    } cases[] = {
        // The id comes from the name of the program that started the setup.
        { "id from the launcher's name", "", L"AB12 " },
        // oru.ini names one: the run's settings patch hands it to the product.
        { "id from oru.ini", "affiliateID=5150\r\n", L"5150" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const CString folder = PrepareFolder(L"steps_install", c.ini);
        const CControllerRun run = RunController(folder, kGeneration, L"/silent /quickmode:1 /view:9", kLauncher);
        EXPECT_EQ(0u, run.exitCode);
        // The run's own log (the process started was the launcher).
        const CString log = ReadGenerationLogs();

        const CString calls = ReadRefreshRtCalls(folder);
        const CString order = Between(calls, L"SetStringValue InstallationOrder=", L"\n");
        const CString tail(L"13;14;15;19;20;21;22;25;26;27;28;29;30;31;");
        EXPECT_TRUE(order.GetLength() > tail.GetLength() && order.Right(tail.GetLength()) == tail) << order.ToNarrow();
        EXPECT_TRUE(Contains(calls, L"SetIntValue InstallationReturnCode=10\n"));

        // The package ran with the folder of the setup and installed its file.
        const CString appDir = Between(log, L"APPDIR=\"", L"\"");
        EXPECT_TRUE(FileExists(appDir + L"\\readme.txt")) << appDir.ToNarrow();
        // The first round of the post-installation step leaves the generation for the product
        // (two ANSI lines, nothing else) and the controller's settings for its updates.
        EXPECT_EQ(std::string("[Settings]\r\ngeneration=9111i\r\n"), ReadBytes(appDir + L"\\generation.ini"));
        wchar_t stored[64] = {};
        GetPrivateProfileStringW(L"General", L"generation", L"", stored, 64, appDir + L"\\Update\\oru.ini");
        EXPECT_EQ(CString(L"9111i"), CString(stored));
        EXPECT_NE(std::string::npos, ReadBytes(appDir + L"\\Update\\oru.ini").find("[General]"));

        // The archive was given the folder and the silent switch as two arguments.
        const CString archiveRecord = ReadUtf16File(folder + L"VantolinSetupArchive.exe.record.txt");
        const CString extractDir = Between(archiveRecord, L"Argument=-d", L"\r\n");
        EXPECT_TRUE(Contains(archiveRecord, L"\r\nArgument=-s\r\n")) << archiveRecord.ToNarrow();
        EXPECT_EQ(L'\\', extractDir[extractDir.GetLength() - 1]) << extractDir.ToNarrow();
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(extractDir)) << "the extraction folder is removed: " << extractDir.ToNarrow();

        // Each post-installation command ran once. The page of a silent run is hidden but
        // exists: the switch carries its window as eight upper-case hexadecimal digits.
        const CString first = ReadUtf16File(folder + L"PostStepA.record.txt");
        EXPECT_EQ(1, CountOf(first, L"CommandLine=")) << first.ToNarrow();
        const CString handle = Between(first, L"/first -hwndoru:", L"\r\n");
        EXPECT_EQ(8, handle.GetLength()) << first.ToNarrow();
        EXPECT_EQ(handle.GetLength(), static_cast<int>(wcsspn(handle, L"0123456789ABCDEF"))) << first.ToNarrow();
        EXPECT_NE(CString(L"00000000"), handle) << first.ToNarrow();
        EXPECT_FALSE(Contains(log, L"ERR: The progress dialog no longer exists in COruProcess::Step_PostInstallationStepsAdminLevel"));
        const CString second = ReadUtf16File(folder + L"PostStepB.record.txt");
        EXPECT_EQ(1, CountOf(second, L"CommandLine=")) << second.ToNarrow();
        EXPECT_TRUE(Contains(second, L"/second")) << second.ToNarrow();

        // The product's registry values.
        EXPECT_EQ(CString(L"9"), GetRegString(HKEY_LOCAL_MACHINE, kCommonKey, L"InstalledVantolinView", 0));
        EXPECT_EQ(CString(c.affiliate ? c.affiliate : L""), GetRegString(HKEY_LOCAL_MACHINE, kCommonKey, L"AffiliateId", 0));
        EXPECT_TRUE(Contains(log, L"GetNameOfParentProcess name of parent process is [VantolinSetup__AB12 (1).exe]") ||
                    CString(c.affiliate) == L"5150")
            << log.ToNarrow();
    }
}

TEST_F(InstallationRun, RestartAndContinuation)
{
    const wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    const struct
    {
        const char* name;
        const char* ini;
        DWORD continuationExit;
        const wchar_t* continuationOrder; // its start
    } cases[] = {
        // The continuation resumes at the .NET check and ends the installation. The first run's
        // extraction folder is no elevated run's own under Wine (every folder is this user's):
        // the continuation leaves it and unpacks the copy's archive afresh first.
        { "advertising on", "show_advertise_dlg=1\r\n", 0, L"1;13;14;21;22;25;26;27;28;29;30;31;" },
        // Without it the continuation runs the steps again: .NET asks for a second restart.
        { "advertising off", "show_advertise_dlg=0\r\n", 1, L"1;3;4;5;6;13;14;15;19;20;21;22;30;" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        // The cleanup program (a stand-in here) removes the restart copy after a continuation: a
        // copy left from before is this user's under Wine, which the run refuses to copy into.
        RemoveRestartCopy();
        const CString folder = PrepareFolder(L"steps_restart", c.ini, L"restart");
        const CControllerRun run = RunController(folder, kGeneration, L"/silent /quickmode:1", kController);
        EXPECT_EQ(0u, run.exitCode);
        const CString log = ReadGenerationLogs();
        CString calls = ReadRefreshRtCalls(folder);
        const CString order = Between(calls, L"SetStringValue InstallationOrder=", L"\n");
        const CString tail(L";19;20;21;22;40;41;");
        EXPECT_TRUE(order.GetLength() > tail.GetLength() && order.Right(tail.GetLength()) == tail) << order.ToNarrow();
        EXPECT_TRUE(Contains(calls, L"SetIntValue InstallationReturnCode=30\n"));

        // The extraction folder stays for the continuation; the setup folder is copied.
        const CString archiveRecord = ReadUtf16File(folder + L"VantolinSetupArchive.exe.record.txt");
        const CString extractDir = Between(archiveRecord, L"Argument=-d", L"\r\n");
        EXPECT_TRUE(FileExists(extractDir + L"msi\\VantolinSetup.msi")) << extractDir.ToNarrow();
        const CString copyDir = Between(log, L"Copy folder for restart [" + folder + L"] -> [", L"]");
        EXPECT_TRUE(FileExists(copyDir + L"oru.ini")) << copyDir.ToNarrow();

        // The RunOnce command: the quoted program of the copy and the switches of the continuation.
        const CString command = GetRegString(HKEY_LOCAL_MACHINE, kRunOnceKey, L"RunOruInstaller", 0);
        const CString expected = L"\"" + copyDir + kController + L"\" /restart:DotNetRestart /lang:1033 /quickmode:1 /extract_dir:\"" +
                                 extractDir + L"\\\"";
        EXPECT_EQ(expected, command);

        // Started as RunOnce starts it. Not silent: a failed continuation says so in a message.
        const CContinuation continuation = RunContinuation(command, copyDir);
        EXPECT_EQ(c.continuationExit != 0, continuation.bMessageAnswered);
        EXPECT_EQ(c.continuationExit, continuation.exitCode);
        calls = ReadRefreshRtCalls(copyDir);
        EXPECT_TRUE(Contains(calls, CString(L"SetStringValue InstallationOrder=") + c.continuationOrder)) << calls.ToNarrow();
        EXPECT_EQ(CString(), GetRegString(HKEY_LOCAL_MACHINE, kRunOnceKey, L"RunOruInstaller", 0));

        // After a continuation the cleanup program gets this process and the copied folder.
        const CString second = ReadGenerationLogs();
        const CString cleanup = Between(second, L"StartCleanupProgram [", L"]");
        CString arguments;
        arguments.Format(L"] /p %lu /d \"%s\" started=1", continuation.pid, copyDir.GetString());
        EXPECT_TRUE(Contains(second, arguments)) << second.ToNarrow();
        CString record;
        for (int i = 0; i < 100 && !Contains(record = ReadUtf16File(cleanup + L".record.txt"), L"Argument=/d"); ++i)
            Sleep(100);
        EXPECT_TRUE(Contains(record, L"\r\nArgument=/p\r\n")) << record.ToNarrow();
        EXPECT_TRUE(Contains(second, L"WRN: CoruApp::ReadCommandLine : ignoring /extract_dir:[" + extractDir));
        EXPECT_TRUE(Contains(second, L"is not the setup's own")) << second.ToNarrow();
        // Left by the continuation as not its own; the fresh one it unpacked to is removed.
        EXPECT_TRUE(FileExists(extractDir + L"msi\\VantolinSetup.msi"));
        RemoveDirectoryRec(extractDir);
        EXPECT_TRUE(Contains(record, L"\r\nArgument=" + copyDir.Left(copyDir.GetLength() - 1) + L"\"\r\n") ||
                    Contains(record, L"\r\nArgument=" + copyDir + L"\r\n"))
            << record.ToNarrow();
    }
}

TEST_F(InstallationRun, SelfUpdateHandsOverToTheNewerController)
{
    const wchar_t kWindowPosKey[] = L"Software\\Quillmark\\ORU_WindowPos";
    const CString folder = PrepareFolder(L"steps_update", "");
    CreateDirectoryW(folder + L"OruUpdate", nullptr);
    ASSERT_TRUE(CopyFileW(BinFolder() + L"..\\fixtures\\steps\\update\\VantolinSetupUpdate.exe",
                          folder + L"OruUpdate\\VantolinSetupUpdate.exe", FALSE));
    // The running copy is older: it ends with bytes the newer one does not have.
    const std::string marker = "older controller";
    HANDLE h = CreateFileW(folder + kController, FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, marker.data(), static_cast<DWORD>(marker.size()), &written, nullptr);
    CloseHandle(h);
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, kWindowPosKey, L"XPos", REG_SZ, L"x", nullptr, 0));

    const CControllerRun run = RunController(folder, kGeneration, L"/silent /quickmode:1", kController);
    EXPECT_EQ(0u, run.exitCode);
    const CString calls = ReadRefreshRtCalls(folder);
    const CString order = Between(calls, L"SetStringValue InstallationOrder=", L"\n");
    EXPECT_EQ(CString(L"1;3;4;5;6;13;14;"), order);
    const CString first = ReadControllerLog(kGeneration, run.pid);
    EXPECT_TRUE(Contains(first, L"Running new ORU to update the current instance, command:[" + folder +
                                    L"OruUpdate\\VantolinSetupXP.exe] params:[/restart:Update /pid:"))
        << first.ToNarrow();
    EXPECT_FALSE(Contains(first, L"CoruApp::FinishedInstallation")) << "no finish message";
    EXPECT_FALSE(FileExists(folder + L"OruUpdate\\VantolinSetupUpdate.exe")) << "the downloaded file is deleted";

    // The newer copy replaces the program file and starts it; that run installs, its pages
    // answered.
    const CString updated = WaitForRunLog(
        kGeneration, [](const CString& text) { return Contains(text, L"-restart=UpdateReady"); }, 180000);
    ASSERT_FALSE(updated.IsEmpty()) << "the updated controller's run did not end";
    const std::string program = ReadBytes(folder + kController);
    EXPECT_NE(marker, program.substr(program.size() - marker.size())) << "the program file is the newer one";
    EXPECT_TRUE(Contains(updated, L"CoruApp::CreateMainWindow : pages at [")) << updated.ToNarrow();
    EXPECT_TRUE(Contains(updated, L"ORU restarted after a self-update, cleanup folder " + folder + L"OruUpdate\\"));
    EXPECT_FALSE(FileExists(folder + L"OruUpdate\\VantolinSetupXP.exe"));
    const CString after = ReadRefreshRtCalls(folder);
    EXPECT_TRUE(Contains(after, L"SetStringValue InstallationOrder=1;3;4;5;6;13;14;15;19;20;21;22;25;26;27;28;29;30;31;\n"))
        << after.ToNarrow();
    DWORD x = 0;
    EXPECT_FALSE(ReadRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"XPos", x, 0)) << "deleted at the end of the run";
}

// No archive in the setup folder: the run checks the Internet through the user's proxy (mode 1),
// downloads the archive named by oru.ini's address, checks its signature, then unpacks and installs
// as offline. An unsigned controller takes any valid signature, a signed one only its own signer's;
// an archive that fails the check fails each of the three attempts and is not kept.
TEST_F(InstallationRun, OnlineInstallationThroughTheUsersProxy)
{
    const struct
    {
        const char* name;
        const wchar_t* controller; // a fixture under D:\fixtures, or the built (unsigned) one
        const char* file;
        DWORD exitCode;
        int attempts;
    } cases[] = {
        { "unsigned_controller", nullptr, "online_signed_other.exe", 0, 1 },
        { "same_signer", L"steps\\signed", "online_signed_same.exe", 0, 1 },
        { "other_signer", L"steps\\signed", "online_signed_other.exe", 1, 3 },
        { "tampered", nullptr, "online_tampered.exe", 1, 3 },
        // A controller whose own signature cannot be verified takes no download at all.
        { "unverifiable_controller", L"damaged\\altered", "online_signed_same.exe", 1, 3 },
    };
    CSavedUserProxy saved;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        // Each installation is a first one: a copy left installed would keep the files it checks.
        RemoveInstalledProducts();
        const std::string tag = RunTag((std::string("online_") + c.name).c_str());
        // Only the last probed site answers: every one of them is asked, through the proxy.
        const char* const* hosts = GetInternetCheckHosts();
        std::string script;
        for (int i = 0; hosts[i]; ++i)
            script += std::string(hosts[i]) + (hosts[i + 1] ? "=close&" : "=ok&");
        // The proxy logs under a tag of its own: the server's address names the other one, which
        // would log requests that passed the proxy by.
        const std::string proxyTag = tag + "_proxy";
        const std::string proxy = NewProxy(proxyTag, script + "127.0.0.1=serve&*=close");
        ASSERT_FALSE(proxy.empty()) << "run through ctest, which starts the test server";
        ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", 1, nullptr, 0));
        ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kInternetSettings, L"ProxyServer", REG_SZ,
                                   CString::FromNarrow(proxy), nullptr, 0));

        const std::string ini = "url=" + ServerUrl(tag, std::string("file/") + c.file) + "\r\n";
        const CString folder = PrepareFolder(L"steps_online", ini.c_str());
        ASSERT_TRUE(DeleteFileW(folder + L"VantolinSetupArchive.exe"));
        if (c.controller)
            ASSERT_TRUE(CopyFileW(BinFolder() + L"..\\fixtures\\" + c.controller + L"\\" + kController, folder + kController, FALSE));
        // A failed run says so even when silent: its message is answered.
        CString text;
        const CControllerRun run = RunController(folder, kGeneration, L"/silent /quickmode:1 /view:9", kController,
                                                 c.exitCode == 0 ? 0 : IDOK, &text);
        EXPECT_EQ(c.exitCode, run.exitCode);
        const CString log = ReadGenerationLogs();

        EXPECT_FALSE(Contains(ReadServerLog(tag), L"downloadTry=")) << "every request goes through the proxy";
        const CString requests = ReadServerLog(proxyTag);
        for (int i = 0; hosts[i]; ++i)
            EXPECT_TRUE(Contains(requests, L"HEAD http://" + CString::FromNarrow(hosts[i]))) << hosts[i];
        EXPECT_EQ(c.attempts, CountOf(requests, L"&downloadTry=")) << requests.ToNarrow();
        for (int attempt = 1; attempt <= c.attempts; ++attempt)
        {
            CString query;
            query.Format(L"&downloadTry=%d", attempt);
            EXPECT_TRUE(Contains(requests, query)) << attempt << " " << requests.ToNarrow();
        }
        const CString calls = ReadRefreshRtCalls(folder);
        if (c.exitCode == 0)
        {
            EXPECT_TRUE(Contains(calls, L"SetStringValue InstallationOrder=1;3;4;5;6;10;13;14;15;19;20;21;22;25;26;27;28;29;30;31;\n"))
                << calls.ToNarrow();
            const CString appDir = Between(log, L"APPDIR=\"", L"\"");
            EXPECT_TRUE(FileExists(appDir + L"\\readme.txt")) << appDir.ToNarrow();
            EXPECT_EQ(CString(L"9"), GetRegString(HKEY_LOCAL_MACHINE, kCommonKey, L"InstalledVantolinView", 0));
        }
        else
        {
            EXPECT_TRUE(Contains(log, L"COruHttpDownloader::Download signature failed")) << log.ToNarrow();
            if (c.controller && Contains(CString(c.controller), L"damaged"))
                EXPECT_EQ(3, CountOf(log, L"ERR: VerifyEmbeddedSignature: the signature of this program cannot be verified, no file is accepted"))
                    << log.ToNarrow();
            EXPECT_FALSE(FileExists(folder + L"VantolinSetupArchive.exe")) << "the failed download is not kept";
            EXPECT_FALSE(FileExists(folder + L"VantolinSetupArchive.exe.record.txt")) << "nothing was unpacked";
            // Three failed attempts are a failure, not a cancel.
            EXPECT_TRUE(Contains(calls, L"SetStringValue InstallationOrder=1;3;4;5;6;10;10;10;30;\n")) << calls.ToNarrow();
            EXPECT_TRUE(Contains(calls, L"SetIntValue InstallationReturnCode=11\n")) << calls.ToNarrow();
            EXPECT_TRUE(Contains(text, L"has failed. Your system has not been modified.")) << text.ToNarrow();
        }
    }
}

// The archive beside the program and the update program in OruUpdate\ are checked as a download
// is: one that fails is not run, and the run fails (exit code 1). A controller whose own
// signature cannot be verified refuses every archive, even one of its own signer.
TEST_F(InstallationRun, LocalProgramsThatFailTheirCheckAreNotRun)
{
    const struct
    {
        const char* name;
        const wchar_t* controller; // under D:\fixtures; none: the built (unsigned) one
        const wchar_t* archive;    // under D:\; none: the signed archive of the setup folder
        const wchar_t* update;     // under D:\, as OruUpdate\VantolinSetupUpdate.exe
        const wchar_t* logged;
    } cases[] = {
        { "unsigned update program", nullptr, nullptr, L"fixtures\\steps\\update\\update_unsigned.exe",
          L"ERR: Step_SelfUpdateOrExtract: the downloaded controller [" },
        { "update program of another signer", L"steps\\signed", nullptr, L"fixtures\\steps\\update\\update_signed_other.exe",
          L"ERR: VerifyEmbeddedSignature: The file is signed by [CN=Vantolin Test Signer B" },
        { "tampered archive", nullptr, L"httpserver\\files\\online_tampered.exe", nullptr,
          L"VerifyEmbeddedSignature: The signature of the file is invalid [" },
        { "archive of another signer", L"steps\\signed", L"httpserver\\files\\online_signed_other.exe", nullptr,
          L"ERR: VerifyEmbeddedSignature: The file is signed by [CN=Vantolin Test Signer B" },
        { "unverifiable controller, archive of another signer", L"damaged\\altered",
          L"httpserver\\files\\online_signed_other.exe", nullptr,
          L"ERR: GetOwnSignerRule: the signature of the program cannot be verified (0x80096010)" },
        { "controller with bytes appended, archive of its own signer", L"damaged\\appended", nullptr, nullptr,
          L"ERR: VerifyEmbeddedSignature: the signature of this program cannot be verified, no file is accepted" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const CString folder = PrepareFolder(L"steps_refused", "");
        if (c.controller)
            ASSERT_TRUE(CopyFileW(BinFolder() + L"..\\fixtures\\" + c.controller + L"\\" + kController, folder + kController, FALSE));
        if (c.archive)
            ASSERT_TRUE(CopyFileW(BinFolder() + L"..\\" + c.archive, folder + L"VantolinSetupArchive.exe", FALSE));
        const CString update = folder + L"OruUpdate\\VantolinSetupUpdate.exe";
        if (c.update)
        {
            CreateDirectoryW(folder + L"OruUpdate", nullptr);
            ASSERT_TRUE(CopyFileW(BinFolder() + L"..\\" + c.update, update, FALSE));
        }
        CString text;
        const CControllerRun run = RunController(folder, kGeneration, L"/silent /quickmode:1", kController, IDOK, &text);
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_TRUE(Contains(run.log, c.logged)) << run.log.ToNarrow();
        EXPECT_TRUE(Contains(run.log, c.update ? L"] failed its check, setup fails!" : L"ERR: Step_SelfUpdateOrExtract: the setup archive ["))
            << run.log.ToNarrow();
        EXPECT_FALSE(FileExists(folder + L"VantolinSetupArchive.exe.record.txt")) << "the archive did not run";
        EXPECT_FALSE(FileExists(update + L".record.txt")) << "the update program did not run";
        EXPECT_FALSE(Contains(run.log, L"Running new ORU"));
        const CString calls = ReadRefreshRtCalls(folder);
        EXPECT_TRUE(Contains(calls, L"SetStringValue InstallationOrder=1;3;4;5;6;13;14;30;\n")) << calls.ToNarrow();
        EXPECT_TRUE(Contains(calls, L"SetIntValue InstallationReturnCode=11\n")) << calls.ToNarrow();
        EXPECT_FALSE(Contains(run.log, L"Step_LaunchPCInstallation [")) << "nothing was installed";
    }
}

// The hand-over to the real cleanup program after a continuation: the restart copy outlives the
// controller and is gone within two minutes, removed by the cleanup program from a folder of
// its own under the temporary folder; the original setup folder stays. A continuation started
// from the original folder starts no cleanup at all.
TEST_F(InstallationRun, CleanupProgramRemovesTheRestartCopyAfterTheContinuation)
{
    const wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    const CString localCommon = L"Software\\Quillmark\\Vantolin_9111i\\Common";
    // Every working folder of the runs, and so everything the cleanup program may delete, lies
    // in the test area.
    const CString temp = FreshTestFolder(L"steps_handover_temp");
    CScopedEnvironment tmp(L"TMP", temp), tempVariable(L"TEMP", temp);
    ASSERT_TRUE(WriteUserRegString(localCommon, L"TempFolder", temp));
    const CString folder = PrepareFolder(L"steps_handover", "show_advertise_dlg=1\r\n", L"restart");
    ASSERT_TRUE(CopyInto(L"VantolinSetupCleanup.exe", folder));

    const CControllerRun run = RunController(folder, kGeneration, L"/silent /quickmode:1", kController);
    EXPECT_EQ(0u, run.exitCode);
    const CString copyDir = Between(ReadGenerationLogs(), L"Copy folder for restart [" + folder + L"] -> [", L"]");
    ASSERT_EQ(temp + L"Installer\\", copyDir) << "the restart copy must lie in the test area";
    const CString command = GetRegString(HKEY_LOCAL_MACHINE, kRunOnceKey, L"RunOruInstaller", 0);
    ASSERT_EQ(0, command.Find(L"\"" + copyDir + kController + L"\" /restart:DotNetRestart ")) << command.ToNarrow();

    // Started as RunOnce starts it: the copy goes after the continuation has ended.
    EXPECT_EQ(0u, RunContinuation(command, copyDir).exitCode);
    EXPECT_TRUE(FileExists(copyDir + L"oru.ini")) << "the copy outlives the controller";

    const CString cleanup = Between(ReadGenerationLogs(), L"StartCleanupProgram [", L"]");
    EXPECT_EQ(temp + L"VantolinSetupCleanup", cleanup.Left(temp.GetLength() + 20)) << cleanup.ToNarrow();
    EXPECT_EQ(L"\\VantolinSetupCleanup.exe", cleanup.Right(25)) << cleanup.ToNarrow();
    EXPECT_TRUE(FileExists(cleanup));
    bool gone = false;
    for (int i = 0; i < 1200 && !gone; ++i)
    {
        gone = !PathExistsHere(copyDir);
        if (!gone)
            Sleep(100);
    }
    EXPECT_TRUE(gone) << "the restart copy is still there after two minutes";

    // The same continuation started from the original folder: the cleanup is not started,
    // nothing is moved.
    const CString switches = command.Mid(command.Find(L"\" /restart") + 2) + L" /silent";
    // Its extraction folder went with the first continuation: it fails, and says so.
    RunContinuation(L"\"" + folder + kController + L"\" " + switches, folder);
    EXPECT_TRUE(Contains(ReadGenerationLogs(), L"WRN: StartCleanupProgram: the program folder [" + folder + L"] is not the restart copy"))
        << ReadGenerationLogs().ToNarrow();

    for (const wchar_t* name : { L"oru.ini", L"VantolinSetupCleanup.exe", L"VantolinSetupArchive.exe" })
        EXPECT_TRUE(FileExists(folder + name)) << CString(name).ToNarrow();
    DeleteUserRegValue(localCommon, L"TempFolder");
}

// Silent runs that fail: a step that cannot start, a post-installation file that cannot be written
// after the package was installed. Each box is answered; the finish says the system is unchanged
// only when the package did not stay.
TEST_F(InstallationRun, SilentRunsThatFail)
{
    const struct
    {
        const char* name;
        const wchar_t* archive;
        bool blockGenerationFile;
        DWORD exitCode;
        const wchar_t* returnCode;
        std::vector<const wchar_t*> boxes; // a text each box holds, in their order
        bool packageStays;
        const wchar_t* logged;
    } cases[] = {
        // The checker finds no runtime and the archive has no installer of it.
        { "no runtime package", L"noruntime", false, 1, L"11",
          { L"The Setup Wizard could not start the Windows Installer engine to intall your product",
            L"has failed. Your system has not been modified." },
          false, L"step 23 could not be started, the run fails" },
        // A folder in the file's place: the package is installed by then and stays.
        { "generation.ini blocked", L"install", true, 1, L"11",
          { L"has failed after the product was installed. The product stays installed" }, true,
          L"PostInstallationStepProgress: Failed to create generation.ini!" },
    };
    const CString generationFile = QuickInstallFolder() + L"\\generation.ini";
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        RemoveInstalledProducts();
        const CString folder = PrepareFolder(L"steps_silent_failures", "", c.archive);
        if (c.blockGenerationFile)
        {
            // An earlier installation's file stays: the controller wrote it, not the package.
            DeleteFileW(generationFile);
            ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, generationFile, nullptr));
        }
        const CAnsweredRun run = RunAnsweringBoxes(folder, kController, L"/silent /quickmode:1");
        const bool blocked = FolderExists(generationFile);
        if (c.blockGenerationFile)
            RemoveDirectoryW(generationFile);
        EXPECT_EQ(c.exitCode, run.exitCode);
        ASSERT_EQ(c.boxes.size(), run.boxes.size())
            << (run.boxes.empty() ? std::string() : run.boxes.front().ToNarrow() + " ... " + run.boxes.back().ToNarrow());
        for (size_t i = 0; i < c.boxes.size(); ++i)
            EXPECT_TRUE(Contains(run.boxes[i], c.boxes[i])) << run.boxes[i].ToNarrow();
        const CString calls = ReadRefreshRtCalls(folder);
        EXPECT_TRUE(Contains(calls, CString(L"SetIntValue InstallationReturnCode=") + c.returnCode + L"\n"))
            << calls.ToNarrow();
        const CString log = ReadGenerationLogs();
        EXPECT_TRUE(Contains(log, c.logged)) << log.ToNarrow();
        const CString appDir = Between(log, L"APPDIR=\"", L"\"");
        EXPECT_EQ(c.packageStays, FileExists(appDir + L"\\readme.txt")) << appDir.ToNarrow();
        if (c.blockGenerationFile)
        {
            EXPECT_TRUE(blocked);
            EXPECT_EQ(QuickInstallFolder(), appDir) << "the file was blocked where the package installed";
        }
        // A package left installed keeps the run's changes with it.
        EXPECT_EQ(c.packageStays, Contains(log, L"its configuration changes are kept"));
    }
}

