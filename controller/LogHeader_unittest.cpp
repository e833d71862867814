// The header writer with given values, and the processor-clock measurement on given counters.

#include "controller/CpuClock.h"
#include "controller/LogHeader.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
CLogHeaderValues SampleValues()
{
    CLogHeaderValues v;
    v.version = L"3.0.1.12";
    v.date = L"12/10/26";
    v.computerName = L"A%sB%n";
    v.osName = L"Windows 7, Service Pack 1, build 7601";
    v.osBits = 64;
    v.servicePack = L"Service Pack 1";
    v.userLogin = L"tester";
    v.timeIncrementUs = 15625;
    v.cpuMHz = 2999;
    v.buildDate = L"Aug 12 2015";
    v.buildTime = L"17:16:44";
    return v;
}

}

TEST(LogHeader, LinesInOrderWithTheirValues)
{
    const struct
    {
        int increment;
        bool incrementLine;
    } cases[] = { { 15625, true }, { -1, false }, { 0, false } };
    int n = 0;
    for (const auto& c : cases)
    {
        CTraceCapture capture(CString(L"logheader_lines") + CString::FromNarrow(std::to_string(n++)));
        CLogHeaderValues values = SampleValues();
        values.timeIncrementUs = c.increment;
        WriteLogHeader(values);

        std::vector<const wchar_t*> expected = {
            L"INF: Starting ORU2010 version 3.0.1.12",
            L"INF: Start date: 12/10/26",
            L"INF: Computer name: A%sB%n",
            L"INF: OS: Windows 7, Service Pack 1, build 7601 64-bit edition",
            L"INF: ServicePack: Service Pack 1",
            L"INF: User login: tester",
        };
        if (c.incrementLine)
            expected.push_back(L"INF: System time (Windows) clock interval: 15625 [microsec]");
        expected.push_back(L"INF: CPU MHz: 2999");
        expected.push_back(L"INF: Build time: Aug 12 2015, 17:16:44");
        expected.push_back(L"");

        const std::vector<CString> lines = TraceLineTexts(capture.Text());
        ASSERT_EQ(expected.size(), lines.size()) << capture.Text().ToNarrow(CP_UTF8);
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(CString(expected[i]), lines[i]) << "increment " << c.increment << ", line " << i + 1;
    }
}

namespace
{
// A machine whose performance counter runs at 1 MHz and advances one tick per reading, and
// whose time-stamp counter runs at 3 GHz on the same time.
struct CFakeMachine
{
    LONGLONG micros = 0;
    bool counterWorks = true;
    DWORD priorityClass = NORMAL_PRIORITY_CLASS; // 0: cannot be read
    int threadPriority = THREAD_PRIORITY_NORMAL; // THREAD_PRIORITY_ERROR_RETURN: cannot be read
    std::vector<std::string> changes;
};
CFakeMachine* g_machine = nullptr;

DWORD WINAPI FakeGetPriorityClass(HANDLE)
{
    return g_machine->priorityClass;
}
BOOL WINAPI FakeSetPriorityClass(HANDLE, DWORD value)
{
    g_machine->changes.push_back("class " + std::to_string(value));
    return TRUE;
}
int WINAPI FakeGetThreadPriority(HANDLE)
{
    return g_machine->threadPriority;
}
BOOL WINAPI FakeSetThreadPriority(HANDLE, int value)
{
    g_machine->changes.push_back("thread " + std::to_string(value));
    return TRUE;
}
BOOL WINAPI FakeFrequency(LARGE_INTEGER* p)
{
    p->QuadPart = g_machine->counterWorks ? 1000000 : 0;
    return g_machine->counterWorks ? TRUE : FALSE;
}
BOOL WINAPI FakeCounter(LARGE_INTEGER* p)
{
    p->QuadPart = g_machine->counterWorks ? ++g_machine->micros : 0;
    return g_machine->counterWorks ? TRUE : FALSE;
}
ULONGLONG FakeTimeStamp()
{
    return static_cast<ULONGLONG>(g_machine->micros) * 3000;
}

class CpuClockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_machine = &m_machine;
        static const CpuClockCalls calls = { FakeGetPriorityClass,  FakeSetPriorityClass, FakeGetThreadPriority,
                                             FakeSetThreadPriority, FakeFrequency,        FakeCounter,
                                             FakeTimeStamp };
        m_clock.Install(&calls);
    }
    void TearDown() override { g_machine = nullptr; }
    const CScopedCalls<CpuClockCalls> m_clock{ SetCpuClockCalls, nullptr };
    CFakeMachine m_machine;
};
}

TEST_F(CpuClockTest, ThreeGigahertzReadsAsAbout3000)
{
    for (DWORD repetitions : { 1u, 3u })
    {
        const LONGLONG mhz =
            MeasureCpuClockMHz(repetitions, 50, THREAD_PRIORITY_TIME_CRITICAL, REALTIME_PRIORITY_CLASS);
        EXPECT_GE(mhz, 2990) << repetitions;
        EXPECT_LE(mhz, 3000) << repetitions;
    }
}

TEST_F(CpuClockTest, RaisedPrioritiesAreRestoredInReverseOrder)
{
    m_machine.priorityClass = HIGH_PRIORITY_CLASS;
    m_machine.threadPriority = THREAD_PRIORITY_BELOW_NORMAL;
    MeasureCpuClockMHz(1, 50, THREAD_PRIORITY_TIME_CRITICAL, REALTIME_PRIORITY_CLASS);
    const std::vector<std::string> expected = { "class 256", "thread 15", "thread -1", "class 128" };
    EXPECT_EQ(expected, m_machine.changes);
}

TEST_F(CpuClockTest, WhatCannotBeReadIsNeitherChangedNorRestored)
{
    const struct
    {
        DWORD readableClass;
        int readableThread;
        int threadArgument;
        DWORD classArgument;
        std::vector<std::string> changes;
    } cases[] = {
        // No right to read the class: the measurement runs at the normal class.
        { 0,
          THREAD_PRIORITY_NORMAL,
          THREAD_PRIORITY_TIME_CRITICAL,
          REALTIME_PRIORITY_CLASS,
          { "thread 15", "thread 0" } },
        { NORMAL_PRIORITY_CLASS,
          THREAD_PRIORITY_ERROR_RETURN,
          THREAD_PRIORITY_TIME_CRITICAL,
          REALTIME_PRIORITY_CLASS,
          { "class 256", "class 32" } },
        // Nothing asked for: nothing touched.
        { NORMAL_PRIORITY_CLASS, THREAD_PRIORITY_NORMAL, kKeepThreadPriority, 0, {} },
    };
    for (const auto& c : cases)
    {
        m_machine.changes.clear();
        m_machine.priorityClass = c.readableClass;
        m_machine.threadPriority = c.readableThread;
        EXPECT_GT(MeasureCpuClockMHz(1, 50, c.threadArgument, c.classArgument), 2900);
        EXPECT_EQ(c.changes, m_machine.changes) << c.readableClass << " " << c.readableThread;
    }
}

TEST_F(CpuClockTest, NothingToMeasureOrNoCounter)
{
    EXPECT_EQ(0, MeasureCpuClockMHz(0, 50, THREAD_PRIORITY_TIME_CRITICAL, REALTIME_PRIORITY_CLASS));
    EXPECT_EQ(0, MeasureCpuClockMHz(1, 0, THREAD_PRIORITY_TIME_CRITICAL, REALTIME_PRIORITY_CLASS));
    EXPECT_TRUE(m_machine.changes.empty());

    // Without a performance counter the waits return at once instead of spinning for ever.
    m_machine.counterWorks = false;
    EXPECT_EQ(0, MeasureCpuClockMHz(1, 50, THREAD_PRIORITY_TIME_CRITICAL, REALTIME_PRIORITY_CLASS));
    EXPECT_EQ(4u, m_machine.changes.size()) << "the priorities are restored all the same";
}

TEST(CpuClock, RealMeasurementLeavesThePrioritiesAsTheyWere)
{
    const DWORD classBefore = GetPriorityClass(GetCurrentProcess());
    const int threadBefore = GetThreadPriority(GetCurrentThread());
    EXPECT_GT(MeasureCpuClockMHz(1, 50, THREAD_PRIORITY_TIME_CRITICAL, REALTIME_PRIORITY_CLASS), 0);
    EXPECT_EQ(classBefore, GetPriorityClass(GetCurrentProcess()));
    EXPECT_EQ(threadBefore, GetThreadPriority(GetCurrentThread()));
}
