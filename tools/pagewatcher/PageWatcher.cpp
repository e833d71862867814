// The demo's photographer: watches for the controller's installation progress page and saves a
// PNG of it (D:\screenshots\PageWatcher\) each time the page shows another phase. It runs beside
// the controller, so the controller's own code knows nothing of it; it ends after the time given
// (/for:<ms>, default ten minutes) or with the wineserver.

#include "tests/common/Screenshot.h"

#include <windows.h>

#include <cwchar>

namespace
{
// The page's heading and text (dialog 135): a new pair is a new phase.
const int kHeadingId = 1037;
const int kTextId = 1074;
const DWORD kPollMs = 50;
// A phase's texts are set before the page has painted them.
const DWORD kPaintDelayMs = 400;

BOOL CALLBACK FindProgressPage(HWND hWnd, LPARAM lParam)
{
    wchar_t cls[32] = {};
    GetClassNameW(hWnd, cls, 32);
    if (IsWindowVisible(hWnd) && wcscmp(cls, L"#32770") == 0 && FindWindowExW(hWnd, nullptr, L"msctls_progress32", nullptr))
    {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

CString ItemText(HWND hPage, int id)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(hPage, id, text, 1024);
    return text;
}
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR pszCommandLine, int)
{
    DWORD limitMs = 600000;
    if (const wchar_t* pFor = wcsstr(pszCommandLine, L"/for:"))
        limitMs = wcstoul(pFor + 5, nullptr, 10);
    const DWORD start = GetTickCount();
    CString last;
    int phase = 0;
    while (GetTickCount() - start < limitMs)
    {
        HWND hPage = nullptr;
        EnumWindows(FindProgressPage, reinterpret_cast<LPARAM>(&hPage));
        if (hPage)
        {
            const CString texts = ItemText(hPage, kHeadingId) + L"\n" + ItemText(hPage, kTextId);
            if (texts != last)
            {
                last = texts;
                Sleep(kPaintDelayMs);
                wchar_t name[32] = {};
                swprintf(name, 32, L"phase_%02d", ++phase);
                if (IsWindow(hPage))
                    SaveWindowScreenshot(hPage, name);
            }
        }
        Sleep(kPollMs);
    }
    return 0;
}
