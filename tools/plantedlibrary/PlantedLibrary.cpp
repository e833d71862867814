// A library as anyone could leave it in a download folder, under the name of a system library
// that a program there imports (the tests plant it as version.dll and as userenv.dll). Loaded, it
// leaves "<its name>.loaded" beside itself, naming the program; each call of its functions adds
// a line "<function> <calling module>" to "<its name>.calls" (UTF-8). The functions are those the
// controller uses from both libraries, handed on to the system's own, so that the program runs
// on as if nothing had happened.

#include <windows.h>

namespace
{
typedef DWORD(WINAPI* InfoSizeFn)(LPCWSTR, LPDWORD);
typedef BOOL(WINAPI* InfoFn)(LPCWSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* QueryValueFn)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
typedef BOOL(WINAPI* ProfilesFn)(LPWSTR, LPDWORD);

HMODULE g_hSelf = nullptr;

// "<this library's path>.<suffix>"
bool RecordPath(const wchar_t* pszSuffix, wchar_t (&path)[MAX_PATH + 16])
{
    const DWORD n = GetModuleFileNameW(g_hSelf, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    lstrcatW(path, pszSuffix);
    return true;
}

void AppendRecord(const wchar_t* pszSuffix, const wchar_t* pszText)
{
    wchar_t path[MAX_PATH + 16] = {};
    if (!RecordPath(pszSuffix, path))
        return;
    const HANDLE hFile = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    char text[2 * MAX_PATH + 128] = {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, pszText, -1, text, sizeof(text) - 2, nullptr, nullptr);
    if (length > 0)
    {
        lstrcatA(text, "\r\n");
        DWORD written = 0;
        WriteFile(hFile, text, lstrlenA(text), &written, nullptr);
    }
    CloseHandle(hFile);
}

void RecordCall(const wchar_t* pszFunction, void* pReturnAddress)
{
    wchar_t line[MAX_PATH + 64] = {};
    lstrcpyW(line, pszFunction);
    lstrcatW(line, L" ");
    HMODULE hCaller = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCWSTR>(pReturnAddress), &hCaller))
        GetModuleFileNameW(hCaller, line + lstrlenW(line), MAX_PATH);
    AppendRecord(L".calls", line);
}

template <typename Fn> Fn SystemFunction(const wchar_t* pszLibrary, const char* pszName)
{
    wchar_t path[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(path, MAX_PATH - 16);
    if (n == 0 || n >= MAX_PATH - 16)
        return nullptr;
    lstrcatW(path, L"\\");
    lstrcatW(path, pszLibrary);
    const HMODULE hSystem = LoadLibraryW(path);
    return hSystem ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(hSystem, pszName))) : nullptr;
}
}

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        g_hSelf = hInstance;
        wchar_t program[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        AppendRecord(L".loaded", program);
    }
    return TRUE;
}

extern "C" DWORD WINAPI PlantedGetFileVersionInfoSizeW(LPCWSTR pszFile, LPDWORD pHandle)
{
    RecordCall(L"GetFileVersionInfoSizeW", __builtin_return_address(0));
    const InfoSizeFn pfn = SystemFunction<InfoSizeFn>(L"version.dll", "GetFileVersionInfoSizeW");
    return pfn ? pfn(pszFile, pHandle) : 0;
}

extern "C" BOOL WINAPI PlantedGetFileVersionInfoW(LPCWSTR pszFile, DWORD handle, DWORD size, LPVOID pData)
{
    RecordCall(L"GetFileVersionInfoW", __builtin_return_address(0));
    const InfoFn pfn = SystemFunction<InfoFn>(L"version.dll", "GetFileVersionInfoW");
    return pfn ? pfn(pszFile, handle, size, pData) : FALSE;
}

extern "C" BOOL WINAPI PlantedVerQueryValueW(LPCVOID pBlock, LPCWSTR pszSubBlock, LPVOID* ppBuffer, PUINT pLength)
{
    RecordCall(L"VerQueryValueW", __builtin_return_address(0));
    const QueryValueFn pfn = SystemFunction<QueryValueFn>(L"version.dll", "VerQueryValueW");
    return pfn ? pfn(pBlock, pszSubBlock, ppBuffer, pLength) : FALSE;
}

extern "C" BOOL WINAPI PlantedGetProfilesDirectoryW(LPWSTR pszPath, LPDWORD pSize)
{
    RecordCall(L"GetProfilesDirectoryW", __builtin_return_address(0));
    const ProfilesFn pfn = SystemFunction<ProfilesFn>(L"userenv.dll", "GetProfilesDirectoryW");
    return pfn ? pfn(pszPath, pSize) : FALSE;
}
