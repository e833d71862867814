// Stand-in for the installed product: the product's side of the registry channel, as the
// controller's hidden start expects it. It appends what it sees to Vantolin_record.txt beside
// itself (UTF-8 lines "name=value"): its command line, its working folder, each command read
// from CommandFromORU, whether ORUIsAlive comes back to "1" after it reset it, and its end.
//
// Script: Vantolin.ini beside it; without one it records and exits at once with 0.
//   [Run]
//   ExitCode=n          exit at once with n (no conversation)
//   Channel=key         HKCU key of the channel (default Software\Quillmark\Vantolin_2011\OruCommunication)
//   InitDelay=ms        before "Initializing" (default 0)
//   StateMessage=text   written with "Initializing"
//   SubStates=a|b|c     sub-state messages, written one by one after "Initializing"
//   WaitDelay=ms        after the sub-states, before "WaitingCommandFromORU" (default 0)
//   Lifetime=ms         the longest it runs (default 60000)
// "Start" shows a window (and it goes on until "Close" or its lifetime); "Close" ends it with 0.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace
{
std::wstring g_folder;

std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path);
    return s.substr(0, s.rfind(L'\\') + 1);
}

void Record(const std::wstring& name, const std::wstring& value)
{
    const std::wstring line = name + L"=" + value + L"\r\n";
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &utf8[0], bytes, nullptr, nullptr);
    const std::wstring file = g_folder + L"Vantolin_record.txt";
    HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(h);
}

std::wstring IniText(const std::wstring& ini, const wchar_t* pszName, const wchar_t* pszDefault)
{
    wchar_t buf[2048] = {};
    GetPrivateProfileStringW(L"Run", pszName, pszDefault, buf, 2048, ini.c_str());
    return buf;
}

class CChannel
{
public:
    explicit CChannel(const std::wstring& key) : m_key(key) {}
    void Write(const wchar_t* pszValue, const std::wstring& text) const
    {
        HKEY h = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExW(h, pszValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(h);
    }
    std::wstring Read(const wchar_t* pszValue) const
    {
        wchar_t buf[1025] = {};
        DWORD cb = sizeof(buf) - sizeof(wchar_t), type = 0;
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, m_key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return std::wstring();
        const LONG lr = RegQueryValueExW(h, pszValue, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb);
        RegCloseKey(h);
        return lr == ERROR_SUCCESS && type == REG_SZ ? std::wstring(buf) : std::wstring();
    }

private:
    std::wstring m_key;
};

// Pumps the window's messages while it waits.
void Pause(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

HWND ShowProductWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"VantolinStandInProduct";
    RegisterClassW(&wc);
    HWND hWnd = CreateWindowExW(0, wc.lpszClassName, L"Vantolin", WS_OVERLAPPEDWINDOW, 0, 0, 320, 120, nullptr,
                                nullptr, wc.hInstance, nullptr);
    if (!hWnd)
        return nullptr;
    // What a person sees of the stand-in: its name and that the setup started it.
    CreateWindowExW(0, L"STATIC", L"Vantolin (the product's stand-in) is running.", WS_CHILD | WS_VISIBLE | SS_CENTER,
                    10, 30, 290, 20, hWnd, nullptr, wc.hInstance, nullptr);
    ShowWindow(hWnd, SW_SHOW);
    return hWnd;
}

int Converse(const std::wstring& ini)
{
    const CChannel channel(IniText(ini, L"Channel", L"Software\\Quillmark\\Vantolin_2011\\OruCommunication"));
    const DWORD lifetime = wcstoul(IniText(ini, L"Lifetime", L"60000").c_str(), nullptr, 10);
    const DWORD start = GetTickCount();

    Pause(wcstoul(IniText(ini, L"InitDelay", L"0").c_str(), nullptr, 10));
    channel.Write(L"VantolinState", L"Initializing");
    channel.Write(L"StateMessageFromVantolin", IniText(ini, L"StateMessage", L""));
    std::wstring subStates = IniText(ini, L"SubStates", L"");
    while (!subStates.empty())
    {
        const size_t bar = subStates.find(L'|');
        channel.Write(L"SubStateMessageFromVantolin", subStates.substr(0, bar));
        subStates = bar == std::wstring::npos ? std::wstring() : subStates.substr(bar + 1);
        Pause(50);
    }
    Pause(wcstoul(IniText(ini, L"WaitDelay", L"0").c_str(), nullptr, 10));

    // The setup's heartbeat must bring the value back within a few of its beats.
    channel.Write(L"ORUIsAlive", L"0");
    bool alive = false;
    for (int i = 0; i < 100 && !alive; ++i)
    {
        Pause(50);
        alive = channel.Read(L"ORUIsAlive") == L"1";
    }
    Record(L"AliveAfterReset", alive ? L"1" : L"0");
    channel.Write(L"VantolinState", L"WaitingCommandFromORU");

    std::wstring last;
    HWND hWnd = nullptr;
    while (GetTickCount() - start < lifetime)
    {
        const std::wstring command = channel.Read(L"CommandFromORU");
        if (command != last)
        {
            Record(L"Command", command);
            last = command;
            if (command == L"Close")
            {
                Record(L"Exit", L"0");
                return 0;
            }
            if (command == L"Start" && !hWnd)
            {
                hWnd = ShowProductWindow();
                Record(L"Window", hWnd ? L"shown" : L"failed");
            }
        }
        Pause(50);
    }
    Record(L"Exit", L"lifetime");
    return 0;
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    g_folder = ExeFolder();
    Record(L"CommandLine", GetCommandLineW());
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    Record(L"WorkingFolder", cwd);

    const std::wstring ini = g_folder + L"Vantolin.ini";
    if (GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        Record(L"Exit", L"0");
        return 0;
    }
    const std::wstring exitCode = IniText(ini, L"ExitCode", L"");
    if (!exitCode.empty())
    {
        Record(L"Exit", exitCode);
        return static_cast<int>(wcstoul(exitCode.c_str(), nullptr, 0));
    }
    return Converse(ini);
}
