// Downloads one URL with the setup downloader and prints the seconds it took, the bytes of the
// target file and the process's working-set growth up to its peak:
// DownloadBench.exe <url> <target file> [gzip]
// The setup downloader asks for no encoding and refuses one sent unasked; "gzip" measures the
// decoding client instead, asking for it, under the setup downloader's body limit.
#include "download/HttpDownloader.h"
#include "download/OruHttpDownloader.h"

#include "classlib/Handles.h"

#include <psapi.h>

#include <cstdio>

namespace
{
double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

PROCESS_MEMORY_COUNTERS Memory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
    {
        fwprintf(stderr, L"usage: DownloadBench <url> <target file>\n");
        return 2;
    }
    const bool decoding = argc > 3 && wcscmp(argv[3], L"gzip") == 0;
    const PROCESS_MEMORY_COUNTERS before = Memory();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    bool ok = false;
    if (decoding)
    {
        CHttpDownloader client("", argv[2]);
        client.SetBodyLimit(COruHttpDownloader::kDefaultBodyLimit);
        ok = client.Get(CString(argv[1]).ToNarrow(CP_THREAD_ACP), true);
    }
    else
    {
        COruHttpDownloader downloader;
        ok = downloader.Download(argv[1], argv[2], false, 0);
    }
    QueryPerformanceCounter(&end);
    const PROCESS_MEMORY_COUNTERS after = Memory();
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(argv[2], GetFileExInfoStandard, &data);
    const ULONGLONG bytes = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    printf("ok=%d seconds=%.3f bytes=%llu peak_growth_kib=%lu\n", ok ? 1 : 0, Seconds(start, end), bytes,
           static_cast<unsigned long>((after.PeakWorkingSetSize - before.WorkingSetSize) / 1024));
    return ok ? 0 : 1;
}
