#pragma once
// Finding and answering the windows that a started program shows (under the test X server).

#include "classlib/String.h"

#include <functional>

// The first visible dialog (class #32770) of the process that match() accepts; null when none.
HWND FindProcessDialog(DWORD pid, const std::function<bool(HWND)>& match);
// The first visible dialog (class #32770) of the process that is not a progress page (it has no
// progress bar): a message box or a question; null when none appears in time.
HWND WaitForProcessDialog(DWORD pid, DWORD timeoutMs);
// The texts of the dialog's static controls, joined by line breaks.
CString GetDialogText(HWND hDlg);
// Presses the dialog's button with the id (IDOK, IDCANCEL, IDRETRY, ...).
void PressDialogButton(HWND hDlg, int id);
// Dispatches this thread's messages (with the keyboard handling of the class library's dialogs)
// until done() holds or the time is up; done()'s answer.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);
// The window find() answers, asked every 10 ms until it answers one or the time is up (null).
HWND WaitForWindow(const std::function<HWND()>& find, DWORD timeoutMs = 20000);
// A visible top-level window the owner owns (a page's question box); null when there is none.
HWND OwnedBy(HWND hOwner);
