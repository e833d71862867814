// Writes lines through the trace log at level 50 and prints the lines and the seconds they took:
// TraceLogBench.exe <folder> [lines]. bench.sh sets this against FormattedWriteLoop.exe, which
// writes the same lines with nothing but GetLocalTime, _snwprintf and WriteFile.
#include "support/TraceLog.h"

#include <cstdio>
#include <cstdlib>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
    {
        fwprintf(stderr, L"usage: TraceLogBench <folder> [lines]\n");
        return 2;
    }
    const int lines = argc > 2 ? _wtoi(argv[2]) : 50000;
    SetTracePrefix(CString(argv[1]) + L"\\bench");
    SetTraceLevel(TRACE_TRACE);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < lines; ++i)
        Trace(TRACE_TRACE, L"CBench::Run step %d of %d [%s]", i, lines, L"D:\\bench\\some\\path\\file.txt");
    QueryPerformanceCounter(&end);
    SetTraceLevel(TRACE_OFF);
    printf("lines=%d seconds=%.3f\n", lines, static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    return 0;
}
