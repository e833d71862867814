#include "SystemLibrary.h"

#include <delayimp.h>

namespace
{
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);

// The delay-load helper would fall back to LoadLibraryA, which searches the program's folder
// first: a library missing from the system folder ends the program here instead, with the
// helper's own exception, as a missing import would have at start.
FARPROC WINAPI DelayLoadNotify(unsigned notification, PDelayLoadInfo pInfo)
{
    if (notification != dliNotePreLoadLibrary)
        return nullptr;
    wchar_t name[MAX_PATH] = {};
    for (size_t i = 0; i + 1 < MAX_PATH && pInfo->szDll[i]; ++i)
        name[i] = static_cast<unsigned char>(pInfo->szDll[i]);
    HMODULE hModule = LoadSystemLibrary(name);
    if (!hModule)
    {
        pInfo->dwLastError = GetLastError();
        ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(pInfo);
        RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
    }
    return reinterpret_cast<FARPROC>(hModule);
}
}

// Set before any code runs; the link pulls this object in with -u (CMakeLists.txt), ahead of the
// runtime's empty hook.
extern "C" PfnDliHook __pfnDliNotifyHook2 = DelayLoadNotify;

HMODULE LoadSystemLibrary(const wchar_t* pszName)
{
    wchar_t path[MAX_PATH];
    const UINT folderLength = GetSystemDirectoryW(path, MAX_PATH);
    const size_t nameLength = wcslen(pszName);
    if (folderLength == 0 || folderLength + 1 + nameLength >= MAX_PATH || wcspbrk(pszName, L"\\/:"))
    {
        SetLastError(ERROR_BAD_PATHNAME);
        return nullptr;
    }
    path[folderLength] = L'\\';
    wcscpy(path + folderLength + 1, pszName);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void RestrictLibrarySearch()
{
    SetDllDirectoryW(L"");
    const auto pfnSetDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (pfnSetDefault)
        pfnSetDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
