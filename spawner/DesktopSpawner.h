#pragma once
// DesktopSpawner.dll: starts a process with the token of the desktop shell's process.

#include <windows.h>

#if defined(DESKTOPSPAWNER_BUILD)
#define DESKTOPSPAWNER_API extern "C" __declspec(dllexport)
#elif defined(DESKTOPSPAWNER_LINKED)
// Tests link the launcher's code into the test program itself.
#define DESKTOPSPAWNER_API extern "C"
#else
#define DESKTOPSPAWNER_API extern "C" __declspec(dllimport)
#endif

// The caller owns and closes the handles in pProcessInfo on success.
DESKTOPSPAWNER_API bool __cdecl RunAsDesktopUser(const wchar_t* pszApplication, wchar_t* pszCommandLine,
                                                 const wchar_t* pszCurrentDirectory, STARTUPINFOW* pStartupInfo,
                                                 PROCESS_INFORMATION* pProcessInfo);

typedef bool(__cdecl* RunAsDesktopUserFn)(const wchar_t*, wchar_t*, const wchar_t*, STARTUPINFOW*, PROCESS_INFORMATION*);
