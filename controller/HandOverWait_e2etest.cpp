// The self-update hand-over waits for the older copy, so it must not wait for a program that
// merely has that copy's id now (a process created after the controller cannot be the copy that
// started it) or that an id only resembles (opening ignores an id's low two bits).

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <winternl.h>

#include <functional>
#include <vector>

namespace
{
const wchar_t kPidPlaceholder[] = L"/pid:0000000000";

// A process that is younger than the controller cannot be named on the controller's command
// line when it starts, so the controller is created suspended with a placeholder and the id
// is written into its command line (in its process parameters) before it runs.
bool WritePidIntoCommandLine(HANDLE hProcess, DWORD pid)
{
    typedef LONG(NTAPI * QueryFn)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const QueryFn query =
        reinterpret_cast<QueryFn>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess"));
    PROCESS_BASIC_INFORMATION info = {};
    if (!query || query(hProcess, ProcessBasicInformation, &info, sizeof(info), nullptr) != 0)
        return false;
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS params = {};
    SIZE_T n = 0;
    if (!ReadProcessMemory(hProcess, info.PebBaseAddress, &peb, sizeof(peb), &n) || !peb.ProcessParameters ||
        !ReadProcessMemory(hProcess, peb.ProcessParameters, &params, sizeof(params), &n))
        return false;
    std::vector<wchar_t> line(params.CommandLine.Length / sizeof(wchar_t) + 1);
    if (!ReadProcessMemory(hProcess, params.CommandLine.Buffer, line.data(), params.CommandLine.Length, &n))
        return false;
    const wchar_t* pFound = wcsstr(line.data(), kPidPlaceholder);
    if (!pFound)
        return false;
    wchar_t digits[11] = {};
    _snwprintf(digits, 10, L"%010lu", pid);
    const size_t offset = (pFound - line.data()) + 5;
    return WriteProcessMemory(hProcess, params.CommandLine.Buffer + offset, digits, 10 * sizeof(wchar_t), &n) &&
           n == 10 * sizeof(wchar_t);
}

struct CHandOver
{
    bool bEnded = false;
    DWORD exitCode = STILL_ACTIVE;
    DWORD pid = 0;
    CString log;
    CString oldFolder;
};

// Runs a new copy's hand-over over an older copy (a stand-in) with the /pid: that pidToGive
// names once the new copy exists (created suspended), and waits at most a minute for its end.
CHandOver RunHandOver(const wchar_t* pszTest, const wchar_t* pszGeneration, const std::function<DWORD()>& pidToGive)
{
    CHandOver result;
    // The newer copy runs from the older copy's OruUpdate\ folder, as step 14 leaves it.
    result.oldFolder = PrepareControllerFolder(CString(pszTest) + L"_old", pszGeneration);
    EXPECT_TRUE(CopyInto(L"StandIn.exe", result.oldFolder, L"VantolinSetup.exe"));
    const CString newFolder = PrepareControllerFolder(CString(pszTest) + L"_old\\OruUpdate", pszGeneration);
    const CString oldDir = result.oldFolder.Left(result.oldFolder.GetLength() - 1);

    CString cmdLine;
    cmdLine.Format(L"\"%sVantolinSetup.exe\" /restart:Update %s /module_dir:\"%s\"", newFolder.GetString(),
                   kPidPlaceholder, oldDir.GetString());
    std::vector<wchar_t> buf(cmdLine.GetString(), cmdLine.GetString() + cmdLine.GetLength() + 1);
    STARTUPINFOW si = { sizeof(si) };
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(newFolder + L"VantolinSetup.exe", buf.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, newFolder, &si, &pi))
    {
        ADD_FAILURE() << "the controller could not be started";
        return result;
    }
    CScopedHandle controller(pi.hProcess), controllerThread(pi.hThread);
    result.pid = pi.dwProcessId;
    const bool written = WritePidIntoCommandLine(controller.Get(), pidToGive());
    ResumeThread(controllerThread.Get());
    EXPECT_TRUE(written) << "the controller's command line could not be written";

    result.bEnded = WaitForSingleObject(controller.Get(), 60000) == WAIT_OBJECT_0;
    if (!result.bEnded)
        TerminateProcess(controller.Get(), 99);
    GetExitCodeProcess(controller.Get(), &result.exitCode);
    result.log = ReadControllerLog(pszGeneration, pi.dwProcessId);
    return result;
}
}

TEST(CoruAppHandOverWait, ProcessYoungerThanTheControllerIsNotWaitedFor)
{
    const wchar_t* pszGeneration = L"9132";
    // Started after the controller and running far longer than the run may take.
    CChildProcess younger;
    const CHandOver run = RunHandOver(L"handover_younger", pszGeneration, [&younger] {
        return younger.Start(BinFolder() + L"StandIn.exe", L"/sleep:120000", BinFolder()) ? younger.GetPid() : 0;
    });
    EXPECT_TRUE(run.bEnded) << "the hand-over waited for a process that started after it";
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), younger.Wait(0));
    TerminateProcess(younger.GetHandle(), 0);

    CString line;
    line.Format(L"WRN: CoruApp::WaitForProcess : not waiting for the process with PID <%lu>: it started after this one",
                younger.GetPid());
    EXPECT_TRUE(Contains(run.log, line)) << run.log.ToNarrow();
    EXPECT_FALSE(Contains(run.log, L"Waiting for old ORU process"));
    EXPECT_TRUE(Contains(run.log, L"ORU is updating the copy of itself at [" + run.oldFolder + L"VantolinSetup.exe]"));

    // The updated copy runs on its own; the lock of controller runs is held until it is done.
    EXPECT_FALSE(WaitForUpdateReadyLog(pszGeneration, run.pid).IsEmpty()) << "the updated copy did not run to its end";
}

TEST(CoruAppHandOverWait, IdThatOnlyResemblesALiveOlderProcessIsNotWaitedFor)
{
    const wchar_t* pszGeneration = L"9133";
    // Older than the controller and running far longer than the run may take; the id given
    // differs from its id in the low two bits only.
    CChildProcess older;
    ASSERT_TRUE(older.Start(BinFolder() + L"StandIn.exe", L"/sleep:120000", BinFolder()));
    const DWORD resembling = older.GetPid() ^ 1;
    // Whether the system opens the older process for that id (Windows ignores the low bits; so
    // does Wine when the right to query is asked for, as the controller asks for it).
    CScopedHandle opened(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, resembling));
    const bool bOpensOlder = opened && GetProcessId(opened.Get()) == older.GetPid();
    opened.Close();
    printf("[ note ] process %lu, id given %lu: the system %s the older process for it\n", older.GetPid(), resembling,
           bOpensOlder ? "opens" : "does not open");

    const CHandOver run = RunHandOver(L"handover_resembling", pszGeneration, [resembling] { return resembling; });
    EXPECT_TRUE(run.bEnded) << "the hand-over waited for a process of another id";
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), older.Wait(0));
    TerminateProcess(older.GetHandle(), 0);

    CString line;
    line.Format(L"WRN: CoruApp::WaitForProcess : not waiting for the process with PID <%lu>", resembling);
    EXPECT_EQ(bOpensOlder, Contains(run.log, line)) << run.log.ToNarrow();
    EXPECT_FALSE(Contains(run.log, L"Waiting for old ORU process"));
    EXPECT_FALSE(WaitForUpdateReadyLog(pszGeneration, run.pid).IsEmpty()) << "the updated copy did not run to its end";
}
