#pragma once
// Waits for a process named by its id. An id is given out again once its process has ended, so
// a process created after the waiting one cannot be the one it was told to wait for.

#include "classlib/Handles.h"

// The process opened for a wait, with the right to read its times where that is granted (the
// limited query right on Vista and later where the full one is refused); invalid when it
// cannot be opened, e.g. because it has ended.
CScopedHandle OpenProcessForWait(DWORD processId);

// True only when the process's times were read and it was created at or after the reference
// time: the id belongs to another program now. Unreadable times answer false (wait).
bool IsProcessCreatedSince(HANDLE hProcess, const FILETIME& reference);

// Whether the opened process is still the one the id named when it was given: the same id
// (opening ignores an id's low two bits, so id 5 opens process 4; an id that cannot be read
// back counts as the same) and not created at or after the reference time.
bool IsProcessNamedBy(HANDLE hProcess, DWORD processId, const FILETIME& reference);

// This process's creation time (zero when it cannot be read).
FILETIME GetOwnProcessCreationTime();
