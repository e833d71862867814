// The built controller's log header and log folder, checked against this test's own calls.

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"
#include "tests/common/Windows.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <vector>

namespace
{
const DWORD kRunTimeoutMs = 60000;

CString FileVersionOf(const CString& path)
{
    DWORD dummy = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path, &dummy));
    VS_FIXEDFILEINFO* pInfo = nullptr;
    UINT len = 0;
    if (data.empty() || !GetFileVersionInfoW(path, 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&pInfo), &len) || !pInfo)
        return CString();
    CString version;
    version.Format(L"%d.%d.%d.%d", HIWORD(pInfo->dwFileVersionMS), LOWORD(pInfo->dwFileVersionMS),
                   HIWORD(pInfo->dwFileVersionLS), LOWORD(pInfo->dwFileVersionLS));
    return version;
}

bool StartsWith(const CString& text, const CString& start)
{
    return text.Left(start.GetLength()) == start;
}

}

TEST(LogHeaderRun, NineLinesInOrderWithThisMachinesValues)
{
    const CString folder = PrepareControllerFolder(L"e2e_logheader", L"9141");
    wchar_t dateBefore[16] = {}, dateAfter[16] = {};
    _wstrdate(dateBefore);
    const CControllerRun run = RunController(folder, L"9141", L"", L"VantolinSetup.exe", IDOK);
    _wstrdate(dateAfter);
    ASSERT_EQ(2u, run.exitCode) << "without the Internet or an archive the run is cancelled";

    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(computer, &n));
    wchar_t user[256] = {};
    n = 256;
    ASSERT_TRUE(GetUserNameW(user, &n));
    DWORD adjustment = 0, increment = 0;
    BOOL disabled = FALSE;
    const bool hasIncrement = GetSystemTimeAdjustment(&adjustment, &increment, &disabled) && increment / 10 > 0;

    const std::vector<CString> lines = TraceLineTexts(run.log);
    ASSERT_GE(lines.size(), 10u) << run.log.ToNarrow(CP_UTF8);
    size_t i = 0;
    EXPECT_EQ(L"INF: Starting ORU2010 version " + FileVersionOf(folder + L"VantolinSetup.exe"), lines[i++]);
    EXPECT_TRUE(lines[i] == CString(L"INF: Start date: ") + dateBefore ||
                lines[i] == CString(L"INF: Start date: ") + dateAfter)
        << lines[i].ToNarrow(CP_UTF8);
    ++i;
    EXPECT_EQ(CString(L"INF: Computer name: ") + computer, lines[i++]);
    EXPECT_TRUE(StartsWith(lines[i], L"INF: OS: Windows ")) << lines[i].ToNarrow(CP_UTF8);
    EXPECT_TRUE(lines[i].Right(12) == L"-bit edition") << lines[i].ToNarrow(CP_UTF8);
    ++i;
    EXPECT_TRUE(StartsWith(lines[i++], L"INF: ServicePack: "));
    EXPECT_EQ(CString(L"INF: User login: ") + user, lines[i++]);
    if (hasIncrement)
    {
        CString expected;
        expected.Format(L"INF: System time (Windows) clock interval: %d [microsec]", static_cast<int>(increment / 10));
        EXPECT_EQ(expected, lines[i++]);
    }
    ASSERT_TRUE(StartsWith(lines[i], L"INF: CPU MHz: ")) << lines[i].ToNarrow(CP_UTF8);
    EXPECT_GT(_wtoi(lines[i].Mid(14)), 0) << lines[i].ToNarrow(CP_UTF8);
    ++i;
    EXPECT_TRUE(StartsWith(lines[i++], L"INF: Build time: "));
    EXPECT_EQ(L"", lines[i++]) << "a blank line closes the header";
}

// The clock is measured at real-time priority; what the user then sees runs at the normal one.
TEST(LogHeaderRun, DialogRunsAtNormalPriority)
{
    const CString folder = PrepareControllerFolder(L"e2e_logheader_priority", L"9142");
    CScopedHandle flag(CreateMutexW(nullptr, TRUE, L"VANTOLIN_INSTANCE9142"));
    ASSERT_TRUE(flag.IsValid());

    CChildProcess process;
    ASSERT_TRUE(process.Start(folder + L"VantolinSetup.exe", L"", folder));
    HWND hDlg = WaitForRunDialog(process.GetPid(), 30000);
    ASSERT_NE(nullptr, hDlg);
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), GetPriorityClass(process.GetHandle()));
    const DWORD threadId = GetWindowThreadProcessId(hDlg, nullptr);
    CScopedHandle thread(OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId));
    ASSERT_TRUE(thread.IsValid());
    EXPECT_EQ(THREAD_PRIORITY_NORMAL, GetThreadPriority(thread.Get()));
    PressDialogButton(hDlg, IDCANCEL);
    EXPECT_EQ(2u, process.Wait(kRunTimeoutMs));
}

// Without a product folder the log goes to the temporary folder, never to the working folder
// (the system folder when started through RunOnce).
TEST(LogHeaderRun, NoProductFolderLogsToTheTemporaryFolder)
{
    const CString folder = PrepareControllerFolder(L"e2e_logheader_folder", L"9143");
    const CString temp = FreshTestFolder(L"e2e_logheader_folder_temp");
    wchar_t appData[MAX_PATH + 1] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    const CString quillmark = CString(appData) + L"\\Quillmark";
    CreateDirectoryW(quillmark, nullptr);
    const CString blocker = quillmark + L"\\Vantolin_9143";
    ASSERT_TRUE(WriteTextFile(blocker, "a file where the product folder belongs"));

    CChildProcess process;
    {
        CScopedEnvironment tempVar(L"TEMP", temp), tmpVar(L"TMP", temp);
        ASSERT_TRUE(process.Start(folder + L"VantolinSetup.exe", L"", folder));
    }
    // The run ends cancelled (no Internet, no archive) and says so.
    HWND hFinish = WaitForRunDialog(process.GetPid(), 30000);
    EXPECT_NE(nullptr, hFinish);
    if (hFinish)
        PressDialogButton(hFinish, IDOK);
    const DWORD code = process.Wait(kRunTimeoutMs);
    DeleteFileW(blocker);
    EXPECT_EQ(2u, code);

    CString pattern;
    pattern.Format(L"Log_oru_*_%X.txt", process.GetPid());
    const CStringArray logs = ListFiles(temp + L"setup\\" + pattern);
    ASSERT_EQ(1, logs.GetSize());
    const CString log = ReadUtf16File(temp + L"setup\\" + logs[0]);
    EXPECT_TRUE(Contains(log, L"INF: Starting ORU2010 version ")) << log.ToNarrow(CP_UTF8);
    EXPECT_TRUE(Contains(log, L"CoruApp::InitInstance exited"));
    EXPECT_TRUE(ListFiles(folder + L"Log_oru*").IsEmpty());
    EXPECT_FALSE(PathExistsHere(folder + L"setup"));
}
