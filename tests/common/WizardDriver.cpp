#include "WizardDriver.h"

#include "Screenshot.h"
#include "Windows.h"
#include "wizard/resource.h"
#include "wizard/resource_choices.h"
#include "wizard/resource_dialogs.h"
#include "wizard/resource_start.h"
#include "workers/WorkerStrings.h"

#include <cwchar>

namespace
{
// A page is told by a control of a class that only its template has; the first row that matches
// wins (the licence viewer's id is also the language page's typical-mode link, and the progress
// bar is on the download page too).
struct CPageMark
{
    EWizardPage page;
    const wchar_t* pszName;
    int id;
    const wchar_t* pszClass;
};

const CPageMark kPageMarks[] = {
    { EWizardPage::Language, L"Language", IDC_LANGUAGE_COMBO, L"ComboBox" },
    { EWizardPage::Eula, L"Eula", IDC_EULA_PRINT, L"Button" },
    { EWizardPage::Internet, L"Internet", IDC_INTERNET_SKIP, L"Button" },
    { EWizardPage::Update, L"Update", IDC_UPDATE_DOWNLOAD, L"Button" },
    { EWizardPage::Advertise, L"Advertise", IDC_ADVERTISE_MORE, L"Button" },
    { EWizardPage::InstallType, L"InstallType", IDC_TYPE_STANDARD, L"Button" },
    { EWizardPage::Folder, L"Folder", IDC_FOLDER_EDIT, L"Edit" },
    { EWizardPage::Options, L"Options", IDC_OPTIONS_MP3, L"Button" },
    { EWizardPage::Music, L"Music", IDC_MUSIC_INCLUDE, L"Button" },
    { EWizardPage::Progress, L"Progress", IDC_PROGRESS_EXTRA_TEXT, L"Static" },
    { EWizardPage::Download, L"Download", IDC_PROGRESS_BAR, L"msctls_progress32" },
    { EWizardPage::Finish, L"Finish", IDC_FINISHED_MESSAGE, L"Static" },
    { EWizardPage::Restart, L"Restart", IDC_CONFIRM_RESTART_TEXT, L"Static" },
};

bool HasClass(HWND hWnd, const wchar_t* pszClass)
{
    wchar_t cls[64] = {};
    return hWnd && GetClassNameW(hWnd, cls, 64) && _wcsicmp(cls, pszClass) == 0;
}

HWND FindPageExcept(DWORD pid, HWND hExcept)
{
    return FindProcessDialog(pid, [hExcept](HWND hWnd) {
        return hWnd != hExcept && !HasClass(GetWindow(hWnd, GW_OWNER), L"#32770");
    });
}

// The control a person could use: there, shown and enabled.
HWND UsableItem(HWND hPage, int id)
{
    HWND hItem = hPage ? GetDlgItem(hPage, id) : nullptr;
    return hItem && IsWindowVisible(hItem) && IsWindowEnabled(hItem) ? hItem : nullptr;
}

bool SendWithin(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, LRESULT* pResult = nullptr)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hWnd, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &result))
        return false;
    if (pResult)
        *pResult = static_cast<LRESULT>(result);
    return true;
}
}

const wchar_t* WizardPageName(EWizardPage page)
{
    for (const CPageMark& mark : kPageMarks)
        if (mark.page == page)
            return mark.pszName;
    return page == EWizardPage::None ? L"None" : L"Other";
}

EWizardPage IdentifyWizardPage(HWND hPage)
{
    if (!hPage || !IsWindow(hPage))
        return EWizardPage::None;
    for (const CPageMark& mark : kPageMarks)
        if (HasClass(GetDlgItem(hPage, mark.id), mark.pszClass))
            return mark.page;
    return EWizardPage::Other;
}

HWND FindWizardPage(DWORD pid)
{
    return FindPageExcept(pid, nullptr);
}

HWND WaitForWizardPage(DWORD pid, EWizardPage page, DWORD timeoutMs)
{
    return WaitForWindow(
        [pid, page]() {
            HWND hPage = FindWizardPage(pid);
            return IdentifyWizardPage(hPage) == page ? hPage : nullptr;
        },
        timeoutMs);
}

HWND WaitForAnotherWizardPage(DWORD pid, HWND hPrevious, DWORD timeoutMs)
{
    return WaitForWindow([pid, hPrevious]() { return FindPageExcept(pid, hPrevious); }, timeoutMs);
}

bool PressPageButton(HWND hPage, int id)
{
    HWND hButton = UsableItem(hPage, id);
    return hButton && PostMessageW(hPage, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hButton));
}

bool SetPageCheck(HWND hPage, int id, bool bChecked, DWORD timeoutMs)
{
    HWND hItem = UsableItem(hPage, id);
    if (!hItem)
        return false;
    const WPARAM wanted = bChecked ? BST_CHECKED : BST_UNCHECKED;
    LRESULT state = 0;
    if (!SendWithin(hItem, BM_GETCHECK, 0, 0, timeoutMs, &state))
        return false;
    // A click on an automatic check box or radio button sets its state and tells the page; a
    // click on a chosen radio button changes nothing, and a radio button cannot be cleared.
    if (static_cast<WPARAM>(state) != wanted && !PostMessageW(hItem, BM_CLICK, 0, 0))
        return false;
    const bool bShown = WaitForWindow(
               [hItem, wanted]() {
                   LRESULT now = 0;
                   return SendWithin(hItem, BM_GETCHECK, 0, 0, 100, &now) && static_cast<WPARAM>(now) == wanted ? hItem
                                                                                                               : nullptr;
               },
               timeoutMs) != nullptr;
    // The click has set the state before the page has dealt with it (enabled what the choice
    // enables): a message the page's thread takes after the click.
    return bShown && SendWithin(hPage, WM_NULL, 0, 0, timeoutMs);
}

bool SetPageEditText(HWND hPage, int id, const wchar_t* pszText, DWORD timeoutMs)
{
    HWND hEdit = UsableItem(hPage, id);
    LRESULT done = FALSE;
    return hEdit && SendWithin(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText), timeoutMs, &done) && done;
}

bool ChoosePageListItem(HWND hPage, int id, const wchar_t* pszItem, DWORD timeoutMs)
{
    HWND hList = UsableItem(hPage, id);
    if (!hList)
        return false;
    const bool bCombo = HasClass(hList, L"ComboBox");
    // The exact text, not the first item that starts with it: each item's text compared.
    LRESULT count = 0;
    if (!SendWithin(hList, bCombo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0, timeoutMs, &count))
        return false;
    LRESULT item = -1;
    for (LRESULT i = 0; i < count && item < 0; ++i)
    {
        LRESULT length = 0;
        if (!SendWithin(hList, bCombo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, timeoutMs, &length) ||
            length < 0 || length > 1000)
            continue;
        wchar_t text[1024] = {};
        if (SendWithin(hList, bCombo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text),
                       timeoutMs) &&
            wcscmp(text, pszItem) == 0)
            item = i;
    }
    if (item < 0)
        return false;
    if (!SendWithin(hList, bCombo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(item), 0, timeoutMs))
        return false;
    return PostMessageW(hPage, WM_COMMAND, MAKEWPARAM(id, bCombo ? CBN_SELCHANGE : LBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(hList)) != FALSE;
}

CString PageItemText(HWND hPage, int id)
{
    wchar_t text[2048] = {};
    HWND hItem = hPage ? GetDlgItem(hPage, id) : nullptr;
    if (hItem)
        SendWithin(hItem, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), 5000);
    return text;
}

bool AnswerCancelQuestion(HWND hPage, bool bYes, DWORD timeoutMs)
{
    HWND hQuestion = WaitForWindow(
        [hPage]() {
            HWND hOwned = OwnedBy(hPage);
            return hOwned && GetDlgItem(hOwned, IDC_CANCEL_QUESTION) ? hOwned : nullptr;
        },
        timeoutMs);
    return hQuestion && PressPageButton(hQuestion, bYes ? IDOK : IDCANCEL);
}

bool PressPageEscape(HWND hPage)
{
    if (!hPage || !IsWindow(hPage))
        return false;
    GUITHREADINFO info = { sizeof(info) };
    HWND hTarget = hPage;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(hPage, nullptr), &info) && info.hwndFocus &&
        (info.hwndFocus == hPage || IsChild(hPage, info.hwndFocus)))
        hTarget = info.hwndFocus;
    return PostMessageW(hTarget, WM_KEYDOWN, VK_ESCAPE, 0x00010001) && PostMessageW(hTarget, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

bool ClosePage(HWND hPage)
{
    return hPage && IsWindow(hPage) && PostMessageW(hPage, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool WaitForWindowGone(HWND hWnd, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (IsWindow(hWnd) && IsWindowVisible(hWnd))
    {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

bool PaintPage(HWND hPage, DWORD timeoutMs)
{
    if (!hPage || !IsWindow(hPage))
        return false;
    // A page that has just shown has not painted yet; the paint messages are sent to its thread,
    // and the message after them returns once it has dealt with them.
    RedrawWindow(hPage, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return SendWithin(hPage, WM_NULL, 0, 0, timeoutMs);
}

CString SavePageScreenshot(HWND hPage, const wchar_t* pszName)
{
    return PaintPage(hPage, 5000) ? SaveWindowScreenshot(hPage, pszName) : CString();
}
