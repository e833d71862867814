// Prints the trace log's lines per second at level 50 next to plain WriteFile calls of the
// same bytes: TraceLogBench.exe <folder> [lines]
#include "support/TraceLog.h"

#include "classlib/Handles.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
    {
        fwprintf(stderr, L"usage: TraceLogBench <folder> [lines]\n");
        return 2;
    }
    const CString folder = CString(argv[1]) + L"\\";
    const int lines = argc > 2 ? _wtoi(argv[2]) : 50000;

    SetTracePrefix(folder + L"bench");
    SetTraceLevel(50);
    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < lines; ++i)
        Trace(50, L"CBench::Run step %d of %d [%s]", i, lines, L"D:\\bench\\some\\path\\file.txt");
    QueryPerformanceCounter(&t1);
    const double traceSeconds = Seconds(t0, t1);
    const CString traceFile = GetTraceFileName();
    SetTraceLevel(0);

    // The same bytes, one WriteFile a line.
    std::vector<CString> text;
    {
        CScopedFileHandle in(CreateFileW(traceFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        const DWORD size = GetFileSize(in.Get(), nullptr);
        std::vector<wchar_t> all(size / 2 + 1);
        DWORD read = 0;
        ReadFile(in.Get(), all.data(), size, &read, nullptr);
        const CString whole(all.data() + 1, static_cast<int>(read / 2) - 1);
        for (int start = 0, at; (at = whole.Find(L"\r\n", start)) >= 0; start = at + 2)
            text.push_back(whole.Mid(start, at - start + 2));
    }
    CScopedFileHandle out(CreateFileW(folder + L"plain.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    LARGE_INTEGER p0;
    QueryPerformanceCounter(&p0);
    DWORD written;
    for (const CString& line : text)
        WriteFile(out.Get(), line.GetString(), line.GetLength() * 2, &written, nullptr);
    QueryPerformanceCounter(&t2);
    const double plainSeconds = Seconds(p0, t2);

    wprintf(L"trace log, level 50:  %8d lines  %8.3f s  %10.0f lines/s\n", lines, traceSeconds, lines / traceSeconds);
    wprintf(L"plain WriteFile:      %8d lines  %8.3f s  %10.0f lines/s\n", static_cast<int>(text.size()), plainSeconds,
            text.size() / plainSeconds);
    wprintf(L"ratio (plain / trace): %.2f\n", (text.size() / plainSeconds) / (lines / traceSeconds));
    return 0;
}
