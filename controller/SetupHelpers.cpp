#include "SetupHelpers.h"
#include "OruUtil.h"
#include "support/MsiHandle.h"
#include "support/TraceLog.h"

CString GetMsiPackageProperty(const wchar_t* pszPackage, const wchar_t* pszProperty)
{
    CScopedMsiHandle database;
    if (MsiOpenDatabaseW(pszPackage, MSIDBOPEN_READONLY, database.Receive()) != ERROR_SUCCESS)
    {
        Trace(TRACE_ERROR, L"GetMsiPackageProperty : cannot open [%s]", pszPackage);
        return CString();
    }
    CScopedMsiHandle view;
    if (MsiDatabaseOpenViewW(database.Get(), L"SELECT `Value` FROM `Property` WHERE `Property` = ?", view.Receive()) != ERROR_SUCCESS)
        return CString();
    CScopedMsiHandle params(MsiCreateRecord(1));
    MsiRecordSetStringW(params.Get(), 1, pszProperty);
    CScopedMsiHandle record;
    if (MsiViewExecute(view.Get(), params.Get()) != ERROR_SUCCESS || MsiViewFetch(view.Get(), record.Receive()) != ERROR_SUCCESS)
        return CString();
    DWORD n = 0;
    wchar_t empty[1] = {};
    if (MsiRecordGetStringW(record.Get(), 1, empty, &n) != ERROR_MORE_DATA && n == 0)
        return CString();
    CString value;
    ++n;
    if (MsiRecordGetStringW(record.Get(), 1, value.GetBuffer(n), &n) != ERROR_SUCCESS)
        return CString();
    value.ReleaseBuffer(n);
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

void DeleteWindowPosition()
{
    COruUtil::DeleteRegistryKey(HKEY_LOCAL_MACHINE, L"Software\\Quillmark\\ORU_WindowPos");
}
