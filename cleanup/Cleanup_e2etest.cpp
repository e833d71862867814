// VantolinSetupCleanup.exe under Wine: the real wait and pause, the refusals, the fault exit
// code, the version block. Every folder it is pointed at lies in the test area (checked before
// each start); a run that should have refused and still runs after 10 s is ended long before
// its pause would let it delete anything.

#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
const DWORD kPauseMs = 25000;

ULONGLONG ExitTimeOf(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime;
}

// The folder a run may delete at worst must lie on the test area's drive.
bool IsInsideTestArea(const CString& path, const CString& workingFolder)
{
    wchar_t full[MAX_PATH * 2] = {};
    const CString absolute = path.GetLength() >= 2 && path[1] == L':' ? path : workingFolder + path;
    if (!GetFullPathNameW(absolute, MAX_PATH * 2, full, nullptr))
        return false;
    return CString(full).Left(3).CompareNoCase(L"D:\\") == 0;
}

// Cleanup programs run under this thread as their debugger, which collects what they write to
// the debugger output.
class CDebuggedCleanups
{
public:
    struct CRun
    {
        CScopedHandle process;
        DWORD pid = 0;
        std::vector<CString> messages;
        bool ended = false;
        DWORD exitCode = STILL_ACTIVE;
        DWORD startTick = 0;
        DWORD endTick = 0;
    };

    // Starts the program with the command line (after the program name) in the folder.
    CRun* Start(const CString& args, const CString& folder)
    {
        const CString exe = BinFolder() + L"VantolinSetupCleanup.exe";
        CString line = L"\"" + exe + L"\" " + args;
        std::vector<wchar_t> buf(line.GetString(), line.GetString() + line.GetLength() + 1);
        STARTUPINFOW si = { sizeof(si) };
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(exe, buf.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr, folder, &si,
                            &pi))
            return nullptr;
        CloseHandle(pi.hThread);
        m_runs.emplace_back(new CRun);
        CRun* pRun = m_runs.back().get();
        pRun->process.Reset(pi.hProcess);
        pRun->pid = pi.dwProcessId;
        pRun->startTick = GetTickCount();
        return pRun;
    }

    // Serves the debug events until every run has ended; onPoll is called between events, and
    // a run still going after killAfterMs is ended.
    template <typename PollFn>
    void RunToTheEnd(DWORD killAfterMs, PollFn onPoll)
    {
        while (!AllEnded())
        {
            DEBUG_EVENT ev = {};
            if (WaitForDebugEvent(&ev, 50))
                Serve(ev);
            onPoll();
            for (auto& pRun : m_runs)
                if (!pRun->ended && GetTickCount() - pRun->startTick > killAfterMs)
                    TerminateProcess(pRun->process.Get(), 99);
        }
    }

private:
    bool AllEnded() const
    {
        for (const auto& pRun : m_runs)
            if (!pRun->ended)
                return false;
        return true;
    }

    CRun* Find(DWORD pid)
    {
        for (auto& pRun : m_runs)
            if (pRun->pid == pid)
                return pRun.get();
        return nullptr;
    }

    void Serve(const DEBUG_EVENT& ev)
    {
        DWORD status = DBG_CONTINUE;
        CRun* pRun = Find(ev.dwProcessId);
        switch (ev.dwDebugEventCode)
        {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (ev.u.CreateProcessInfo.hFile)
                CloseHandle(ev.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (ev.u.LoadDll.hFile)
                CloseHandle(ev.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            if (pRun)
                pRun->messages.push_back(ReadDebugString(pRun->process.Get(), ev.u.DebugString));
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The start-up breakpoint is the debugger's; anything else is the program's own.
            if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            if (pRun)
            {
                pRun->ended = true;
                pRun->exitCode = ev.u.ExitProcess.dwExitCode;
                pRun->endTick = GetTickCount();
            }
            break;
        }
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
    }

    static CString ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info)
    {
        const size_t chars = info.nDebugStringLength;
        if (info.fUnicode)
        {
            std::vector<wchar_t> text(chars + 1);
            ReadProcessMemory(process, info.lpDebugStringData, text.data(), chars * sizeof(wchar_t), nullptr);
            return CString(text.data());
        }
        std::vector<char> text(chars + 1);
        ReadProcessMemory(process, info.lpDebugStringData, text.data(), chars, nullptr);
        return CString::FromNarrow(std::string(text.data()));
    }

    std::vector<std::unique_ptr<CRun>> m_runs;
};

CString Joined(const std::vector<CString>& messages)
{
    CString text;
    for (const CString& m : messages)
        text += m;
    return text;
}

void MakeTree(const CString& folder)
{
    ASSERT_TRUE(CreateDirectoryW(folder, nullptr)) << folder.ToNarrow();
    ASSERT_TRUE(CreateDirectoryW(folder + L"\\msi", nullptr));
    ASSERT_TRUE(WriteTextFile(folder + L"\\oru.ini", "[General]\r\n"));
    ASSERT_TRUE(WriteTextFile(folder + L"\\msi\\package.msi", "msi"));
}

CString LinkCase(const wchar_t* pszCase)
{
    return CString(L"D:\\tests\\cleanup_links\\") + pszCase + L"\\";
}
}

// All cases at once, so that the real 25-second pause is spent once.
TEST(CleanupProgram, WaitsPausesAndRemoves)
{
    const CString base = FreshTestFolder(L"cleanup_e2e_timed");
    const CString linkCase = LinkCase(L"inside");
    ASSERT_TRUE(GetFileAttributesW(linkCase + L"work\\link") & FILE_ATTRIBUTE_REPARSE_POINT)
        << "run through ctest, which makes the link fixture";

    CChildProcess shortStandIn, longStandIn;
    ASSERT_TRUE(shortStandIn.Start(BinFolder() + L"StandIn.exe", L"/sleep:3000", BinFolder()));
    ASSERT_TRUE(longStandIn.Start(BinFolder() + L"StandIn.exe", L"/sleep:120000", BinFolder()));

    const CString waited = base + L"waited\\Setup Copy", swapped = base + L"swapped", blanks = base + L"a  b   c",
                  blanksSibling = base + L"a b c", reused = base + L"reused\\Setup Copy";
    CreateDirectoryW(base + L"waited", nullptr);
    CreateDirectoryW(base + L"reused", nullptr);
    for (const CString& folder : { waited, swapped, blanks, blanksSibling, reused })
        MakeTree(folder);

    struct
    {
        const char* name;
        CString args;
        CString folder;
        CDebuggedCleanups::CRun* pRun;
    } cases[] = {
        { "controller's form", L"", waited, nullptr },       { "order swapped, unquoted, /p 0", L"", swapped, nullptr },
        { "blanks kept, no /p", L"", blanks, nullptr },      { "link inside", L"", linkCase + L"work", nullptr },
        { "id of a younger process", L"", reused, nullptr },
    };
    cases[0].args.Format(L"/P %lu /D \"%s\\\"", shortStandIn.GetPid(), waited.GetString());
    cases[1].args.Format(L"/d %s /p 0", swapped.GetString());
    cases[2].args.Format(L"/d \"%s\"", blanks.GetString());
    cases[3].args.Format(L"/d \"%swork\"", linkCase.GetString());
    // Opening a process ignores the low two bits of its id: id + 1 opens the stand-in.
    cases[4].args.Format(L"/p %lu /d \"%s\"", longStandIn.GetPid() + 1, reused.GetString());

    CDebuggedCleanups runs;
    for (auto& c : cases)
    {
        ASSERT_TRUE(IsInsideTestArea(c.folder, base)) << c.name;
        c.pRun = runs.Start(c.args, base);
        ASSERT_NE(nullptr, c.pRun) << c.name;
    }

    bool standInSeenEnded = false, folderThereAtItsEnd = false;
    runs.RunToTheEnd(90000, [&] {
        if (!standInSeenEnded && shortStandIn.Wait(0) != STILL_ACTIVE)
        {
            standInSeenEnded = true;
            folderThereAtItsEnd = FileExists(waited + L"\\msi\\package.msi");
        }
    });

    for (const auto& c : cases)
        EXPECT_EQ(0u, c.pRun->exitCode) << c.name;

    // Waited for the stand-in, then paused, then removed.
    EXPECT_TRUE(folderThereAtItsEnd);
    EXPECT_FALSE(PathExistsHere(waited));
    const ULONGLONG standInEnd = ExitTimeOf(shortStandIn.GetHandle());
    const ULONGLONG cleanupEnd = ExitTimeOf(cases[0].pRun->process.Get());
    EXPECT_GE(cleanupEnd, standInEnd + kPauseMs * 10000ull) << "the pause follows the end of the process";
    CString expected;
    expected.Format(L"Vantolin setup cleanup is waiting for process with ID <%lu> to finish...\n"
                    L"Vantolin setup cleanup is cleaning up path <%s> now...\n"
                    L"Vantolin setup cleanup successfully cleaned up post-reboot temp dir\n",
                    shortStandIn.GetPid(), waited.GetString());
    EXPECT_EQ(expected, Joined(cases[0].pRun->messages));

    // No process to wait for: only the pause.
    for (int i : { 1, 2 })
    {
        expected.Format(L"Vantolin setup cleanup is cleaning up path <%s> now...\n"
                        L"Vantolin setup cleanup successfully cleaned up post-reboot temp dir\n",
                        cases[i].folder.GetString());
        EXPECT_EQ(expected, Joined(cases[i].pRun->messages)) << cases[i].name;
        EXPECT_FALSE(PathExistsHere(cases[i].folder)) << cases[i].name;
        EXPECT_GE(cases[i].pRun->endTick - cases[i].pRun->startTick, kPauseMs - 100) << cases[i].name;
    }
    EXPECT_TRUE(FileExists(blanksSibling + L"\\msi\\package.msi")) << "the blanks of the path are kept";

    // The link goes or stays (Wine cannot remove one), its target keeps its files.
    EXPECT_FALSE(FileExists(linkCase + L"work\\a\\b\\two.txt"));
    EXPECT_TRUE(FileExists(linkCase + L"outside\\keep1.txt"));
    EXPECT_TRUE(FileExists(linkCase + L"outside\\sub\\keep2.txt"));

    // The id named the long stand-in only by its low bits: removed while that one still runs.
    EXPECT_FALSE(PathExistsHere(reused));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), longStandIn.Wait(0));
    EXPECT_TRUE(Contains(Joined(cases[4].pRun->messages), L"is not waiting for process with ID"));
    EXPECT_FALSE(Contains(Joined(cases[4].pRun->messages), L"is waiting for process"));
    TerminateProcess(longStandIn.GetHandle(), 0);
}

TEST(CleanupProgram, RefusedFoldersEndAtOnceWith87)
{
    const CString base = FreshTestFolder(L"cleanup_e2e_refused");
    const CString work = base + L"work\\";
    ASSERT_TRUE(CreateDirectoryW(work, nullptr));
    MakeTree(work + L"sub");
    MakeTree(base + L"Setup");
    MakeTree(base + L"Setup Copy");
    const CString env = base + L"env";
    ASSERT_TRUE(CreateDirectoryW(env, nullptr));
    MakeTree(env + L"\\Profile Home");
    MakeTree(env + L"\\Program Wide");
    const CString profileShort = ShortPathOf(env + L"\\Profile Home"),
                  programShort = ShortPathOf(env + L"\\Program Wide");
    ASSERT_NE(env + L"\\Profile Home", profileShort) << "no 8.3 names on this system";
    const CString links = LinkCase(L"refused");
    ASSERT_TRUE(GetFileAttributesW(links + L"work\\link") & FILE_ATTRIBUTE_REPARSE_POINT)
        << "run through ctest, which makes the link fixture";

    const struct
    {
        const char* name;
        CString folder; // the folder given, for the test-area check
        CString args;
        const wchar_t* envName;
        CString envValue;
    } cases[] = {
        { "no /d", L"", L"/p 0", nullptr, L"" },
        { "empty quotes", L"", L"/d \"\"", nullptr, L"" },
        { "a blank in quotes", L"", L"/d \" \"", nullptr, L"" },
        { "dot", L".", L"/d .", nullptr, L"" },
        { "relative", L"sub", L"/d sub", nullptr, L"" },
        { "backslash", L"\\", L"/d \\", nullptr, L"" },
        { "drive-relative", L"D:", L"/d D:", nullptr, L"" },
        { "the test area's root", L"D:\\", L"/d D:\\", nullptr, L"" },
        { "dots up to the root", L"D:\\tests\\a\\..\\..", L"/d D:\\tests\\a\\..\\..", nullptr, L"" },
        { "cut at a blank", base + L"Setup", L"/p 0 /d " + base + L"Setup Copy\\", nullptr, L"" },
        { "a link", links + L"work\\link", L"/d \"" + links + L"work\\link\"", nullptr, L"" },
        { "through a link", links + L"work\\link\\sub", L"/d \"" + links + L"work\\link\\sub\"", nullptr, L"" },
        { "profile, long form", env + L"\\Profile Home", L"/d \"" + env + L"\\Profile Home\"", L"USERPROFILE",
          env + L"\\Profile Home" },
        { "profile, 8.3 form", profileShort, L"/d \"" + profileShort + L"\"", L"USERPROFILE", env + L"\\Profile Home" },
        { "program files given in 8.3 form", env + L"\\Program Wide", L"/d \"" + env + L"\\Program Wide\"",
          L"ProgramW6432", programShort },
        { "the folder above the profile", env, L"/d \"" + env + L"\"", L"USERPROFILE", env + L"\\Profile Home" },
    };

    CDebuggedCleanups runs;
    std::vector<CDebuggedCleanups::CRun*> started;
    for (const auto& c : cases)
    {
        ASSERT_TRUE(c.folder.IsEmpty() || IsInsideTestArea(c.folder, work)) << c.name;
        CScopedEnvironment variable(c.envName, c.envValue);
        started.push_back(runs.Start(c.args, work));
        ASSERT_NE(nullptr, started.back()) << c.name;
    }
    // Sixteen programs start at once under a debugger: on a loaded machine that alone can take
    // seconds. A refusal is "at once" when it comes before the 25 s pause every accepted folder waits.
    runs.RunToTheEnd(60000, [] {});

    for (size_t i = 0; i < started.size(); ++i)
    {
        const CDebuggedCleanups::CRun& run = *started[i];
        const CString messages = Joined(run.messages);
        EXPECT_EQ(87u, run.exitCode) << cases[i].name;
        EXPECT_LT(run.endTick - run.startTick, 25000u) << cases[i].name;
        EXPECT_EQ(1u, run.messages.size()) << cases[i].name << ": " << messages.ToNarrow(CP_UTF8);
        EXPECT_TRUE(Contains(messages, L"ERROR: ")) << cases[i].name;
    }
    EXPECT_EQ(L"ERROR: No cleanup path given to Vantolin setup cleanup\n", Joined(started[0]->messages));

    for (const CString& folder :
         { work + L"sub", base + L"Setup", base + L"Setup Copy", env + L"\\Profile Home", env + L"\\Program Wide" })
        EXPECT_TRUE(FileExists(folder + L"\\msi\\package.msi")) << folder.ToNarrow();
    EXPECT_TRUE(FileExists(links + L"work\\a\\b\\two.txt"));
    EXPECT_TRUE(FileExists(links + L"outside\\sub\\keep2.txt"));
}

TEST(CleanupProgram, FaultEndsWith1627)
{
    CChildProcess process;
    ASSERT_TRUE(process.Start(BinFolder() + L"CleanupFault.exe", L"", BinFolder()));
    EXPECT_EQ(1627u, process.Wait(30000));
}

TEST(CleanupProgram, VersionBlockAndManifest)
{
    const CString exe = BinFolder() + L"VantolinSetupCleanup.exe";
    DWORD dummy = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(exe, &dummy));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe, 0, static_cast<DWORD>(data.size()), data.data()));
    for (const auto& field :
         { std::make_pair(L"FileDescription", L"Setup Cleanup"), std::make_pair(L"InternalName", L"OruCleanup") })
    {
        wchar_t* pValue = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueW(data.data(), CString(L"\\StringFileInfo\\040904b0\\") + field.first,
                                   reinterpret_cast<void**>(&pValue), &len));
        EXPECT_EQ(CString(field.second), CString(pValue));
    }

    CScopedLibrary module(LoadLibraryExW(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module.IsValid());
    HRSRC hRes = FindResourceW(module.Get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, hRes);
    const char* pManifest = static_cast<const char*>(LockResource(LoadResource(module.Get(), hRes)));
    const std::string manifest(pManifest, SizeofResource(module.Get(), hRes));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\"")) << manifest;
}
