#pragma once
// The texts the workers set on a progress page while it is shown (the page's control ids:
// WorkerStrings.h).

#include "WorkerStrings.h"

#include <windows.h>

// Sets the control to the string-table entry; string id 0 empties it. Nothing happens when the
// page has no window (silent runs, or the page has closed meanwhile).
void SetPageText(HWND hPage, int nControlId, UINT nStringId);
