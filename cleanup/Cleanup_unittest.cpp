// The cleanup program's work in-process with short times: the command line, the wait and its
// limit, which process is waited for.

#include "cleanup/CleanupRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

namespace
{
const DWORD kShortPauseMs = 100;

FILETIME Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return now;
}

// D:\tests\<name>\Setup Copy\ with a file and a sub-folder.
CString MakeSetupCopy(const wchar_t* pszName)
{
    const CString copy = FreshTestFolder(pszName) + L"Setup Copy\\";
    EXPECT_TRUE(CreateDirectoryW(copy, nullptr));
    EXPECT_TRUE(CreateDirectoryW(copy + L"msi", nullptr));
    EXPECT_TRUE(WriteTextFile(copy + L"oru.ini", "[General]\r\n"));
    EXPECT_TRUE(WriteTextFile(copy + L"msi\\package.msi", "msi"));
    return copy;
}

CString CommandLine(DWORD pid, const CString& folder)
{
    CString line;
    line.Format(L"/p %lu /d \"%s\"", pid, folder.GetString());
    return line;
}

// A stand-in that lives long enough for any of these tests; ended by the test.
class CLongStandIn
{
public:
    CLongStandIn() { EXPECT_TRUE(m_process.Start(BinFolder() + L"StandIn.exe", L"/sleep:120000", BinFolder())); }
    ~CLongStandIn() { TerminateProcess(m_process.GetHandle(), 0); }
    DWORD GetPid() const { return m_process.GetPid(); }
    bool IsRunning() { return m_process.Wait(0) == STILL_ACTIVE; }

private:
    CChildProcess m_process;
};
}

TEST(CleanupCommandLine, OptionsFromTheRawLine)
{
    const struct
    {
        const wchar_t* line;
        DWORD pid;
        const wchar_t* folder;
        bool stray;
        bool pidValid;
    } cases[] = {
        // As the controller writes it: the quoted folder ends in a backslash.
        { L"/p 1234 /d \"C:\\Temp\\Quillmark\\Installer\\\"", 1234, L"C:\\Temp\\Quillmark\\Installer\\", false, true },
        { L"/P 1234 /D \"D:\\tests\\Setup Copy\\\"", 1234, L"D:\\tests\\Setup Copy\\", false, true },
        { L"/d D:\\tests\\plain /p 0", 0, L"D:\\tests\\plain", false, true },
        { L"/D \"D:\\tests\\a  b   c\"", 0, L"D:\\tests\\a  b   c", false, true },
        { L"  /d\tD:\\x\\y  ", 0, L"D:\\x\\y", false, true },
        // A path cut at a blank: the rest is no option.
        { L"/p 5 /d D:\\tests\\Setup Copy\\", 5, L"D:\\tests\\Setup", true, true },
        { L"/d D:\\tests\\x \"", 0, L"D:\\tests\\x", true, true },
        { L"/d \"\" /p 7", 7, L"", false, true },
        { L"/d \" \"", 0, L"", false, true },
        { L"/d .", 0, L"", false, true },
        { L"/p 42", 42, L"", false, true },
        { L"", 0, L"", false, true },
        { L"/p 99999999999 /d \"D:\\x\\y\"", 0, L"D:\\x\\y", false, false },
    };
    for (const auto& c : cases)
    {
        const CCleanupCommandLine parsed = ParseCleanupCommandLine(c.line);
        const std::string line = CString(c.line).ToNarrow(CP_UTF8);
        EXPECT_EQ(c.pid, parsed.processId) << line;
        EXPECT_EQ(CString(c.folder), parsed.folder) << line;
        EXPECT_EQ(c.stray, parsed.bStrayText) << line;
        EXPECT_EQ(c.pidValid, parsed.bProcessIdValid) << line;
    }
}

TEST(CleanupRun, ProcessOutlivingTheLimitKeepsTheFolder)
{
    CLongStandIn standIn;
    const CString copy = MakeSetupCopy(L"cleanup_unit_limit");
    const DWORD start = GetTickCount();
    EXPECT_EQ(1460, RunCleanup(CommandLine(standIn.GetPid(), copy), kShortPauseMs, 1500, Now()));
    EXPECT_GE(GetTickCount() - start, 1400u) << "the wait lasts as long as its limit";
    EXPECT_TRUE(FileExists(copy + L"msi\\package.msi"));
    EXPECT_TRUE(standIn.IsRunning());
}

TEST(CleanupRun, IdsThatAreNotTheControllerAreNotWaitedFor)
{
    const struct
    {
        const char* name;
        bool ownId;
    } cases[] = { { "a process started after this one", false }, { "this process's own id", true } };
    for (const auto& c : cases)
    {
        const FILETIME reference = Now();
        CLongStandIn standIn;
        const CString copy = MakeSetupCopy(L"cleanup_unit_younger");
        const DWORD pid = c.ownId ? GetCurrentProcessId() : standIn.GetPid();
        // A wait would run into the limit and keep the folder.
        EXPECT_EQ(0, RunCleanup(CommandLine(pid, copy), kShortPauseMs, 20000, reference)) << c.name;
        EXPECT_FALSE(PathExistsHere(copy)) << c.name;
        EXPECT_TRUE(standIn.IsRunning()) << c.name;
    }
}

TEST(CleanupRun, EndedProcessIsWaitedForThenTheFolderGoes)
{
    CChildProcess standIn;
    ASSERT_TRUE(standIn.Start(BinFolder() + L"StandIn.exe", L"/sleep:1500", BinFolder()));
    const CString copy = MakeSetupCopy(L"cleanup_unit_wait");
    // Kept open so that the id is not given out again before the cleanup looks at it.
    EXPECT_EQ(0, RunCleanup(CommandLine(standIn.GetPid(), copy), kShortPauseMs, 60000, Now()));
    EXPECT_NE(static_cast<DWORD>(STILL_ACTIVE), standIn.Wait(0)) << "the cleanup waited for the end";
    EXPECT_FALSE(PathExistsHere(copy));
}
