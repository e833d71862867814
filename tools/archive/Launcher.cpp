// Stand-in of a renamed download that starts the setup: runs VantolinSetup.exe (or the program
// that "<own name>.ini" [Launcher] Program= names) from its own folder with its own arguments,
// waits for it and ends with its exit code (99: not started).
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self);
    folder.erase(folder.rfind(L'\\') + 1);
    std::wstring ini(self);
    ini.erase(ini.rfind(L'.'));
    ini += L".ini";
    wchar_t name[MAX_PATH] = {};
    GetPrivateProfileStringW(L"Launcher", L"Program", L"VantolinSetup.exe", name, MAX_PATH, ini.c_str());
    const std::wstring program = folder + name;
    // The arguments after the program's own name, as they were given.
    const wchar_t* pszArgs = GetCommandLineW();
    bool quoted = false;
    for (; *pszArgs && (quoted || (*pszArgs != L' ' && *pszArgs != L'\t')); ++pszArgs)
        if (*pszArgs == L'"')
            quoted = !quoted;
    std::wstring commandLine = L"\"" + program + L"\"" + pszArgs;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return 99;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}
