#include "SetupHelpers.h"
#include "OruUtil.h"
#include "support/MsiHandle.h"
#include "support/Registry.h"
#include "support/TraceLog.h"

namespace
{
const wchar_t kWindowPosKey[] = L"Software\\Quillmark\\ORU_WindowPos";
// The size of a wizard page.
const int kPageWidth = 508;
const int kPageHeight = 397;
}

CString GetMsiProperty(const wchar_t* pszPackage, const wchar_t* pszProperty)
{
    CScopedMsiHandle database;
    if (MsiOpenDatabaseW(pszPackage, MSIDBOPEN_READONLY, database.Receive()) != ERROR_SUCCESS)
        return CString();
    CString query;
    query.Format(L"SELECT Value from Property WHERE Property = '%s'", pszProperty);
    CScopedMsiHandle view;
    if (MsiDatabaseOpenViewW(database.Get(), query, view.Receive()) != ERROR_SUCCESS)
        return CString();
    CString value;
    CScopedMsiHandle record;
    if (MsiViewExecute(view.Get(), 0) == ERROR_SUCCESS && MsiViewFetch(view.Get(), record.Receive()) == ERROR_SUCCESS)
    {
        // A longer value does not fit: the call says so, and the buffer may hold no terminator.
        wchar_t buffer[50] = {};
        DWORD n = 50;
        if (MsiRecordGetStringW(record.Get(), 1, buffer, &n) == ERROR_SUCCESS && n < 50)
            value = CString(buffer, static_cast<int>(n));
    }
    MsiViewClose(view.Get());
    return value;
}

CString FormatResString(UINT nID, ...)
{
    CString format;
    format.LoadString(nID);
    CString text;
    va_list args;
    va_start(args, nID);
    text.FormatV(format, args);
    va_end(args);
    return text;
}

void SaveWindowPosition(HWND hWnd, int x, int y)
{
    WriteRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"InsertAfter",
                  static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hWnd)), nullptr, 0);
    WriteRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"XPos", static_cast<DWORD>(x), nullptr, 0);
    WriteRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"YPos", static_cast<DWORD>(y), nullptr, 0);
}

RECT GetWorkAreaOfWindow(HWND hWnd)
{
    RECT area = {};
    if (hWnd && IsWindow(hWnd))
    {
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        HMONITOR hMonitor = MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST);
        if (hMonitor && GetMonitorInfoW(hMonitor, &info))
            return info.rcWork;
    }
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        SetRectEmpty(&area);
    return area;
}

POINT GetCentredPagePosition()
{
    RECT area = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        SetRectEmpty(&area);
    POINT pt = { (area.right - area.left - kPageWidth) / 2, (area.bottom - area.top - kPageHeight) / 2 };
    return pt;
}

bool RestoreWindowPosition(HWND hPage)
{
    const RECT area = GetWorkAreaOfWindow(hPage);
    const bool hasArea = !IsRectEmpty(&area);
    DWORD x = 0, y = 0, insertAfter = 0;
    HWND hInsertAfter = HWND_TOP;
    int left = 0, top = 0;
    if (ReadRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"XPos", x, 0) &&
        ReadRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"YPos", y, 0) &&
        ReadRegDword(HKEY_LOCAL_MACHINE, kWindowPosKey, L"InsertAfter", insertAfter, 0))
    {
        HWND hStored = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(insertAfter));
        if (hStored && IsWindow(hStored) && hStored != hPage)
            hInsertAfter = hStored;
        left = static_cast<int>(x);
        top = static_cast<int>(y);
        if (hasArea)
        {
            left = left < area.left ? area.left : left;
            top = top < area.top ? area.top : top;
        }
    }
    else if (hasArea)
    {
        RECT page = {};
        GetWindowRect(hPage, &page);
        left = area.left + (area.right - area.left) / 2 - (page.right - page.left) / 2;
        top = area.top + (area.bottom - area.top) / 2 - (page.bottom - page.top) / 2;
    }
    return SetWindowPos(hPage, hInsertAfter, left, top, 0, 0, SWP_NOSIZE) != FALSE;
}

void DeleteWindowPosition()
{
    COruUtil::DeleteRegistryKey(HKEY_LOCAL_MACHINE, kWindowPosKey);
}
