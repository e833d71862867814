#pragma once
// Driving the wizard's pages of a running program (its own or another process) as a person
// would: the page shown now and which page it is, waiting for a page, the buttons, check boxes,
// radio buttons, edits and lists, the cancel question, Esc and the close box, and a picture of
// the page. Everything goes through window messages; every wait ends after its time-out, and an
// action on a control that is missing, hidden or disabled fails (a person could not do it).

#include "classlib/String.h"

#include <windows.h>

enum class EWizardPage
{
    None, // no page is shown
    Language,
    Internet,
    Update,
    Advertise,
    InstallType,
    Folder,
    Options,
    Music,
    Download,
    Progress,
    Finish,
    Eula,
    Restart,
    Other // a dialog of the process that is none of the pages above
};

// The page's name for pictures and messages ("Language", "Folder", ...).
const wchar_t* WizardPageName(EWizardPage page);
// Which page the dialog shows, told by the controls only its template has.
EWizardPage IdentifyWizardPage(HWND hPage);
// The process's visible top-level dialog that no other dialog owns (a question box a page asks is
// owned by the page; the pages and the run's own boxes belong to its hidden main window); null
// when there is none.
HWND FindWizardPage(DWORD pid);
// Waits for the process's page; null when it has not shown in time.
HWND WaitForWizardPage(DWORD pid, EWizardPage page, DWORD timeoutMs);
// Waits for a page of the process other than hPrevious (a page that has ended and the next one);
// null when none has shown in time.
HWND WaitForAnotherWizardPage(DWORD pid, HWND hPrevious, DWORD timeoutMs);

// The wizard's own buttons.
const int kWizardNext = IDOK;
const int kWizardBack = 1017;
const int kWizardCancel = IDCANCEL;

// Presses the button (posted, as a click's BN_CLICKED: a question it opens does not block the
// caller); false when it is missing, hidden or disabled.
bool PressPageButton(HWND hPage, int id);
// Ticks or clears the check box, or chooses the radio button (bChecked true), and waits until it
// shows that state; false when it cannot be done in time.
bool SetPageCheck(HWND hPage, int id, bool bChecked, DWORD timeoutMs = 5000);
// Sets the edit's text (the edit tells its page EN_CHANGE itself).
bool SetPageEditText(HWND hPage, int id, const wchar_t* pszText, DWORD timeoutMs = 5000);
// Chooses the item of the combo box or list box whose text is pszItem, and tells the page
// CBN_SELCHANGE / LBN_SELCHANGE; false when there is no such item.
bool ChoosePageListItem(HWND hPage, int id, const wchar_t* pszItem, DWORD timeoutMs = 5000);
// The text of the page's control; empty when it has none.
CString PageItemText(HWND hPage, int id);
// Waits for the cancel question the page asks and answers it (Yes ends the installation);
// false when no question was asked in time.
bool AnswerCancelQuestion(HWND hPage, bool bYes, DWORD timeoutMs = 10000);
// Presses Esc on the page's focused control (the dialog manager makes it IDCANCEL).
bool PressPageEscape(HWND hPage);
// What the close box does: SC_CLOSE.
bool ClosePage(HWND hPage);
// Waits until the window is gone; false when it is still there after the time.
bool WaitForWindowGone(HWND hWnd, DWORD timeoutMs);
// Has the page and its controls paint themselves now; false when its thread does not answer.
bool PaintPage(HWND hPage, DWORD timeoutMs);
// Saves a PNG of the page once it has painted (tests/common/Screenshot.h); the file's path, or empty.
CString SavePageScreenshot(HWND hPage, const wchar_t* pszName);
