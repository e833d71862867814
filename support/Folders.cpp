#include "Folders.h"
#include "FileUtil.h"
#include "TraceLog.h"

#include <shlobj.h>

namespace
{
CString& EditionName()
{
    static CString s_edition(L"2011");
    return s_edition;
}

CString EnsuredOrEmpty(const CString& folder)
{
    return EnsureFolderExists(folder) ? folder : CString();
}
}

CString GetWindowsTempDir()
{
    static CString s_temp;
    if (s_temp.IsEmpty())
    {
        wchar_t buf[MAX_PATH + 1] = {};
        DWORD n = GetTempPathW(MAX_PATH, buf);
        if (n == 0 || n > MAX_PATH)
            s_temp = L"C:\\Temp\\";
        else
        {
            s_temp = buf;
            AppendBackslash(s_temp);
        }
    }
    return s_temp;
}

CString GetLocalAppDataFolder()
{
    wchar_t buf[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf)))
        return CString();
    CString folder(buf);
    AppendBackslash(folder);
    return folder;
}

void SetProductEditionName(const wchar_t* pszEdition)
{
    EditionName() = pszEdition;
}

CString GetProductEditionName()
{
    return EditionName();
}

CString GetLocalAppDataProductFolder()
{
    const CString base = GetLocalAppDataFolder();
    if (base.IsEmpty())
        return CString();
    return EnsuredOrEmpty(base + L"Quillmark\\Vantolin_" + EditionName() + L"\\");
}

CString GetTraceLogFolder()
{
    const CString base = GetLocalAppDataProductFolder();
    if (base.IsEmpty())
        return CString();
    return EnsuredOrEmpty(base + L"Log\\");
}

CString GetTempFolderSetting()
{
    CString folder = GetWindowsTempDir() + L"Quillmark";
    EnsureFolderExists(folder);
    return folder;
}
