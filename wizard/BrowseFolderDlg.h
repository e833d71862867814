#pragma once
// The shell's folder browser as a small object: an initial folder (or the last one chosen in the
// process), an optional root, a caption and a title; run modally, it gives back the chosen
// folder's file-system path. While it is open its owner answers WM_HELP itself, so that the
// owner's help does not open over the picker. One picker at a time, on the UI thread.

#include "classlib/String.h"

#include <windows.h>
#include <shlobj.h>

class CBrowseFolderDlg
{
public:
    // The two trailing arguments are unused (0).
    CBrowseFolderDlg(const wchar_t* pszInitialFolder, UINT nFlags, HWND hOwner, int nUnused1 = 0, int nUnused2 = 0);
    virtual ~CBrowseFolderDlg();
    CBrowseFolderDlg(const CBrowseFolderDlg&) = delete;
    CBrowseFolderDlg& operator=(const CBrowseFolderDlg&) = delete;

    // IDOK (1) when a folder was chosen, IDCANCEL (2) otherwise. The owner has its own window
    // procedure back when it returns.
    virtual INT_PTR Browse();

    void SetCaptionAndTitle(const wchar_t* pszCaption, const wchar_t* pszTitle);
    void SetRootFolder(const wchar_t* pszRoot);
    CString GetSelectedPath() const { return m_selectedPath; }
    // Set by the shell's first callback; null before.
    HWND GetBrowseWindow() const { return m_hBrowseWnd; }
    // The caller has COM initialised on this thread: Browse leaves it alone.
    void SetCallerOwnsCom(bool bOwns) { m_bCallerOwnsCom = bOwns; }

protected:
    virtual void OnInitialized(HWND hBrowseWnd);
    virtual void OnSelChanged(LPCITEMIDLIST pidl);
    virtual void OnBrowseCallback(HWND hBrowseWnd, UINT message, LPARAM lParam);

private:
    friend int CALLBACK BrowseCallbackProc(HWND hWnd, UINT message, LPARAM lParam, LPARAM lpData);
    void SubclassOwner();
    void RestoreOwner();
    void FreeRoot();

    BROWSEINFOW m_browseInfo;
    CString m_selectedPath;
    wchar_t m_szDisplayName[MAX_PATH];
    CString m_caption;
    CString m_title;
    wchar_t m_szPath[MAX_PATH];
    HWND m_hBrowseWnd;
    bool m_bCallerOwnsCom;
    CString m_rootFolder;
    bool m_bSubclassed;
};

// The callback handed to the shell: forwards to the picker in lpData; always 0.
int CALLBACK BrowseCallbackProc(HWND hWnd, UINT message, LPARAM lParam, LPARAM lpData);
// The owner's window procedure while a picker is open: WM_HELP is answered 1, everything else
// goes to the owner's own procedure.
LRESULT CALLBACK OwnerWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
