// The built controller's main loop under Wine, without the Internet and without a setup archive:
// the run is cancelled, reports so and removes its extraction folder.

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/SavedUserProxy.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <shlobj.h>

// A shortcut that starts the setup silently with /extract_dir: at another product's folder: the
// run is cancelled as any run without the Internet or an archive, and the folder stays.
TEST(MainLoopRun, SilentRunWithoutInternetOrArchiveIsCancelled)
{
    CClosedUserProxy proxy;
    const CString folder = PrepareControllerFolder(L"e2e_loop", L"9301");
    const CString extract = FreshTestFolder(L"e2e_loop_extract") + L"Other Product";
    ASSERT_TRUE(CreateDirectoryW(extract, nullptr));
    ASSERT_TRUE(WriteTextFile(extract + L"\\setup.dat", "another product's"));

    CString text;
    const CControllerRun run = RunController(folder, L"9301", L"/silent /extract_dir:\"" + extract + L"\"",
                                             L"VantolinSetup.exe", IDOK, &text);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_TRUE(Contains(text, L"has been cancelled. Your system has not been modified.")) << text.ToNarrow();

    const CString calls = ReadRefreshRtCalls(folder);
    EXPECT_TRUE(Contains(calls, L"SetIntValue InstallationReturnCode=12\n")) << calls.ToNarrow();
    EXPECT_TRUE(Contains(calls, L"SetStringValue InstallationOrder=1;3;4;5;6;")) << calls.ToNarrow();
    EXPECT_TRUE(Contains(calls, L"SetStringValue InstallationStep=ORU_START\n"));
    EXPECT_TRUE(Contains(calls, L"SetStringValue InstallationDotNet=20:"));
    EXPECT_EQ(1, CountOf(calls, L"InstallationStep=ORU_FINISH\n"));
    EXPECT_TRUE(Contains(calls, L"SetStringValue Lang="));
    // Every event carries the same run id.
    const int first = calls.Find(L"SetStringValue tag=");
    ASSERT_GE(first, 0);
    const CString tagLine = calls.Mid(first, calls.Find(L'\n', first) - first + 1);
    EXPECT_EQ(CountOf(calls, L"SetStringValue tag="), CountOf(calls, tagLine));

    EXPECT_EQ(std::string("another product's"), ReadBytes(extract + L"\\setup.dat")) << "a folder named by a switch stays";
    EXPECT_TRUE(Contains(run.log, L"WRN: CoruApp::ReadCommandLine : ignoring /extract_dir:[" + extract +
                                      L"]: only a continuation names its extraction folder"))
        << run.log.ToNarrow();
    EXPECT_TRUE(Contains(run.log, L"COruProcess::Stop, m_CurrentStep [6]"));
    EXPECT_TRUE(Contains(run.log, L"-->: CoruApp::InitInstance exited\r\n"));
}

TEST(MainLoopRun, ExtractionFolderNamingTheDocumentsKeepsThem)
{
    CClosedUserProxy proxy;
    wchar_t documents[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, TRUE));
    const CString marker = CString(documents) + L"\\vantolin_loop_marker.txt";
    ASSERT_TRUE(WriteTextFile(marker, "keep"));

    const CString folder = PrepareControllerFolder(L"e2e_loop_documents", L"9302");
    const CControllerRun run = RunController(folder, L"9302", CString(L"/silent /extract_dir:\"") + documents + L"\"",
                                             L"VantolinSetup.exe", IDOK);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_TRUE(FileExists(marker)) << "the user's own folder is never removed";
    DeleteFileW(marker);
}

TEST(MainLoopRun, ExtractionFolderHoldingTheProgramIsKept)
{
    const CString folder = PrepareControllerFolder(L"e2e_loop_self", L"9303");
    CString parent = folder.Left(folder.GetLength() - 1);
    const CControllerRun run = RunController(folder, L"9303", L"/silent /extract_dir:\"" + parent + L"\"",
                                             L"VantolinSetup.exe", IDOK);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_TRUE(FileExists(folder + L"VantolinSetup.exe"));
    EXPECT_TRUE(FileExists(folder + L"oru.ini"));
    EXPECT_TRUE(Contains(run.log, L"WRN: CoruApp::ReadCommandLine : ignoring /extract_dir:[" + parent + L"]"));
}
