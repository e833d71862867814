#pragma once
// The processor clock measured for the log header: time-stamp counter ticks over a busy wait
// timed by the performance counter. The platform calls go through a seam so that the priority
// handling and the arithmetic can be checked with given counters.

#include <windows.h>

struct CpuClockCalls
{
    DWORD(WINAPI* pGetPriorityClass)(HANDLE process);
    BOOL(WINAPI* pSetPriorityClass)(HANDLE process, DWORD priorityClass);
    int(WINAPI* pGetThreadPriority)(HANDLE thread);
    BOOL(WINAPI* pSetThreadPriority)(HANDLE thread, int priority);
    BOOL(WINAPI* pQueryPerformanceFrequency)(LARGE_INTEGER* pFrequency);
    BOOL(WINAPI* pQueryPerformanceCounter)(LARGE_INTEGER* pCount);
    ULONGLONG (*pReadTimeStampCounter)();
};
// Null restores the system's own calls; gives back the previous table.
const CpuClockCalls* SetCpuClockCalls(const CpuClockCalls* pCalls);

// The error value of GetThreadPriority: as the thread priority it means "leave it as it is".
const int kKeepThreadPriority = THREAD_PRIORITY_ERROR_RETURN;

// The clock in MHz; 0 when repetitions or the interval is 0. A priority class of 0 and a thread
// priority of kKeepThreadPriority leave those untouched; what was raised is restored.
LONGLONG MeasureCpuClockMHz(DWORD repetitions, DWORD intervalMs, int threadPriority, DWORD priorityClass);
