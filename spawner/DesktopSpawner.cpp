#define DESKTOPSPAWNER_BUILD
#include "DesktopSpawner.h"
#include "support/TraceLog.h"

// PLACEHOLDER (desktop-user launcher, not built yet): the export exists so that the controller can
// bind it; starting with the shell's token comes later. Until then it refuses.
DESKTOPSPAWNER_API bool __cdecl RunAsDesktopUser(const wchar_t*, wchar_t*, const wchar_t*, STARTUPINFOW*,
                                                 PROCESS_INFORMATION* pProcessInfo)
{
    if (pProcessInfo)
        ZeroMemory(pProcessInfo, sizeof(*pProcessInfo));
    Trace(TRACE_ERROR, L"RunAsDesktopUser : not available in this build");
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
}
