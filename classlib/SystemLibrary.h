#pragma once
// Libraries of the system come from the system folder only. The programs run elevated, started
// from the user's Downloads, where any download can leave a DLL: Windows looks for a library that
// is not a known DLL in the program's own folder first, so none is ever loaded by its name alone.
// Every such import is delay-loaded (cmake/DelayLoad.cmake) and reaches the system folder through
// the delay-load hook of SystemLibrary.cpp.

#include <windows.h>

// The system folder's library of that file name ("riched20.dll"); the libraries it imports are
// looked for in the system folder first as well. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* pszName);

// Takes the working folder out of the process's DLL search and, where Windows offers it
// (SetDefaultDllDirectories: Windows 8 on, Vista and 7 with KB2533623), limits the search to the
// system folder, also for the libraries Windows itself loads later by name. First thing in each
// program's entry.
void RestrictLibrarySearch();
