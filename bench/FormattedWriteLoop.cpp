// The platform's ceiling for the trace log: the smallest program that writes the same timestamped,
// formatted UTF-16 lines, one WriteFile a line, to a file that readers may open meanwhile.
// Prints the lines and the seconds they took: FormattedWriteLoop.exe <file> [lines]
#include "classlib/Handles.h"

#include <cstdio>
#include <cstdlib>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    const int lines = argc > 2 ? _wtoi(argv[2]) : 50000;
    CScopedFileHandle file(CreateFileW(argv[1], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 1;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const DWORD thread = GetCurrentThreadId();
    wchar_t line[512];
    DWORD written;
    for (int i = 0; i < lines; ++i)
    {
        SYSTEMTIME now;
        GetLocalTime(&now);
        const int length = _snwprintf(line, 512, L"%02d:%02d:%02d.%03d %X %s: CBench::Run step %d of %d [%s]\r\n",
                                      now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, thread, L"-->", i, lines,
                                      L"D:\\bench\\some\\path\\file.txt");
        WriteFile(file.Get(), line, static_cast<DWORD>(length) * sizeof(wchar_t), &written, nullptr);
    }
    QueryPerformanceCounter(&end);
    printf("lines=%d seconds=%.3f\n", lines, static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    return 0;
}
