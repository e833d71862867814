#pragma once
// The message pumps that run while a modeless page is up, and the posts that report to a
// progress page from another thread.

#include "WatchedStepEngine.h"

#include <windows.h>

class CDialog;

// Shows the page (hidden when silent), runs the next step when asked and pumps the page until
// its window is gone, its PROGRESSDLG_END_DIALOG arrives, or (with an engine) the engine no
// longer answers busy. With bPostTicks the current tick count goes to the page as its position
// whenever the queue is empty. An end still queued for the page is removed before the return, so
// that a reused page does not end its next phase at once. False only when the step could not be
// started.
bool RunModelessProgress(IWatchedStepEngine* pEngine, CDialog* pPage, bool bRunStep, bool bPostTicks, bool bSilent);
// Runs the page until a WM_CLOSE for it arrives (not dispatched) or its window is gone.
void RunPagePump(CDialog* pPage, bool bSilent);

// Posts from any thread; each stamped with the sender's tick count where the message has one.
// A text travels as a system string that the page frees; it is freed here when the post fails.
void PostProgressText(HWND hPage, int nControlId, const wchar_t* pszText);
void PostProgressRange(HWND hPage, int nLow, int nHigh);
void PostProgressPos(HWND hPage, int nPos);
void PostProgressStep(HWND hPage, int nStep);
void PostProgressStepIt(HWND hPage);
// wParam 1: the step has finished; 3: it failed.
void PostProgressEnd(HWND hPage, bool bSuccess);
// Shows Cancel on a phase that has none while its worker waits for something only the user can
// change; false takes it away again.
void PostCancelOffer(HWND hPage, bool bOffered);
