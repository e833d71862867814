// The self-update hand-over waits without limit for the older copy, so it must not wait for a
// program that merely has that copy's id now: a process created after the controller cannot
// be the copy that started it.

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <winternl.h>

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
}

TEST(CoruAppHandOverWait, ProcessYoungerThanTheControllerIsNotWaitedFor)
{
    const wchar_t* pszGeneration = L"9132";
    const CString newFolder = PrepareControllerFolder(L"handover_younger_new", pszGeneration);
    const CString oldFolder = PrepareControllerFolder(L"handover_younger_old", pszGeneration);
    ASSERT_TRUE(CopyInto(L"StandIn.exe", oldFolder, L"VantolinSetup.exe"));
    const CString oldDir = oldFolder.Left(oldFolder.GetLength() - 1);

    CString cmdLine;
    cmdLine.Format(L"\"%sVantolinSetup.exe\" /restart:Update %s /module_dir:\"%s\"", newFolder.GetString(),
                   kPidPlaceholder, oldDir.GetString());
    std::vector<wchar_t> buf(cmdLine.GetString(), cmdLine.GetString() + cmdLine.GetLength() + 1);
    STARTUPINFOW si = { sizeof(si) };
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(newFolder + L"VantolinSetup.exe", buf.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                               nullptr, newFolder, &si, &pi));
    CScopedHandle controller(pi.hProcess), controllerThread(pi.hThread);

    // Started after the controller and running far longer than the run may take.
    CChildProcess younger;
    ASSERT_TRUE(younger.Start(BinFolder() + L"StandIn.exe", L"/sleep:120000", BinFolder()));
    const bool written = WritePidIntoCommandLine(controller.Get(), younger.GetPid());
    ResumeThread(controllerThread.Get());
    ASSERT_TRUE(written) << "the controller's command line could not be written";

    const bool ended = WaitForSingleObject(controller.Get(), 60000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(controller.Get(), 99);
    EXPECT_TRUE(ended) << "the hand-over waited for a process that started after it";
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(controller.Get(), &code);
    EXPECT_EQ(0u, code);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), younger.Wait(0));
    TerminateProcess(younger.GetHandle(), 0);

    const CString log = ReadControllerLog(pszGeneration, pi.dwProcessId);
    CString line;
    line.Format(L"WRN: CoruApp::WaitForProcess : not waiting for the process with PID <%lu>: it started after this one",
                younger.GetPid());
    EXPECT_TRUE(Contains(log, line)) << log.ToNarrow();
    EXPECT_FALSE(Contains(log, L"Waiting for old ORU process"));
    EXPECT_TRUE(Contains(log, L"ORU is updating the copy of itself at [" + oldFolder + L"VantolinSetup.exe]"));

    // The updated copy runs on its own; the lock of controller runs is held until it is done.
    EXPECT_FALSE(WaitForUpdateReadyLog(pszGeneration, pi.dwProcessId).IsEmpty())
        << "the updated copy did not run to its end";
}
