// The scripted part of the stand-in: a copy named after a real program (ocsetup.exe,
// RuntimeProbe.exe, ...) acts as the ini beside it says, "<name>.ini", section [StandIn]:
//   ExitCode=<n>            DelayMs=<ms>
//   Write1..Write9=<HKCU|HKLM>\<key>|<value name>|<text>   (REG_SZ values written before the delay;
//                           a text "dword:<n>" writes a REG_DWORD)
//   Record=<file>           where the raw command line and the working folder are appended
//                           (UTF-16); default "<name>.record.txt" beside the program.
#include "IniScript.h"

#include <cwchar>
#include <string>

namespace
{
std::wstring ReadIni(const std::wstring& ini, const wchar_t* pszKey)
{
    wchar_t buffer[2048] = {};
    GetPrivateProfileStringW(L"StandIn", pszKey, L"", buffer, 2048, ini.c_str());
    return buffer;
}

void WriteRegistryValue(const std::wstring& entry)
{
    const size_t bar1 = entry.find(L'|');
    const size_t bar2 = bar1 == std::wstring::npos ? bar1 : entry.find(L'|', bar1 + 1);
    if (bar2 == std::wstring::npos)
        return;
    std::wstring path = entry.substr(0, bar1);
    HKEY root = nullptr;
    if (path.compare(0, 5, L"HKCU\\") == 0)
        root = HKEY_CURRENT_USER;
    else if (path.compare(0, 5, L"HKLM\\") == 0)
        root = HKEY_LOCAL_MACHINE;
    else
        return;
    const std::wstring key = path.substr(5), name = entry.substr(bar1 + 1, bar2 - bar1 - 1), text = entry.substr(bar2 + 1);
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return;
    if (text.compare(0, 6, L"dword:") == 0)
    {
        const DWORD value = static_cast<DWORD>(wcstoul(text.c_str() + 6, nullptr, 10));
        RegSetValueExW(hKey, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }
    else
        RegSetValueExW(hKey, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hKey);
}

void AppendRecord(const std::wstring& file)
{
    HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring text;
    if (GetFileSize(h, nullptr) == 0)
        text += L'\xFEFF';
    text += L"CommandLine=";
    text += GetCommandLineW();
    text += L"\r\nFolder=";
    text += folder;
    text += L"\r\n";
    DWORD written = 0;
    WriteFile(h, text.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(h);
}
}

void RunIniScript(DWORD& rSleepMs, int& rExitCode)
{
    wchar_t self[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0)
        return;
    std::wstring base(self);
    const size_t dot = base.rfind(L'.');
    if (dot != std::wstring::npos && dot > base.rfind(L'\\'))
        base.erase(dot);
    const std::wstring ini = base + L".ini";
    if (GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    std::wstring record = ReadIni(ini, L"Record");
    AppendRecord(record.empty() ? base + L".record.txt" : record);
    for (int i = 1; i <= 9; ++i)
    {
        wchar_t key[16];
        swprintf(key, 16, L"Write%d", i);
        const std::wstring entry = ReadIni(ini, key);
        if (!entry.empty())
            WriteRegistryValue(entry);
    }
    const std::wstring exitCode = ReadIni(ini, L"ExitCode"), delay = ReadIni(ini, L"DelayMs");
    if (!exitCode.empty())
        rExitCode = static_cast<int>(wcstol(exitCode.c_str(), nullptr, 10));
    if (!delay.empty())
        rSleepMs = static_cast<DWORD>(wcstoul(delay.c_str(), nullptr, 10));
}
