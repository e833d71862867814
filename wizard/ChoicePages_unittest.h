#pragma once
// What the tests of the installation type, folder, options and media-library pages and of the
// folder picker share: the eight languages, a fake of the drive queries, finding the windows of
// a thread, pressing controls with the messages a user's click sends, and running a modal page
// while another thread drives it.

#include "classlib/Dialog.h"
#include "tests/common/Screenshot.h"
#include "classlib/WinApp.h"
#include "tests/common/Windows.h"
#include "workers/RemovableDrives.h"

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <thread>

struct CPageLanguage
{
    LANGID id;
    const wchar_t* pszCode;
};

const CPageLanguage kPageLanguages[] = { { 1031, L"de-DE" }, { 1033, L"en-US" }, { 1036, L"fr-FR" }, { 1040, L"it-IT" },
                                         { 1041, L"ja-JP" }, { 1046, L"pt-BR" }, { 2052, L"zh-CN" }, { 3082, L"es-ES" } };

// Removable USB drives with labels; changed by the test between two refreshes.
class CFakeDriveQuery : public IDriveQuery
{
public:
    void Set(wchar_t cLetter, const wchar_t* pszLabel)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (pszLabel)
            m_drives[cLetter] = pszLabel;
        else
            m_drives.erase(cLetter);
    }
    DWORD LogicalDrives() override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        DWORD mask = 0;
        for (const auto& drive : m_drives)
            mask |= 1u << (drive.first - L'A');
        return mask;
    }
    UINT DriveType(const wchar_t*) override { return DRIVE_REMOVABLE; }
    bool MediaType(wchar_t, int& rMediaType) override
    {
        rMediaType = 11; // RemovableMedia
        return true;
    }
    bool BusType(wchar_t, int& rBusType) override
    {
        rBusType = 7; // BusTypeUsb
        return true;
    }
    bool VolumeInformation(const wchar_t* pszRoot, CString& rLabel, DWORD& rSerial) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const auto found = m_drives.find(pszRoot[0]);
        if (found == m_drives.end())
            return false;
        rLabel = found->second.c_str();
        rSerial = 0x1000 + pszRoot[0];
        return true;
    }

private:
    std::mutex m_lock;
    std::map<wchar_t, std::wstring> m_drives;
};

struct CThreadWindowSearch
{
    const wchar_t* pszClass;
    const wchar_t* pszTitle; // null: any
    bool bVisible;
    HWND found;
};

inline BOOL CALLBACK MatchThreadWindow(HWND hWnd, LPARAM lParam)
{
    CThreadWindowSearch* pSearch = reinterpret_cast<CThreadWindowSearch*>(lParam);
    wchar_t text[256] = {};
    GetClassNameW(hWnd, text, 256);
    if (pSearch->pszClass && wcscmp(text, pSearch->pszClass) != 0)
        return TRUE;
    if (pSearch->bVisible && !IsWindowVisible(hWnd))
        return TRUE;
    GetWindowTextW(hWnd, text, 256);
    if (pSearch->pszTitle && wcscmp(text, pSearch->pszTitle) != 0)
        return TRUE;
    pSearch->found = hWnd;
    return FALSE;
}

// A top-level window of the thread by class and title (null: any).
inline HWND FindThreadWindow(DWORD threadId, const wchar_t* pszClass, const wchar_t* pszTitle, bool bVisible = true)
{
    CThreadWindowSearch search = { pszClass, pszTitle, bVisible, nullptr };
    EnumThreadWindows(threadId, MatchThreadWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline CString ItemText(HWND hDlg, int nID)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(hDlg, nID, text, 1024);
    return text;
}

inline bool IsItemEnabled(HWND hDlg, int nID)
{
    return IsWindowEnabled(GetDlgItem(hDlg, nID)) != FALSE;
}

inline bool IsItemVisible(HWND hDlg, int nID)
{
    return IsWindowVisible(GetDlgItem(hDlg, nID)) != FALSE;
}

// What a click on a check box or a radio button of the group first..last does: its state, then
// BN_CLICKED to the page.
inline void ClickCheck(HWND hDlg, int nID, UINT nState = BST_CHECKED)
{
    HWND hItem = GetDlgItem(hDlg, nID);
    SendMessageW(hItem, BM_SETCHECK, nState, 0);
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(hItem));
}

inline void ClickRadio(HWND hDlg, int nFirst, int nLast, int nID)
{
    CheckRadioButton(hDlg, nFirst, nLast, nID);
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, nID)));
}

inline void SelectComboItem(HWND hDlg, int nID, int nItem)
{
    HWND hCombo = GetDlgItem(hDlg, nID);
    SendMessageW(hCombo, CB_SETCURSEL, nItem, 0);
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(nID, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
}

inline void SetEditText(HWND hDlg, int nID, const wchar_t* pszText)
{
    // An edit control tells its page EN_CHANGE itself.
    SetDlgItemTextW(hDlg, nID, pszText);
}

inline CString ComboItems(HWND hDlg, int nID)
{
    HWND hCombo = GetDlgItem(hDlg, nID);
    CString all;
    const int nCount = static_cast<int>(SendMessageW(hCombo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < nCount; ++i)
    {
        wchar_t text[300] = {};
        SendMessageW(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        if (i)
            all += L"|";
        all += text;
    }
    return all;
}

inline CString ComboSelection(HWND hDlg, int nID)
{
    HWND hCombo = GetDlgItem(hDlg, nID);
    const LRESULT nItem = SendMessageW(hCombo, CB_GETCURSEL, 0, 0);
    wchar_t text[300] = {};
    if (nItem != CB_ERR)
        SendMessageW(hCombo, CB_GETLBTEXT, nItem, reinterpret_cast<LPARAM>(text));
    return text;
}

// Runs the page modally on this thread while drive(page window) runs on another; the page's
// result. The driver gets the page once it is visible (null when it never appears).
inline INT_PTR RunModalPage(CDialog& page, const std::function<void(HWND)>& drive, const wchar_t* pszCaption = L"Fake Setup")
{
    const DWORD threadId = GetCurrentThreadId();
    std::thread driver([&]() {
        HWND hPage = WaitForWindow([&]() { return FindThreadWindow(threadId, L"#32770", pszCaption); });
        drive(hPage);
    });
    const INT_PTR nResult = page.DoModal();
    driver.join();
    return nResult;
}

// The template's text of the control in the language (the page's own code changes none).
inline CString TemplateText(UINT nTemplate, LANGID lang, int nID)
{
    CDialog plain(nTemplate, nullptr);
    plain.SetTemplateLanguage(lang);
    if (!plain.Create())
        return CString();
    const CString text = ItemText(plain.m_hWnd, nID);
    plain.DestroyWindow();
    return text;
}

inline CString LoadLanguageString(UINT nID, LANGID lang)
{
    CString text;
    AfxLoadString(nID, text, lang);
    return text;
}

inline CString WithName(const CString& pattern, const wchar_t* pszName = L"Quux Player")
{
    CString text;
    text.Format(pattern, pszName);
    return text;
}

// The folder tree of a shell folder picker.
inline HWND PickerTree(HWND hPicker)
{
    HWND hTree = FindWindowExW(hPicker, nullptr, WC_TREEVIEWW, nullptr);
    for (HWND hChild = GetWindow(hPicker, GW_CHILD); !hTree && hChild; hChild = GetWindow(hChild, GW_HWNDNEXT))
        hTree = FindWindowExW(hChild, nullptr, WC_TREEVIEWW, nullptr);
    return hTree;
}

inline CString TreeItemText(HWND hTree, HTREEITEM hItem)
{
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (!hItem || !SendMessageW(hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return CString();
    return text;
}

inline CString PickerSelectionText(HWND hPicker)
{
    HWND hTree = PickerTree(hPicker);
    return TreeItemText(hTree, reinterpret_cast<HTREEITEM>(SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

// Selects a folder beside the selected one the way a click does, through the tree itself.
inline bool SelectSiblingInTree(HWND hPicker, const CString& name)
{
    HWND hTree = PickerTree(hPicker);
    HTREEITEM hSelected = reinterpret_cast<HTREEITEM>(SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    HTREEITEM hParent = reinterpret_cast<HTREEITEM>(SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_PARENT,
                                                                  reinterpret_cast<LPARAM>(hSelected)));
    if (!hParent)
        return false;
    for (HTREEITEM hItem = reinterpret_cast<HTREEITEM>(SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_CHILD,
                                                                     reinterpret_cast<LPARAM>(hParent)));
         hItem; hItem = reinterpret_cast<HTREEITEM>(SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                  reinterpret_cast<LPARAM>(hItem))))
    {
        if (TreeItemText(hTree, hItem) == name)
            return SendMessageW(hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(hItem)) != 0;
    }
    return false;
}

// Selects the folder in the picker until its tree shows it selected (the picker may still be
// filling its tree when it first shows); false when it never does. Wine's picker at times
// ignores BFFM_SETSELECTION on a loaded machine: a folder beside the selected one is then
// chosen through the tree, as a click would.
inline bool SelectInPicker(HWND hPicker, const CString& folder)
{
    const CString name = folder.Mid(folder.ReverseFind(L'\\') + 1);
    for (int nTry = 0; nTry < 40; ++nTry)
    {
        if (nTry % 2 == 0)
            SendMessageW(hPicker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(static_cast<const wchar_t*>(folder)));
        else
            SelectSiblingInTree(hPicker, name);
        if (WaitForWindow([&]() { return PickerSelectionText(hPicker) == name ? hPicker : nullptr; }, 500))
            return true;
    }
    return false;
}

// A button's text set at run time fits the button in its font (room for the edges).
inline bool ButtonTextFits(HWND hDlg, int nID)
{
    HWND hButton = GetDlgItem(hDlg, nID);
    const CString text = ItemText(hDlg, nID);
    HDC hDC = GetDC(hButton);
    HGDIOBJ hPrevious = SelectObject(hDC, reinterpret_cast<HFONT>(SendMessageW(hButton, WM_GETFONT, 0, 0)));
    RECT needed = { 0, 0, 10000, 0 };
    DrawTextW(hDC, text, text.GetLength(), &needed, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(hDC, hPrevious);
    ReleaseDC(hButton, hDC);
    RECT client = {};
    GetClientRect(hButton, &client);
    return needed.right + 6 <= client.right;
}

// The page as drawn: the header band shows the branding colour and the control's text is drawn
// (some pixels in the text colour inside its rectangle).
inline void ExpectBrandingAndText(HWND hPage, COLORREF brandingColour, int nTextID)
{
    CWindowPixels capture;
    ASSERT_TRUE(CaptureWindow(hPage, capture));
    const POINT corner = ClientToCapture(hPage, { 3, 3 });
    EXPECT_EQ(brandingColour, capture.At(corner.x, corner.y));
    RECT text = {};
    GetWindowRect(GetDlgItem(hPage, nTextID), &text);
    MapWindowPoints(nullptr, hPage, reinterpret_cast<POINT*>(&text), 2);
    const POINT topLeft = ClientToCapture(hPage, { text.left, text.top });
    const POINT bottomRight = ClientToCapture(hPage, { text.right, text.bottom });
    const RECT area = { topLeft.x, topLeft.y, bottomRight.x, bottomRight.y };
    EXPECT_GT(capture.CountColour(area, GetSysColor(COLOR_WINDOWTEXT)), 20) << nTextID;
}
