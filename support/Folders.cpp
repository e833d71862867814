#include "Folders.h"
#include "PathUtil.h"
#include "SysUtil.h"
#include "TraceLog.h"

#include <shlobj.h>

CString GetWindowsTempDir()
{
    static CString s_temp;
    if (s_temp.IsEmpty())
    {
        wchar_t buf[MAX_PATH + 1] = {};
        const DWORD n = GetTempPathW(MAX_PATH, buf);
        if (n == 0 || n > MAX_PATH)
        {
            // A required size beyond the buffer leaves nothing usable in it either.
            if (n > MAX_PATH)
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
            Trace(TRACE_ERROR, L"GetWindowsTempDir : GetTempPath failed. Error %s", GetLastErrorText().GetString());
            s_temp = GetSystemDriveRoot() + L"Temp";
        }
        else
            s_temp = buf;
    }
    return s_temp;
}

CString GetProgramFolder()
{
    static CString s_folder;
    if (s_folder.IsEmpty())
    {
        const wchar_t* pszFolder = GetExeFolder();
        s_folder = pszFolder ? pszFolder : L"";
    }
    return s_folder;
}

CString GetMyMusicFolder()
{
    wchar_t buf[MAX_PATH + 1] = {};
    CString folder;
    if (SHGetSpecialFolderPathW(nullptr, buf, CSIDL_MYMUSIC, TRUE))
        folder = buf;
    else
        folder = GetProgramFolder();
    AppendBackslash(folder);
    return folder;
}

CString GetMyMusicFolderCached()
{
    static const CString s_folder = GetMyMusicFolder();
    return s_folder;
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
