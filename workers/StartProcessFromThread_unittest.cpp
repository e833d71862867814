// The process worker: its success rules through the real executer and StandIn.exe (and this
// program started as itself), and its stop and end rules through fake executers.
#include "workers/ProcessExecuter.h"
#include "workers/StartProcessFromThread.h"

#include "classlib/Handles.h"
#include "support/PathUtil.h"
#include "support/SysUtil.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/RecordingWindow.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>

namespace
{
// Started as itself with "--exit-with=<n>", this program ends at once with that code.
struct CSelfExit
{
    CSelfExit()
    {
        const wchar_t* p = wcsstr(GetCommandLineW(), L"--exit-with=");
        if (p)
            ExitProcess(static_cast<UINT>(wcstoul(p + 12, nullptr, 10)));
    }
} g_selfExit;

const DWORD kWaitMs = 30000;
const wchar_t kTestKey[] = L"Software\\VantolinTests\\StartProcess";

struct COutcome
{
    bool finished = false, success = false, cancelled = false, checkReturnCode = false;
    DWORD exitCode = 0;
};

COutcome WaitForOutcome(CStartProcessFromThread& worker)
{
    COutcome o;
    CRecordingWindow::PumpUntil([&] { return worker.ProcessFinished(o.success, o.cancelled, o.checkReturnCode, o.exitCode, false); },
                                kWaitMs);
    o.finished = worker.ProcessFinished(o.success, o.cancelled, o.checkReturnCode, o.exitCode, false);
    return o;
}

CString OwnPath()
{
    return GetModuleFilePath();
}

class StartProcessTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "workers_startprocess_"; }
    void TearDown() override
    {
        RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
        CTracedTest::TearDown();
    }
    CString StandIn() const { return BinFolder() + L"StandIn.exe"; }
};

// Blocks in Execute or ExecuteInstall until released, optionally sending a message to a window
// of the test's thread first; ends an installation as cancelled once a stop was requested.
class CScriptedExecuter : public IProcessExecuter
{
public:
    CScriptedExecuter() : m_entered(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    bool Execute(const wchar_t*, const wchar_t*, bool bWait, DWORD& rExitCode) override
    {
        m_waitFlag = bWait;
        Block();
        rExitCode = m_exitCode;
        m_ended = true;
        return true;
    }
    bool ExecuteInstall(const wchar_t*, const wchar_t*, HWND, DWORD& rResult) override
    {
        Block();
        // An installation that sees the stop rolls back a while, then reports the cancel.
        if (m_stop)
        {
            Sleep(300);
            rResult = ERROR_INSTALL_USEREXIT;
            m_ended = true;
            return false;
        }
        rResult = m_exitCode;
        m_ended = true;
        return m_exitCode == 0 || m_exitCode == 3010 || m_exitCode == 1641;
    }
    void RequestStop(bool bStop) override
    {
        if (bStop)
            m_stop = true;
    }
    void SetAsAdmin(int n) override { m_asAdmin = n; }
    int GetAsAdmin() override { return m_asAdmin; }
    DWORD GetProcessId() override { return 0; }

    CScopedHandle m_entered, m_release;
    HWND m_hSendTo = nullptr;
    std::atomic<bool> m_stop{ false }, m_ended{ false }, m_waitFlag{ false }, m_blockUntilStop{ false };
    std::atomic<int> m_asAdmin{ -1 };
    DWORD m_exitCode = 0;

private:
    void Block()
    {
        SetEvent(m_entered.Get());
        if (m_hSendTo)
            SendMessageW(m_hSendTo, WM_APP + 7, 0, 0);
        if (m_blockUntilStop)
        {
            while (!m_stop)
                Sleep(5);
        }
        else
        {
            WaitForSingleObject(m_release.Get(), kWaitMs);
        }
    }
};

class CCountingListener : public IWorkerListener
{
public:
    void OnWorkerFinished(int nResult) override
    {
        m_last = nResult;
        ++m_calls;
    }
    std::atomic<int> m_last{ -1 }, m_calls{ 0 };
};
}

TEST_F(StartProcessTest, SuccessRulesOfARun)
{
    const struct
    {
        bool self;
        DWORD code;
        bool check;
        bool success, cancelled;
    } cases[] = {
        { false, 0, true, true, false },
        { false, 3, true, false, false },
        { false, 3, false, true, false },
        { false, 1602, true, false, true },
        { false, 1602, false, true, false },
        { false, 5, true, false, false },
        { true, 0, true, true, false },
        { true, 5, true, true, false },    // a USB installation of the controller itself
        { true, 7, true, false, true },
        { true, 2, false, true, true },
        { true, 3, true, false, false },
        { true, 3, false, true, false },
    };
    CProcessExecuter executer;
    CStartProcessFromThread worker(&executer, nullptr);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.self ? "self" : "StandIn") << " exit " << c.code << " check " << c.check);
        const CString command = c.self ? OwnPath() : StandIn();
        const CString params = c.self ? FormatString(L"--exit-with=%lu", c.code) : FormatString(L"/exit:%lu", c.code);
        ASSERT_EQ(1, worker.Start(command, params, false, c.check, nullptr, L"", L""));
        const COutcome o = WaitForOutcome(worker);
        ASSERT_TRUE(o.finished);
        EXPECT_EQ(c.code, o.exitCode);
        EXPECT_EQ(c.success, o.success);
        EXPECT_EQ(c.cancelled, o.cancelled);
        EXPECT_EQ(c.check, o.checkReturnCode);
    }
    EXPECT_NE(0u, executer.GetProcessId());
    EXPECT_TRUE(Contains(Log(), L"CStartProcessFromThread::run m_strCommand=["));
    EXPECT_TRUE(Contains(Log(), L"bExecute=[1] exitCode=[1602]"));
}

TEST_F(StartProcessTest, SuccessValueInTheRegistry)
{
    const struct
    {
        const wchar_t* stored; // null: no value
        HKEY root;
        const wchar_t* valueName;
        bool success;
    } cases[] = {
        { L"1", HKEY_CURRENT_USER, L"Done", true },
        { L"true", HKEY_CURRENT_USER, L"Done", false },
        { L"1 ", HKEY_CURRENT_USER, L"Done", false },
        { nullptr, HKEY_CURRENT_USER, L"Done", false },
        { nullptr, nullptr, L"Done", true },          // no root: no check
        { nullptr, HKEY_CURRENT_USER, L"", true },    // no value name: no check
    };
    CProcessExecuter executer;
    CCountingListener listener;
    CStartProcessFromThread worker(&executer, &listener);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.stored ? CString(c.stored).ToNarrow() : "(none)") << " root " << (c.root != nullptr));
        RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
        if (c.stored)
            ASSERT_TRUE(WriteUserRegString(kTestKey, L"Done", c.stored));
        ASSERT_EQ(1, worker.Start(StandIn(), L"/exit:0", false, true, c.root, kTestKey, c.valueName));
        const COutcome o = WaitForOutcome(worker);
        ASSERT_TRUE(o.finished);
        EXPECT_EQ(c.success, o.success);
        CRecordingWindow::PumpUntil([&] { return listener.m_calls > 0; }, kWaitMs);
        EXPECT_EQ(c.success ? 1 : 0, listener.m_last.load());
        listener.m_calls = 0;
    }
    EXPECT_TRUE(Contains(Log(), L"Success key [-2147483647] [Software\\VantolinTests\\StartProcess] [Done] = [1]"));
    EXPECT_TRUE(Contains(Log(), L"Success key [-2147483647] [Software\\VantolinTests\\StartProcess] [Done] = [0]"));
}

TEST_F(StartProcessTest, ScriptedStandInsOfTheSetupFolder)
{
    // A setup folder's programs as the fixtures give them: each acts by the ini named after it.
    const struct
    {
        const wchar_t* name;
        const wchar_t* params;
        int exitCode;
        bool writes;
        bool success;
    } cases[] = {
        { L"RuntimeProbe.exe", L"", 0, false, true },
        { L"RuntimeProbe.exe", L"", 1, false, false },
        { L"vcredist_x86.exe", L"/q:a /c:\"msiexec /i vcredist.msi /qb!\" \"/T:%TEMP\"", 0, true, true },
        { L"dotNetFx40_Full_setup.exe", L"/qb /norestart", 5100, true, false },
    };
    CProcessExecuter executer;
    CStartProcessFromThread worker(&executer, nullptr);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.name).ToNarrow());
        RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
        const CString folder = FreshTestFolder((CString(L"workers_startprocess_scripted_") + c.name).GetString());
        const CString program = folder + c.name;
        ASSERT_TRUE(CopyFileW(CString(L"D:\\fixtures\\standins\\") + c.name, program, FALSE));
        const CString base = program.Left(program.ReverseFind(L'.'));
        std::string ini = "[StandIn]\r\nExitCode=" + std::to_string(c.exitCode) + "\r\nDelayMs=50\r\n";
        if (c.writes)
            ini += "Write1=HKCU\\Software\\VantolinTests\\StartProcess|Done|1\r\n";
        ASSERT_TRUE(WriteTextFile(base + L".ini", ini));
        ASSERT_EQ(1, worker.Start(program, c.params, false, true, c.writes ? HKEY_CURRENT_USER : nullptr, kTestKey, L"Done"));
        const COutcome o = WaitForOutcome(worker);
        ASSERT_TRUE(o.finished);
        EXPECT_EQ(static_cast<DWORD>(c.exitCode), o.exitCode);
        EXPECT_EQ(c.success, o.success);
        const CString record = ReadUtf16File(base + L".record.txt");
        EXPECT_TRUE(Contains(record, (CString(L"CommandLine=\"") + program + L"\" " + c.params + L"\r\n").GetString()) ||
                    Contains(record, (CString(L"CommandLine=\"") + program + L"\"\r\n").GetString()))
            << record.ToNarrow();
        // The executer starts programs in the controller's (here: the test program's) folder.
        EXPECT_TRUE(Contains(record, (L"Folder=" + RemoveTrailingBackslashes(BinFolder()) + L"\r\n").GetString()))
            << record.ToNarrow();
    }
}

TEST_F(StartProcessTest, ProgramsThatDoNotStart)
{
    CProcessExecuter executer;
    EXPECT_EQ(0u, executer.GetProcessId());
    CStartProcessFromThread worker(&executer, nullptr);
    ASSERT_EQ(1, worker.Start(m_folder + L"missing.exe", L"", false, false, nullptr, L"", L""));
    COutcome o = WaitForOutcome(worker);
    EXPECT_TRUE(o.finished);
    EXPECT_FALSE(o.success);
    EXPECT_EQ(0u, o.exitCode);
    EXPECT_EQ(0u, executer.GetProcessId());

    CStartProcessFromThread none(nullptr, nullptr);
    ASSERT_EQ(1, none.Start(StandIn(), L"", false, false, nullptr, L"", L""));
    o = WaitForOutcome(none);
    EXPECT_TRUE(o.finished);
    EXPECT_FALSE(o.success);
    EXPECT_FALSE(o.cancelled);
    EXPECT_TRUE(Contains(Log(), L"CStartProcessFromThread::run m_pProcessExecuter is NULL"));
}

TEST_F(StartProcessTest, StopReturnsAtOnceAndTheProgramRunsToItsEnd)
{
    CProcessExecuter executer;
    CStartProcessFromThread worker(&executer, nullptr);
    ASSERT_EQ(1, worker.Start(StandIn(), L"/sleep:3000 /exit:0", false, true, nullptr, L"", L""));
    // Until the program is running: its id is known.
    ASSERT_TRUE(CRecordingWindow::PumpUntil([&] { return executer.GetProcessId() != 0; }, kWaitMs));
    const DWORD before = GetTickCount();
    EXPECT_FALSE(worker.Stop(true));
    const DWORD stopMs = GetTickCount() - before;
    COutcome o;
    EXPECT_FALSE(worker.ProcessFinished(o.success, o.cancelled, o.checkReturnCode, o.exitCode, true));
    EXPECT_LT(stopMs, 1500u);
    // A second start while it runs is refused.
    EXPECT_EQ(0, worker.Start(StandIn(), L"", false, false, nullptr, L"", L""));
    EXPECT_TRUE(Contains(Log(), L"Worker thread is already live in CStartProcessFromThread::Start"));
    worker.WaitForEnd();
    o = WaitForOutcome(worker);
    EXPECT_TRUE(o.finished);
    EXPECT_TRUE(o.success);
    EXPECT_TRUE(Contains(Log(), L"CStartProcessFromThread::Stop() process execution stop request"));
}

TEST_F(StartProcessTest, AlwaysWaitsForThePlainProgram)
{
    CScriptedExecuter executer;
    SetEvent(executer.m_release.Get());
    CStartProcessFromThread worker(&executer, nullptr);
    ASSERT_EQ(1, worker.Start(L"x.exe", L"", true, false, nullptr, L"", L""));
    EXPECT_TRUE(WaitForOutcome(worker).finished);
    EXPECT_TRUE(executer.m_waitFlag);
    EXPECT_EQ(1, executer.GetAsAdmin());
}

TEST_F(StartProcessTest, DestructorAnswersTheWorkersMessagesWhileItWaits)
{
    // The body sends to a window of this thread; the joining destructor must answer it.
    CRecordingWindow page;
    CScriptedExecuter executer;
    executer.m_hSendTo = page.Get();
    SetEvent(executer.m_release.Get());
    {
        CStartProcessFromThread worker(&executer, nullptr);
        ASSERT_EQ(1, worker.Start(L"x.exe", L"", false, false, nullptr, L"", L""));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(executer.m_entered.Get(), kWaitMs));
    }
    EXPECT_TRUE(executer.m_ended);
}

TEST_F(StartProcessTest, InstallerStopAndDestructionMidInstall)
{
    // Stop returns at once; the installation ends as cancelled (1602).
    {
        CScriptedExecuter executer;
        executer.m_blockUntilStop = true;
        CStartProcessFromThread worker(&executer, nullptr);
        ASSERT_EQ(1, worker.StartInstaller(L"D:\\p.msi", L"/qn", false, nullptr, nullptr, L"", L""));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(executer.m_entered.Get(), kWaitMs));
        EXPECT_FALSE(worker.Stop(true));
        EXPECT_FALSE(executer.m_ended); // still rolling back
        const COutcome o = WaitForOutcome(worker);
        EXPECT_TRUE(o.finished);
        EXPECT_FALSE(o.success);
        EXPECT_TRUE(o.cancelled);
        EXPECT_TRUE(o.checkReturnCode);
        EXPECT_EQ(1602u, o.exitCode);
    }
    // Destroyed mid-install: the destructor waits for the installation's end.
    CScriptedExecuter executer;
    executer.m_blockUntilStop = true;
    {
        CStartProcessFromThread worker(&executer, nullptr);
        ASSERT_EQ(1, worker.StartInstaller(L"D:\\p.msi", L"/qn", false, nullptr, nullptr, L"", L""));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(executer.m_entered.Get(), kWaitMs));
    }
    EXPECT_TRUE(executer.m_ended);
}

TEST_F(StartProcessTest, InstallerRestartCodesAreSuccess)
{
    for (DWORD code : { 0u, 3010u, 1641u, 1603u })
    {
        SCOPED_TRACE(code);
        CScriptedExecuter executer;
        executer.m_exitCode = code;
        SetEvent(executer.m_release.Get());
        CStartProcessFromThread worker(&executer, nullptr);
        ASSERT_EQ(1, worker.StartInstaller(L"D:\\p.msi", L"/qn", false, nullptr, nullptr, L"", L""));
        const COutcome o = WaitForOutcome(worker);
        EXPECT_EQ(code != 1603, o.success);
        EXPECT_EQ(code, o.exitCode);
        EXPECT_FALSE(o.cancelled);
    }
}

TEST(MsiLogMode, Letters)
{
    const struct
    {
        const wchar_t* letters;
        DWORD mode, attributes;
    } cases[] = {
        { L"", 0x3, 0 },
        { L"*V", 0x1FDF, 0 },
        { L"V*", 0x1FDF, 0 },  // "*" keeps the letters before it
        { L"*VX", 0x3FDF, 0 },
        { L"IWE", 0x16, 0 },
        { L"AR", 0x300, 0 },
        { L"UCMOP", 0x8 | 0x800 | 0x1 | 0x80 | 0x400, 0 },
        { L"E+!", 0x2, 0x3 },
        { L"+", 0, 0x1 },
        { L"?", 0, 0 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.letters).ToNarrow());
        const std::wstring text(c.letters);
        const CMsiLetterList letters(text.begin(), text.end());
        DWORD attributes = 99;
        EXPECT_EQ(c.mode, GetMsiLogMode(letters, attributes));
        EXPECT_EQ(c.attributes, attributes);
    }
}
