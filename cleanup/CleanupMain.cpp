// VantolinSetupCleanup.exe: waits for the controller to end, then deletes the setup copy it
// ran from. The options are read from the raw line: the runtime's argument rules would take
// the controller's quoted folder, which ends in a backslash, as an escaped quote.

#include "CleanupRun.h"

#include "classlib/SystemLibrary.h"

namespace
{
const DWORD kPauseMs = 25000;
const DWORD kWaitLimitMs = 10 * 60 * 1000;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR pszCommandLine, int)
{
    RestrictLibrarySearch();
    InstallCleanupExceptionFilter();
    // An id given out again after the controller ended names a process younger than this one.
    FILETIME created = {}, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        GetSystemTimeAsFileTime(&created);
    return RunCleanup(pszCommandLine, kPauseMs, kWaitLimitMs, created);
}
