#include "Windows.h"

#include "classlib/Dialog.h"

namespace
{
struct CSearch
{
    DWORD pid;
    const std::function<bool(HWND)>* pMatch;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam)
{
    CSearch* pSearch = reinterpret_cast<CSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    wchar_t cls[32] = {};
    GetClassNameW(hWnd, cls, 32);
    if (pid == pSearch->pid && IsWindowVisible(hWnd) && wcscmp(cls, L"#32770") == 0 && (*pSearch->pMatch)(hWnd))
    {
        pSearch->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND hWnd, LPARAM lParam)
{
    wchar_t cls[32] = {};
    GetClassNameW(hWnd, cls, 32);
    if (_wcsicmp(cls, L"Static") == 0)
    {
        wchar_t text[2048] = {};
        GetWindowTextW(hWnd, text, 2048);
        CString* pAll = reinterpret_cast<CString*>(lParam);
        if (*text)
        {
            if (!pAll->IsEmpty())
                *pAll += L"\n";
            *pAll += text;
        }
    }
    return TRUE;
}
}

HWND FindProcessDialog(DWORD pid, const std::function<bool(HWND)>& match)
{
    CSearch search = { pid, &match, nullptr };
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForProcessDialog(DWORD pid, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    do
    {
        // A progress page is never the box a run asks its question or tells its end in.
        if (HWND hFound = FindProcessDialog(pid, [](HWND hWnd) {
                return FindWindowExW(hWnd, nullptr, L"msctls_progress32", nullptr) == nullptr;
            }))
            return hFound;
        Sleep(100);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

CString GetDialogText(HWND hDlg)
{
    CString all;
    EnumChildWindows(hDlg, CollectText, reinterpret_cast<LPARAM>(&all));
    return all;
}

void PressDialogButton(HWND hDlg, int id)
{
    PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id)));
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (AfxPreTranslateDialogMessage(&msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

HWND WaitForWindow(const std::function<HWND()>& find, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs)
    {
        if (HWND hWnd = find())
            return hWnd;
        Sleep(10);
    }
    return nullptr;
}

namespace
{
struct COwnedSearch
{
    HWND hOwner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND hWnd, LPARAM lParam)
{
    COwnedSearch* pSearch = reinterpret_cast<COwnedSearch*>(lParam);
    if (GetWindow(hWnd, GW_OWNER) == pSearch->hOwner && IsWindowVisible(hWnd))
    {
        pSearch->found = hWnd;
        return FALSE;
    }
    return TRUE;
}
}

HWND OwnedBy(HWND hOwner)
{
    COwnedSearch search = { hOwner, nullptr };
    EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
