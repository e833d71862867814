// The trace log's echo to the debugger output: only while a debugger is attached or a
// debug-output monitor listens, looked up at most once a second; the file's lines never change.
#include "support/TraceLog.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/TestArea.h"
#include "tests/common/TestEvent.h"

#include "classlib/Handles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
const DWORD kPrintException = 0x40010006;     // OutputDebugStringA's exception: length, text
const DWORD kPrintExceptionWide = 0x4001000A; // newer systems raise this one first for wide text

const SYSTEMTIME kNow = { 2024, 1, 0, 31, 14, 25, 1, 347 };
DWORD g_ticks = 0;

void FixedLocalTime(SYSTEMTIME* pNow)
{
    *pNow = kNow;
}

DWORD WINAPI FakeTicks()
{
    return g_ticks;
}

const TraceClockCalls kFakeClock = { FixedLocalTime, FakeTicks };

// Every string this process sends to the debugger output, seen as the exception that carries it
// (before the system's handler passes it on to a monitor).
class CEchoWatch
{
public:
    CEchoWatch() : m_handler(AddVectoredExceptionHandler(1, OnException)) { s_pWatch = this; }
    ~CEchoWatch()
    {
        RemoveVectoredExceptionHandler(m_handler);
        s_pWatch = nullptr;
    }
    CEchoWatch(const CEchoWatch&) = delete;
    CEchoWatch& operator=(const CEchoWatch&) = delete;

    // The echoed texts since the last call; a wide and a narrow exception for one string count once.
    std::vector<CString> Take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<CString> taken;
        taken.swap(m_texts);
        return taken;
    }

private:
    static LONG CALLBACK OnException(EXCEPTION_POINTERS* pException)
    {
        const EXCEPTION_RECORD& record = *pException->ExceptionRecord;
        CEchoWatch* pWatch = s_pWatch;
        if (!pWatch || record.NumberParameters < 2 || !record.ExceptionInformation[1])
            return EXCEPTION_CONTINUE_SEARCH;
        CString text;
        if (record.ExceptionCode == kPrintException)
            text = CString::FromNarrow(reinterpret_cast<const char*>(record.ExceptionInformation[1]));
        else if (record.ExceptionCode == kPrintExceptionWide)
            text = reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]);
        else
            return EXCEPTION_CONTINUE_SEARCH;
        std::lock_guard<std::mutex> lock(pWatch->m_mutex);
        if (pWatch->m_texts.empty() || pWatch->m_texts.back() != text)
            pWatch->m_texts.push_back(text);
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static CEchoWatch* volatile s_pWatch;
    PVOID m_handler;
    std::mutex m_mutex;
    std::vector<CString> m_texts;
};
CEchoWatch* volatile CEchoWatch::s_pWatch = nullptr;

// What a monitor creates first and what the log looks for.
CScopedHandle MonitorReadyEvent()
{
    return CScopedHandle(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
}

bool MonitorExists()
{
    return CScopedHandle(OpenEventW(SYNCHRONIZE, FALSE, L"DBWIN_BUFFER_READY")).IsValid();
}

// A debug-output monitor as such tools make it: the shared buffer (the writer's process id, then
// its text) and the two events that hand it back and forth. Keeps the strings of this process.
// Other processes of the prefix may write to it while it lives; it serves them too, so that none
// of them waits for the buffer.
class CDebugOutputMonitor
{
public:
    CDebugOutputMonitor()
        : m_ready(MonitorReadyEvent()),
          m_data(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")),
          m_buffer(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER"))
    {
        m_pView = m_buffer ? MapViewOfFile(m_buffer.Get(), FILE_MAP_READ, 0, 0, 4096) : nullptr;
        if (m_ready && m_data && m_pView)
            m_thread = std::thread([this] { Serve(); });
    }
    ~CDebugOutputMonitor()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_pView)
            UnmapViewOfFile(m_pView);
    }
    CDebugOutputMonitor(const CDebugOutputMonitor&) = delete;
    CDebugOutputMonitor& operator=(const CDebugOutputMonitor&) = delete;

    bool IsListening() const { return m_thread.joinable(); }
    // True when this process sent the text within the time.
    bool WaitFor(const CString& text, DWORD ms)
    {
        for (DWORD waited = 0;; waited += 50)
        {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                for (const CString& received : m_received)
                    if (received == text)
                        return true;
            }
            if (waited >= ms)
                return false;
            Sleep(50);
        }
    }

private:
    void Serve()
    {
        SetEvent(m_ready.Get());
        while (!m_stop)
        {
            if (WaitForSingleObject(m_data.Get(), 50) != WAIT_OBJECT_0)
                continue;
            const DWORD pid = *static_cast<const DWORD*>(m_pView);
            const char* pszText = static_cast<const char*>(m_pView) + sizeof(DWORD);
            const CString text = CString::FromNarrow(std::string(pszText, strnlen(pszText, 4096 - sizeof(DWORD))));
            if (pid == GetCurrentProcessId())
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_received.push_back(text);
            }
            SetEvent(m_ready.Get());
        }
        // New writers find no buffer once it is closed; one that opened it just before still
        // gets its turn until the events stay quiet.
        m_buffer.Close();
        while (WaitForSingleObject(m_data.Get(), 300) == WAIT_OBJECT_0)
            SetEvent(m_ready.Get());
    }

    CScopedHandle m_ready;
    CScopedHandle m_data;
    CScopedHandle m_buffer;
    void* m_pView = nullptr;
    std::atomic<bool> m_stop{ false };
    std::mutex m_mutex;
    std::vector<CString> m_received;
    std::thread m_thread;
};

class TraceEchoTest : public ::testing::Test
{
protected:
    const CScopedCalls<TraceClockCalls> m_clock{ SetTraceClockCalls, &kFakeClock };
    void SetUp() override
    {
        ASSERT_FALSE(MonitorExists()) << "a debug-output monitor runs in the prefix";
        ASSERT_FALSE(IsDebuggerPresent());
        g_ticks = 0;
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = FreshTestFolder(CString::FromNarrow(std::string("traceecho_") + info->name()));
        SetTracePrefix(m_folder + L"Log_oru");
        SetTraceLevel(TRACE_TRACE);
    }
    void TearDown() override
    {
        SetTraceLevel(TRACE_OFF);
        SetTracePrefix(L"D:\\tests\\traceecho_unused");
    }
    // The line as the file holds it (and as a monitor receives it).
    static CString Line(const wchar_t* pszMessage)
    {
        CString line;
        line.Format(L"14:25:01.347 %X -->: %s\r\n", GetCurrentThreadId(), pszMessage);
        return line;
    }
    CString m_folder;
};
}

TEST_F(TraceEchoTest, NoEchoWithoutAListener)
{
    CEchoWatch watch;
    for (DWORD ticks : { 0u, 10u, 1000u, 5000u })
    {
        g_ticks = ticks;
        Trace(TRACE_TRACE, L"line at %u", ticks);
    }
    EXPECT_TRUE(watch.Take().empty());
    EXPECT_EQ(Line(L"line at 0") + Line(L"line at 10") + Line(L"line at 1000") + Line(L"line at 5000"),
              ReadUtf16File(GetTraceFileName()));

    // A monitor does not make the log write lines its level leaves out.
    CScopedHandle ready = MonitorReadyEvent();
    g_ticks = 9000;
    SetTraceLevel(TRACE_INFO);
    Trace(TRACE_TRACE, L"left out");
    EXPECT_TRUE(watch.Take().empty());
}

// The log looks for a monitor at its first line and again once at least a second has passed,
// counted in ticks that may wrap; in between it keeps its last answer.
TEST_F(TraceEchoTest, EchoFollowsTheListenerLookedUpOnceASecond)
{
    CEchoWatch watch;
    CScopedHandle ready;
    const struct
    {
        DWORD ticks;
        bool monitor; // a monitor's event exists when the line is written
        bool echoed;
    } steps[] = {
        { 0, false, false },          { 500, true, false },        { 999, true, false },
        { 1000, true, true },         { 1500, false, true },       { 2000, false, false },
        { 0xFFFFFE00u, true, true },  { 0x000001E7u, false, true }, { 0x000001E8u, false, false },
        { 0x000005D0u, true, true },
    };
    CString expectedFile;
    for (const auto& step : steps)
    {
        if (step.monitor && !ready)
            ready = MonitorReadyEvent();
        else if (!step.monitor)
            ready.Close();
        g_ticks = step.ticks;
        CString message;
        message.Format(L"line at %08X", step.ticks);
        Trace(TRACE_TRACE, L"%s", message.GetString());
        expectedFile += Line(message);

        const std::vector<CString> echoed = watch.Take();
        if (step.echoed)
        {
            ASSERT_EQ(1u, echoed.size()) << message;
            EXPECT_EQ(Line(message), echoed[0]);
        }
        else
        {
            EXPECT_TRUE(echoed.empty()) << message;
        }
    }
    // Echoed or not, the file holds every line exactly as before.
    EXPECT_EQ(expectedFile, ReadUtf16File(GetTraceFileName()));
}

// The echo reaches a real monitor through the system's own path.
TEST_F(TraceEchoTest, AMonitorReceivesTheLine)
{
    Trace(TRACE_TRACE, L"before the monitor");
    bool received = false;
    {
        CDebugOutputMonitor monitor;
        ASSERT_TRUE(monitor.IsListening());
        g_ticks = 1000;
        Trace(TRACE_TRACE, L"to the monitor: %s", L"D:\\some\\path");
        received = monitor.WaitFor(Line(L"to the monitor: D:\\some\\path"), 20000);
    }
    EXPECT_TRUE(received);
    EXPECT_EQ(Line(L"before the monitor") + Line(L"to the monitor: D:\\some\\path"), ReadUtf16File(GetTraceFileName()));
}
