// The platform's ceiling for the USB copy worker: the smallest program that copies a setup
// folder's usb\ to a drive root and its msi\ to the portable folder there, one CopyFileW a file.
// Prints the milliseconds the copy took: CopyFileWalk.exe <setup folder> <drive root> <portable folder>
#include "classlib/Handles.h"

#include <cstdio>
#include <string>

namespace
{
bool CopyTree(const std::wstring& from, const std::wstring& to)
{
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    CScopedFindHandle find(FindFirstFileW((from + L"\\*").c_str(), &found));
    if (!find)
        return false;
    bool ok = true;
    do
    {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(from + L"\\" + name, to + L"\\" + name) && ok;
        else
            ok = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
    } while (FindNextFileW(find.Get(), &found));
    return ok;
}
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4)
        return 2;
    const std::wstring setup = argv[1], root = argv[2];
    const std::wstring drive = root.back() == L'\\' ? root.substr(0, root.size() - 1) : root;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const bool ok = CopyTree(setup + L"\\usb", drive) && CopyTree(setup + L"\\msi", drive + L"\\" + argv[3]);
    QueryPerformanceCounter(&end);
    printf("%lld\n", (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
    return ok ? 0 : 1;
}
