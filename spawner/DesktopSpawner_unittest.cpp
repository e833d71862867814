// The desktop-user launcher: through the library as the controller loads it, and linked into
// this program where its log lines can be read. The whole program holds the controller_instance
// lock: the desktop's shell window is one for every process.
#include "spawner/DesktopSpawner.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestShell.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
const wchar_t kChildCommandLine[] = L"Vantolin.exe -StartedByORU -hwndoru:0000ABCD";

struct CLaunch
{
    bool result = false;
    PROCESS_INFORMATION info;
    CLaunch() { FillMemory(&info, sizeof(info), 0xCC); }
};

CLaunch Launch(RunAsDesktopUserFn pfn, const CString& application, const CString& folder)
{
    std::vector<wchar_t> cmdLine(kChildCommandLine, kChildCommandLine + wcslen(kChildCommandLine) + 1);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    CLaunch launch;
    launch.result = pfn(application, cmdLine.data(), folder, &si, &launch.info);
    return launch;
}

bool IsZero(const PROCESS_INFORMATION& info)
{
    const PROCESS_INFORMATION zero = {};
    return memcmp(&info, &zero, sizeof(info)) == 0;
}

// Wine's GetProcessHandleCount answers 0: the open handles are counted by probing their values.
DWORD HandleCount()
{
    DWORD count = 0, flags = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    return count;
}

class DesktopSpawnerTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "spawner_"; }
    // The stand-in product in a folder with a blank, and a working folder of its own.
    void PrepareProduct()
    {
        m_appFolder = m_folder + L"app folder\\";
        m_workFolder = m_folder + L"work";
        CreateDirectoryW(m_appFolder, nullptr);
        CreateDirectoryW(m_workFolder, nullptr);
        ASSERT_TRUE(CopyInto(L"Vantolin.exe", m_appFolder));
    }
    CString m_appFolder;
    CString m_workFolder;
};

TEST_F(DesktopSpawnerTest, WithoutShellFailsBeforeAnyToken)
{
    ASSERT_TRUE(WaitForNoShellWindow(20000)) << "a shell window is left from another program";
    PrepareProduct();
    const CLaunch launch = Launch(RunAsDesktopUser, m_appFolder + L"Vantolin.exe", m_workFolder);
    EXPECT_FALSE(launch.result);
    EXPECT_TRUE(IsZero(launch.info));
    EXPECT_TRUE(Contains(Log(), L"No desktop shell is present"));
    EXPECT_FALSE(Contains(Log(), L"primary token"));
}

TEST_F(DesktopSpawnerTest, StartsTheProgramThroughTheLibrary)
{
    PrepareProduct();
    CTestShell shell;
    ASSERT_TRUE(shell.Start());

    // As the controller loads it: by full path, the export by name.
    CScopedLibrary library(LoadLibraryW(BinFolder() + L"DesktopSpawner.dll"));
    ASSERT_TRUE(library.IsValid());
    RunAsDesktopUserFn pfn = reinterpret_cast<RunAsDesktopUserFn>(GetProcAddress(library.Get(), "RunAsDesktopUser"));
    ASSERT_NE(nullptr, pfn);

    const DWORD before = HandleCount();
    CLaunch launch = Launch(pfn, m_appFolder + L"Vantolin.exe", m_workFolder);
    ASSERT_TRUE(launch.result);
    CScopedHandle process(launch.info.hProcess), thread(launch.info.hThread);
    EXPECT_NE(0u, launch.info.dwProcessId);
    EXPECT_NE(0u, launch.info.dwThreadId);
    EXPECT_EQ(before + 2, HandleCount()) << "only the returned process and thread handles stay open";
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 30000));
    EXPECT_NE(WAIT_FAILED, WaitForSingleObject(thread.Get(), 0)) << "the thread handle is valid";

    const CString record = ReadUtf8File(m_appFolder + L"Vantolin_record.txt");
    EXPECT_TRUE(Contains(record, CString(L"CommandLine=") + kChildCommandLine + L"\r\n")) << record.ToNarrow(CP_UTF8);
    EXPECT_TRUE(Contains(record, L"WorkingFolder=" + m_workFolder + L"\r\n")) << record.ToNarrow(CP_UTF8);
}

TEST_F(DesktopSpawnerTest, MissingProgramFailsWithTheSystemError)
{
    CTestShell shell;
    ASSERT_TRUE(shell.Start());
    // Wine keeps a handle of its own from the first failed start of a process.
    Launch(RunAsDesktopUser, m_folder + L"NoSuchProgram.exe", m_folder);
    const DWORD before = HandleCount();
    const CLaunch launch = Launch(RunAsDesktopUser, m_folder + L"NoSuchProgram.exe", m_folder);
    EXPECT_FALSE(launch.result);
    EXPECT_TRUE(IsZero(launch.info));
    EXPECT_EQ(before, HandleCount()) << "the shell's process and both tokens are closed";
    EXPECT_TRUE(Contains(Log(), L"CreateProcessWithTokenW failed: 2"));
}

// In a process of its own, whose token has lost the privilege for good.
TEST(DesktopSpawnerChild, WithoutPrivilegeFailsAtTheAdjustment)
{
    if (!IsChildTestRun())
        GTEST_SKIP() << "runs in a copy of this program";
    CTraceCapture capture(L"spawner_privilege_child");
    HANDLE hToken = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken));
    CScopedHandle token(hToken);
    TOKEN_PRIVILEGES removal = {};
    removal.PrivilegeCount = 1;
    removal.Privileges[0].Attributes = SE_PRIVILEGE_REMOVED;
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, L"SeIncreaseQuotaPrivilege", &removal.Privileges[0].Luid));
    SetLastError(ERROR_SUCCESS);
    ASSERT_TRUE(AdjustTokenPrivileges(token.Get(), FALSE, &removal, 0, nullptr, nullptr));
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());

    const CLaunch launch = Launch(RunAsDesktopUser, L"D:\\tests\\spawner_privilege\\Vantolin.exe", L"D:\\tests");
    EXPECT_FALSE(launch.result);
    EXPECT_TRUE(IsZero(launch.info));
    const CString log = capture.Text();
    EXPECT_TRUE(Contains(log, L"AdjustTokenPrivileges failed:"));
    EXPECT_FALSE(Contains(log, L"desktop shell")) << "nothing after the adjustment runs";
}

TEST(DesktopSpawner, CallerWithoutPrivilegeFails)
{
    const CString folder = FreshTestFolder(L"spawner_privilege");
    EXPECT_EQ(0u, RunTestProgramCopy(folder, L"SpawnerPrivilege_test.exe", "DesktopSpawnerChild.*", 60000));
    // The copy's own log shows that its test ran rather than skipped.
    const CString childLogs = L"D:\\tests\\spawner_privilege_child\\";
    const CStringArray files = ListFiles(childLogs + L"Log*");
    ASSERT_FALSE(files.IsEmpty());
    EXPECT_TRUE(Contains(ReadUtf16File(childLogs + files[0]), L"AdjustTokenPrivileges failed:"));
}
} // namespace
