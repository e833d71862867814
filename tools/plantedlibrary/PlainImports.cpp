// Imports version.dll and userenv.dll the ordinary way, as the controller did before its system
// libraries were delay-loaded: the loader resolves them at start, and what it finds for them in
// the program's folder is what runs. Exit code 0 when every call reached a working library.

#include <windows.h>
#include <userenv.h>

int main()
{
    wchar_t path[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(path, MAX_PATH - 16);
    if (n == 0 || n >= MAX_PATH - 16)
        return 2;
    lstrcatW(path, L"\\kernel32.dll");
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return 1;
    HLOCAL hBlock = LocalAlloc(LMEM_FIXED, size);
    void* pValue = nullptr;
    UINT length = 0;
    const bool versionRead = hBlock && GetFileVersionInfoW(path, 0, size, hBlock) &&
                             VerQueryValueW(hBlock, L"\\", &pValue, &length) && length > 0;
    LocalFree(hBlock);
    wchar_t profiles[MAX_PATH] = {};
    DWORD profilesLength = MAX_PATH;
    return versionRead && GetProfilesDirectoryW(profiles, &profilesLength) ? 0 : 1;
}
