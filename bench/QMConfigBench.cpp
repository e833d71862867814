// Prints the store's typed gets and sets per second next to the same number of raw registry
// reads and writes, and the latency from another process's write (reg.exe) to the listener's
// call: QMConfigBench.exe [operations] [latency samples]
#include "config/QMConfigImplementation.h"
#include "config/QMConfigListener.h"
#include "config/QMConfigSection.h"

#include "classlib/Handles.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
const wchar_t kRoot[] = L"VantolinBench_QMConfig";
const wchar_t kKeyPath[] = L"SOFTWARE\\Quillmark\\VantolinBench_QMConfig\\Common";

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

double Now()
{
    LARGE_INTEGER t, zero = {};
    QueryPerformanceCounter(&t);
    return Seconds(zero, t);
}

class CTimingListener : public IQMConfigListener
{
public:
    CTimingListener() : m_event(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    void OnConfigChanged(const std::vector<QMConfigKey*>&) override
    {
        m_at = Now();
        SetEvent(m_event.Get());
    }
    bool Wait(DWORD ms) { return WaitForSingleObject(m_event.Get(), ms) == WAIT_OBJECT_0; }
    double m_at = 0;

private:
    CScopedHandle m_event;
};

bool RunRegExe(int value)
{
    wchar_t cmd[512];
    swprintf(cmd, 512, L"reg.exe add \"HKCU\\%ls\" /v Bench /t REG_SZ /d %d /f", kKeyPath, value);
    STARTUPINFOW si = { sizeof(si) };
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}
}

int wmain(int argc, wchar_t** argv)
{
    const int operations = argc > 1 ? _wtoi(argv[1]) : 20000;
    const int samples = argc > 2 ? _wtoi(argv[2]) : 10;
    SHDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmark\\VantolinBench_QMConfig");

    QMConfigImplementation store;
    store.SetRoot(kRoot, QMCONFIG_MODE_REGISTRY);
    QMConfigSection* pSection = store.GetSection(QMCONFIG_LOCAL, L"Common");
    QMConfigKey* pKey = store.GetKey(pSection, L"Bench", L"0");
    CScopedRegKey raw;
    RegOpenKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, KEY_ALL_ACCESS, raw.Receive());

    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    long long sum = 0;
    for (int i = 0; i < operations; ++i)
        sum += store.GetIntValue(pKey);
    QueryPerformanceCounter(&t1);
    const double storeGet = Seconds(t0, t1);

    QueryPerformanceCounter(&t0);
    for (int i = 0; i < operations; ++i)
    {
        wchar_t buf[64] = {};
        DWORD size = sizeof(buf) - sizeof(wchar_t);
        RegQueryValueExW(raw.Get(), L"Bench", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
        sum += _wtoi(buf);
    }
    QueryPerformanceCounter(&t1);
    const double rawGet = Seconds(t0, t1);

    QueryPerformanceCounter(&t0);
    for (int i = 0; i < operations; ++i)
        store.SetIntValue(pKey, i);
    QueryPerformanceCounter(&t1);
    const double storeSet = Seconds(t0, t1);

    QueryPerformanceCounter(&t0);
    for (int i = 0; i < operations; ++i)
    {
        wchar_t buf[16];
        _itow(i, buf, 10);
        RegSetValueExW(raw.Get(), L"Bench", 0, REG_SZ, reinterpret_cast<const BYTE*>(buf),
                       static_cast<DWORD>((wcslen(buf) + 1) * sizeof(wchar_t)));
    }
    QueryPerformanceCounter(&t1);
    const double rawSet = Seconds(t0, t1);

    std::printf("typed operations, %d each (checksum %lld):\n", operations, sum & 0xff);
    std::printf("  store get (cached):           %10.0f /s   raw registry read:  %10.0f /s   store/raw %.2f\n",
                operations / storeGet, operations / rawGet, rawGet / storeGet);
    std::printf("  store set (read + write):     %10.0f /s   raw registry write: %10.0f /s   store/raw %.2f\n",
                operations / storeSet, operations / rawSet, rawSet / storeSet);

    CTimingListener listener;
    store.Subscribe(pSection, &listener);
    store.Initialize();
    // The first scan reports this process's own writes above.
    listener.Wait(3000);
    std::vector<double> latencies;
    double regRuns = 0;
    for (int i = 0; i < samples; ++i)
    {
        const double started = Now();
        if (!RunRegExe(1000000 + i))
            break;
        regRuns += Now() - started;
        if (!listener.Wait(10000))
            break;
        latencies.push_back(listener.m_at - started);
    }
    store.Uninitialize();
    store.Unsubscribe(pSection, &listener);
    if (!latencies.empty())
    {
        std::sort(latencies.begin(), latencies.end());
        std::printf("listener called after another process's write, %d samples (scan every 500 ms), from the\n"
                    "start of reg.exe (which itself runs %.0f ms on average):\n",
                    static_cast<int>(latencies.size()), regRuns * 1000 / latencies.size());
        std::printf("  min %.0f ms   median %.0f ms   max %.0f ms\n", latencies.front() * 1000,
                    latencies[latencies.size() / 2] * 1000, latencies.back() * 1000);
    }
    SHDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmark\\VantolinBench_QMConfig");
    return 0;
}
