// Copies a setup folder's usb\ and msi\ to a drive root through the USB copy worker and prints
// the milliseconds the copy took (process start not counted).
// Usage: UsbCopyBench.exe <setup folder> <drive root>
#include "config/GenerationNames.h"
#include "workers/CopyUSBInstallationFromThread.h"

#include <cstdio>

namespace
{
class CEndListener : public IUSBInstallerListener
{
public:
    CEndListener() : m_hDone(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~CEndListener() { CloseHandle(m_hDone); }
    void OnNotEnoughSpace(int) override {}
    void OnCopyStart(DWORD, DWORD) override {}
    void OnCopyFile(const wchar_t*, const wchar_t*, DWORD, DWORD) override {}
    void OnDeleteFile(const wchar_t*, DWORD, DWORD) override {}
    void OnUSBInstallationFinished(bool bSuccess) override
    {
        m_bSuccess = bSuccess;
        SetEvent(m_hDone);
    }
    HANDLE m_hDone;
    bool m_bSuccess = false;
};
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    CEndListener listener;
    CCopyUSBInstallationFromThread worker(&listener, &GetPortableFolderName);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (worker.CopyUSBInstallation(argv[1], argv[2], argv[2], L"", L"bench") != 1)
        return 1;
    WaitForSingleObject(listener.m_hDone, INFINITE);
    QueryPerformanceCounter(&end);
    printf("%lld\n", (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
    return listener.m_bSuccess ? 0 : 1;
}
