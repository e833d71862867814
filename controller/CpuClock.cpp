#include "CpuClock.h"

#include <x86intrin.h>

namespace
{
ULONGLONG ReadTimeStampCounter()
{
    return __rdtsc();
}

const CpuClockCalls kSystemCalls = { GetPriorityClass,    SetPriorityClass,          GetThreadPriority,
                                     SetThreadPriority,   QueryPerformanceFrequency, QueryPerformanceCounter,
                                     ReadTimeStampCounter };
const CpuClockCalls* g_pCalls = &kSystemCalls;

// Spins until the performance counter has advanced by the interval. Without a performance
// counter (or with a frequency under 1 kHz) it returns at once rather than spin for ever.
void BusyWait(DWORD intervalMs)
{
    LARGE_INTEGER frequency = {}, start = {}, now = {};
    if (!g_pCalls->pQueryPerformanceFrequency(&frequency) || !g_pCalls->pQueryPerformanceCounter(&start))
        return;
    const LONGLONG ticksPerMs = frequency.QuadPart / 1000;
    if (ticksPerMs <= 0)
        return;
    const LONGLONG target = ticksPerMs * static_cast<LONGLONG>(intervalMs);
    do
    {
        if (!g_pCalls->pQueryPerformanceCounter(&now))
            return;
    } while (now.QuadPart - start.QuadPart < target);
}

LONGLONG CountTimeStampTicks(DWORD intervalMs)
{
    const ULONGLONG before = g_pCalls->pReadTimeStampCounter();
    BusyWait(intervalMs);
    return static_cast<LONGLONG>(g_pCalls->pReadTimeStampCounter() - before);
}
}

const CpuClockCalls* SetCpuClockCalls(const CpuClockCalls* pCalls)
{
    const CpuClockCalls* pOld = g_pCalls;
    g_pCalls = pCalls ? pCalls : &kSystemCalls;
    return pOld;
}

LONGLONG MeasureCpuClockMHz(DWORD repetitions, DWORD intervalMs, int threadPriority, DWORD priorityClass)
{
    if (repetitions == 0 || intervalMs == 0)
        return 0;
    HANDLE process = GetCurrentProcess();
    HANDLE thread = GetCurrentThread();

    // Only what could be read is changed, so that only what was changed is restored.
    DWORD oldClass = 0;
    if (priorityClass != 0)
    {
        oldClass = g_pCalls->pGetPriorityClass(process);
        if (oldClass != 0)
            g_pCalls->pSetPriorityClass(process, priorityClass);
    }
    int oldPriority = THREAD_PRIORITY_ERROR_RETURN;
    if (threadPriority != kKeepThreadPriority)
    {
        oldPriority = g_pCalls->pGetThreadPriority(thread);
        if (oldPriority != THREAD_PRIORITY_ERROR_RETURN)
            g_pCalls->pSetThreadPriority(thread, threadPriority);
    }

    LONGLONG busy = 0, overhead = 0;
    for (DWORD i = 0; i < repetitions; ++i)
    {
        busy += CountTimeStampTicks(intervalMs);
        overhead += CountTimeStampTicks(0);
    }

    if (oldPriority != THREAD_PRIORITY_ERROR_RETURN)
        g_pCalls->pSetThreadPriority(thread, oldPriority);
    if (oldClass != 0)
        g_pCalls->pSetPriorityClass(process, oldClass);

    return (busy - overhead) / static_cast<LONGLONG>(repetitions) / static_cast<LONGLONG>(intervalMs) / 1000;
}
