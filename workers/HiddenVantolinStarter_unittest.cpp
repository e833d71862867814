// The hidden product starter with the stand-in product, the test shell and the real channel.
// The program holds the controller_instance lock: it needs the desktop's shell window.
#include "workers/HiddenVantolinStarter.h"
#include "workers/IInstanceFlagOwner.h"
#include "workers/KeepAliveThread.h"
#include "config/OruCommunicationConfig.h"
#include "config/QMConfig.h"
#include "support/Registry.h"
#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestShell.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace
{
const wchar_t kRoot[] = L"Vantolin_StarterTest";
const HWND kWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0xABCD));

class CRecordingFlagOwner : public IInstanceFlagOwner
{
public:
    bool ReleaseInstanceFlag() override
    {
        m_calls += L"release;";
        return true;
    }
    bool RetakeInstanceFlag() override
    {
        m_calls += L"retake;";
        return m_bRetakeSucceeds;
    }
    CString m_calls;
    bool m_bRetakeSucceeds = true;
};

CString ChannelValue(const wchar_t* pszName)
{
    return GetRegString(HKEY_CURRENT_USER, OruCommunicationConfig::GetChannelKey(), pszName, 0);
}

bool ChannelValueExists(const wchar_t* pszName)
{
    return UserRegValueExists(OruCommunicationConfig::GetChannelKey(), pszName);
}

void DeleteChannelValue(const wchar_t* pszName)
{
    DeleteUserRegValue(OruCommunicationConfig::GetChannelKey(), pszName);
}

// The store keeps the channel's key open: the values go, the key stays.
void ClearChannel()
{
    for (const wchar_t* pszName : { L"CommandFromORU", L"VantolinState", L"StateMessageFromVantolin",
                                    L"SubStateMessageFromVantolin", L"ORUIsAlive" })
        DeleteChannelValue(pszName);
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition())
    {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

// Longer than three beats of the heartbeat: long enough to see that none comes.
void SleepPastBeats()
{
    Sleep(1600);
}

void InitChannel()
{
    QMConfig* pConfig = QMConfig::GetInstance();
    pConfig->Uninitialize();
    pConfig->SetRoot(kRoot, QMCONFIG_MODE_REGISTRY);
    pConfig->Initialize();
    OruCommunicationConfig::Init(pConfig);
    ClearChannel();
}

class StarterTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "starter_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        InitChannel();
    }
    void TearDown() override
    {
        ClearChannel();
        CTracedTest::TearDown();
    }
    // The stand-in product in a folder with a blank, with its script; the launch command quoted.
    CString PrepareProduct(const std::string& script)
    {
        m_appFolder = m_folder + L"app folder\\";
        CreateDirectoryW(m_appFolder, nullptr);
        EXPECT_TRUE(CopyInto(L"Vantolin.exe", m_appFolder));
        if (!script.empty())
            WriteTextFile(m_appFolder + L"Vantolin.ini", "[Run]\r\nChannel=" +
                                                             OruCommunicationConfig::GetChannelKey().ToNarrow(CP_UTF8) +
                                                             "\r\n" + script);
        return L"\"" + m_appFolder + L"Vantolin.exe\"";
    }
    CString Record() const { return ReadUtf8File(m_appFolder + L"Vantolin_record.txt"); }
    CString m_appFolder;
};

TEST(StarterLaunchCommand, ProgramAndArgumentsOfTheCommand)
{
    const struct
    {
        const wchar_t* command;
        const wchar_t* program;
        const wchar_t* arguments;
    } cases[] = {
        { L"\"D:\\a folder\\Vantolin.exe\"", L"D:\\a folder\\Vantolin.exe", L"" },
        { L"\"D:\\a folder\\Vantolin.exe\" -portable x", L"D:\\a folder\\Vantolin.exe", L"-portable x" },
        { L"D:\\a folder\\Vantolin.exe", L"D:\\a folder\\Vantolin.exe", L"" },
        { L"  \"D:\\a\\Vantolin.exe\"  ", L"D:\\a\\Vantolin.exe", L"" },
        { L"\"D:\\a\\Vantolin.exe", L"D:\\a\\Vantolin.exe", L"" },
        { L"\"\"", L"", L"" },
    };
    for (const auto& c : cases)
    {
        CString program, arguments;
        CHiddenVantolinStarter::SplitLaunchCommand(c.command, program, arguments);
        EXPECT_EQ(CString(c.program), program) << CString(c.command).ToNarrow(CP_UTF8);
        EXPECT_EQ(CString(c.arguments), arguments) << CString(c.command).ToNarrow(CP_UTF8);
    }
}

TEST_F(StarterTest, EmptyCommandStartsNothing)
{
    CRecordingFlagOwner owner;
    CHiddenVantolinStarter starter(&owner);
    EXPECT_FALSE(starter.StartHiddenVantolin(CString(), kWindow));
    EXPECT_TRUE(Contains(Log(), L"StartHiddenVantolin: no launch command in registry!"));
    EXPECT_EQ(CString(), owner.m_calls);
    EXPECT_FALSE(ChannelValueExists(L"CommandFromORU"));
    EXPECT_FALSE(starter.IsVantolinAlive());
}

// The whole conversation: quoted command in a folder with a blank, the product's states, the
// heartbeat, then "Close".
TEST_F(StarterTest, ConversationUntilClose)
{
    CTestShell shell;
    ASSERT_TRUE(shell.Start());
    const CString command = PrepareProduct("InitDelay=2000\r\nStateMessage=Preparing\r\nSubStates=one|two\r\n");
    // Left from an earlier run: the start must clear them.
    WriteRegString(HKEY_CURRENT_USER, OruCommunicationConfig::GetChannelKey(), L"VantolinState", REG_SZ,
                   L"WaitingCommandFromORU", nullptr, 0);
    WriteRegString(HKEY_CURRENT_USER, OruCommunicationConfig::GetChannelKey(), L"StateMessageFromVantolin", REG_SZ,
                   L"old", nullptr, 0);

    CRecordingFlagOwner owner;
    CHiddenVantolinStarter starter(&owner);
    ASSERT_TRUE(starter.StartHiddenVantolin(command + L" -extra", kWindow));
    // The product waits two seconds before it writes anything.
    EXPECT_EQ(CString(L"WaitHidden"), ChannelValue(L"CommandFromORU"));
    EXPECT_EQ(CString(), ChannelValue(L"VantolinState"));
    EXPECT_EQ(CString(), ChannelValue(L"StateMessageFromVantolin"));
    EXPECT_EQ(CString(), ChannelValue(L"SubStateMessageFromVantolin"));
    EXPECT_FALSE(starter.HasVantolinStarted());
    EXPECT_FALSE(starter.IsVantolinWaitingForCommand());
    EXPECT_TRUE(starter.IsVantolinAlive());
    EXPECT_EQ(CString(L"release;"), owner.m_calls);

    ASSERT_TRUE(WaitFor([&] { return starter.HasVantolinStarted(); }, 30000));
    EXPECT_TRUE(Contains(Log(), L"subscribing a new listener to section[OruCommunication]"));
    EXPECT_FALSE(Contains(Log(), L"unsubscribing a listener"));
    ASSERT_TRUE(WaitFor([&] { return starter.IsVantolinWaitingForCommand(); }, 30000));
    EXPECT_TRUE(Contains(Log(), L"unsubscribing a listener from section[OruCommunication]"))
        << "a product that waits for its command needs no listener";
    CString message, subMessage;
    starter.GetStateMessage(message);
    starter.GetSubStateMessage(subMessage);
    EXPECT_EQ(CString(L"Preparing"), message);
    EXPECT_EQ(CString(L"two"), subMessage);

    starter.CloseVantolin();
    EXPECT_EQ(CString(L"Close"), ChannelValue(L"CommandFromORU"));
    ASSERT_TRUE(WaitFor([&] { return !starter.IsVantolinAlive(); }, 30000));

    const CString record = Record();
    EXPECT_TRUE(Contains(record, L"CommandLine=Vantolin.exe -extra -StartedByORU -hwndoru:0000ABCD\r\n"))
        << record.ToNarrow(CP_UTF8);
    EXPECT_TRUE(Contains(record, L"WorkingFolder=" + m_appFolder.Left(m_appFolder.GetLength() - 1) + L"\r\n"));
    EXPECT_TRUE(Contains(record, L"AliveAfterReset=1\r\n")) << "the heartbeat brings ORUIsAlive back";
    EXPECT_TRUE(Contains(record, L"Command=WaitHidden\r\nCommand=Close\r\nExit=0"));
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"StartHiddenVantolin: working dir [" + m_appFolder + L"]"));
    EXPECT_TRUE(Contains(log, L"CHiddenVantolinStarter::CloseVantolin"));
    EXPECT_TRUE(Contains(log, L"IsVantolinAlive: Vantolin process terminated with code 0x00000000"));
    EXPECT_EQ(CString(L"release;"), owner.m_calls) << "a started product keeps the flag released";
}

// ORUIsAlive comes back while the conversation lasts and never after any of its ends.
TEST_F(StarterTest, HeartbeatEndsWithTheConversation)
{
    CTestShell shell;
    ASSERT_TRUE(shell.Start());
    const CString command = PrepareProduct("");
    const struct
    {
        const char* name;
        std::function<void(CHiddenVantolinStarter&)> end;
        const wchar_t* finalCommand;
    } ends[] = {
        { "StopCommunication", [](CHiddenVantolinStarter& s) { s.StopCommunication(); }, L"WaitHidden" },
        { "StartVantolin", [](CHiddenVantolinStarter& s) { s.StartVantolin(); }, L"Start" },
        { "CloseVantolin", [](CHiddenVantolinStarter& s) { s.CloseVantolin(); }, L"Close" },
    };
    for (const auto& e : ends)
    {
        SCOPED_TRACE(e.name);
        CHiddenVantolinStarter starter(nullptr);
        ASSERT_TRUE(starter.StartHiddenVantolin(command, kWindow));
        DeleteChannelValue(L"ORUIsAlive");
        EXPECT_TRUE(WaitFor([] { return ChannelValue(L"ORUIsAlive") == L"1"; }, 10000));
        e.end(starter);
        EXPECT_EQ(CString(e.finalCommand), ChannelValue(L"CommandFromORU"));
        DeleteChannelValue(L"ORUIsAlive");
        SleepPastBeats();
        EXPECT_FALSE(ChannelValueExists(L"ORUIsAlive"));
        // A second stop finds nothing to stop.
        starter.StopCommunication();
    }
    const CString log = Log();
    int entering = 0, exiting = 0;
    for (int at = log.Find(L"Entering RunKeepAliveWorkerThread"); at >= 0;
         at = log.Find(L"Entering RunKeepAliveWorkerThread", at + 1))
        ++entering;
    for (int at = log.Find(L"Exiting RunKeepAliveWorkerThread"); at >= 0;
         at = log.Find(L"Exiting RunKeepAliveWorkerThread", at + 1))
        ++exiting;
    EXPECT_EQ(3, entering);
    EXPECT_EQ(3, exiting);
}

TEST_F(StarterTest, SecondStartEndsTheFirstHeartbeat)
{
    CTestShell shell;
    ASSERT_TRUE(shell.Start());
    const CString command = PrepareProduct("");
    {
        CHiddenVantolinStarter starter(nullptr);
        ASSERT_TRUE(starter.StartHiddenVantolin(command, kWindow));
        ASSERT_TRUE(starter.StartHiddenVantolin(command, kWindow));
        starter.StopCommunication();
    }
    DeleteChannelValue(L"ORUIsAlive");
    SleepPastBeats();
    EXPECT_FALSE(ChannelValueExists(L"ORUIsAlive")) << "no heartbeat is left running";
}

TEST_F(StarterTest, EndedProductIsNotAlive)
{
    CTestShell shell;
    ASSERT_TRUE(shell.Start());
    const struct
    {
        const char* exitCode;
        const wchar_t* line;
    } cases[] = {
        { "0x1234", L"IsVantolinAlive: Vantolin process terminated with code 0x00001234" },
        // The code that also means "still active".
        { "259", L"IsVantolinAlive: Vantolin process terminated with code 0x00000103" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.exitCode);
        const CString command = PrepareProduct(std::string("ExitCode=") + c.exitCode + "\r\n");
        CHiddenVantolinStarter starter(nullptr);
        ASSERT_TRUE(starter.StartHiddenVantolin(command, kWindow));
        EXPECT_TRUE(WaitFor([&] { return !starter.IsVantolinAlive(); }, 30000));
        EXPECT_TRUE(Contains(Log(), c.line));
        starter.StopCommunication();
    }
}

// 1,000 commands from this thread while the heartbeat writes from its own.
TEST_F(StarterTest, CommandsWhileTheHeartbeatRuns)
{
    CKeepAliveThread heartbeat;
    ASSERT_TRUE(heartbeat.Start());
    for (int i = 0; i < 1000; ++i)
    {
        OruCommunicationConfig::SetCommandFromORU(i % 3);
        if (i % 100 == 0)
            OruCommunicationConfig::Init(QMConfig::GetInstance());
    }
    heartbeat.Stop();
    EXPECT_EQ(CString(L"WaitHidden"), ChannelValue(L"CommandFromORU"));
    EXPECT_EQ(CString(L"1"), ChannelValue(L"ORUIsAlive"));
    EXPECT_TRUE(Contains(OruCommunicationConfig::GetChannelKey(), kRoot));
}

// In a copy of this program whose folder holds no launcher library, or one without the export.
TEST(StarterChild, FailedStartUndoesTheConversation)
{
    if (!IsChildTestRun())
        GTEST_SKIP() << "runs in a copy of this program";
    CTraceCapture capture(L"starter_child_log");
    InitChannel();
    for (bool bRetake : { true, false })
    {
        CRecordingFlagOwner owner;
        owner.m_bRetakeSucceeds = bRetake;
        CHiddenVantolinStarter starter(&owner);
        EXPECT_FALSE(starter.StartHiddenVantolin(L"\"D:\\tests\\nowhere\\Vantolin.exe\"", kWindow));
        EXPECT_EQ(CString(L"release;retake;"), owner.m_calls);
        DeleteChannelValue(L"ORUIsAlive");
        SleepPastBeats();
        EXPECT_FALSE(ChannelValueExists(L"ORUIsAlive")) << "the heartbeat is stopped";
        EXPECT_FALSE(starter.IsVantolinAlive());
    }
    const CString log = capture.Text();
    EXPECT_TRUE(Contains(log, L"StartHiddenVantolin: DesktopSpawner.dll not found"));
    EXPECT_TRUE(Contains(log, L"Exiting RunKeepAliveWorkerThread"));
    EXPECT_TRUE(Contains(log, L"unsubscribing a listener from section[OruCommunication]"));
    EXPECT_TRUE(Contains(log, L"another setup has taken the instance flag"));
}

// In a copy of this program that Wine tells it runs on Windows XP: the shell starts the product.
TEST(StarterChild, BeforeVistaTheShellStartsIt)
{
    if (!IsChildTestRun())
        GTEST_SKIP() << "runs in a copy of this program";
    CTraceCapture capture(L"starter_child_log");
    InitChannel();
    const CString appFolder = L"D:\\tests\\starter_xp\\app folder\\";
    CHiddenVantolinStarter starter(nullptr);
    ASSERT_TRUE(starter.StartHiddenVantolin(L"\"" + appFolder + L"Vantolin.exe\" -extra", kWindow));
    EXPECT_TRUE(WaitFor([&] { return !starter.IsVantolinAlive(); }, 30000));
    starter.StopCommunication();
    const CString record = ReadUtf8File(appFolder + L"Vantolin_record.txt");
    EXPECT_TRUE(Contains(record, L"-extra -StartedByORU -hwndoru:0000ABCD\r\n")) << record.ToNarrow(CP_UTF8);
    EXPECT_TRUE(Contains(record, L"WorkingFolder=D:\\tests\\starter_xp\\app folder\r\n")) << record.ToNarrow(CP_UTF8);
}

CString ChildLog()
{
    const CString folder = L"D:\\tests\\starter_child_log\\";
    const CStringArray files = ListFiles(folder + L"Log*");
    return files.IsEmpty() ? CString() : ReadUtf16File(folder + files[0]);
}

TEST(StarterInCopies, WithoutTheLauncherTheStartFails)
{
    const struct
    {
        const char* name;
        const wchar_t* library;
    } cases[] = { { "no library", nullptr }, { "library without the export", L"NoSpawner.dll" } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const CString folder = FreshTestFolder(L"starter_nolibrary");
        if (c.library)
            ASSERT_TRUE(CopyInto(c.library, folder, L"DesktopSpawner.dll"));
        EXPECT_EQ(0u, RunTestProgramCopy(folder, L"StarterNoLibrary_test.exe",
                                         "StarterChild.FailedStartUndoesTheConversation", 60000));
        EXPECT_TRUE(Contains(ChildLog(), L"DesktopSpawner.dll not found")) << "the copy's test ran";
    }
}

TEST(StarterInCopies, WindowsXPUsesTheShell)
{
    const CString folder = FreshTestFolder(L"starter_xp");
    const CString appFolder = folder + L"app folder\\";
    CreateDirectoryW(appFolder, nullptr);
    ASSERT_TRUE(CopyInto(L"Vantolin.exe", appFolder));
    ASSERT_TRUE(SetWineVersionFor(L"StarterXp_test.exe", L"winxp"));
    EXPECT_EQ(0u, RunTestProgramCopy(folder, L"StarterXp_test.exe", "StarterChild.BeforeVistaTheShellStartsIt", 60000));
    EXPECT_TRUE(Contains(ChildLog(), L"StartHiddenVantolin: working dir [")) << "the copy's test ran";
    EXPECT_FALSE(FileExists(folder + L"DesktopSpawner.dll"));
}
} // namespace
