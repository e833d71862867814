#include "ProcessAge.h"

namespace
{
ULONGLONG ToUlong(const FILETIME& ft)
{
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
}

CScopedHandle OpenProcessForWait(DWORD processId)
{
    const DWORD kQueryLimited = 0x1000; // PROCESS_QUERY_LIMITED_INFORMATION; XP refuses it
    CScopedHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process)
        process.Reset(OpenProcess(SYNCHRONIZE | kQueryLimited, FALSE, processId));
    if (!process)
        process.Reset(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process;
}

bool IsProcessCreatedSince(HANDLE hProcess, const FILETIME& reference)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(hProcess, &created, &exited, &kernel, &user) || ToUlong(reference) == 0)
        return false;
    return ToUlong(created) >= ToUlong(reference);
}

bool IsProcessNamedBy(HANDLE hProcess, DWORD processId, const FILETIME& reference)
{
    const DWORD openedId = GetProcessId(hProcess);
    return (openedId == 0 || openedId == processId) && !IsProcessCreatedSince(hProcess, reference);
}

FILETIME GetOwnProcessCreationTime()
{
    FILETIME created = {}, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        created = FILETIME();
    return created;
}
