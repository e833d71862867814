// Folders that no recursive removal may delete or empty.
#include "FileUtil.h"

#include <shlobj.h>

#include <vector>

namespace
{
// Full path with '\' separators, "." and ".." resolved, no trailing '\', upper case.
CString Canonical(const wchar_t* pszPath)
{
    CString path(pszPath);
    path.Trim();
    path.Replace(L'/', L'\\');
    // "X:" alone means the drive's current folder to the system; here it names the drive.
    if (path.IsEmpty() || (path.GetLength() <= 3 && path.GetLength() >= 2 && path[1] == L':'))
        return path.Left(2).MakeUpper();
    wchar_t buf[MAX_PATH * 2] = {};
    const DWORD n = GetFullPathNameW(path, MAX_PATH * 2, buf, nullptr);
    if (n > 0 && n < MAX_PATH * 2)
        path = buf;
    path.TrimRight(L"\\");
    return path.MakeUpper();
}

bool IsRoot(const CString& canonical)
{
    if (canonical.IsEmpty() || (canonical.GetLength() == 2 && canonical[1] == L':'))
        return true;
    // \\server\share and \\?\X: are roots as well.
    if (canonical.Left(2) == L"\\\\")
    {
        int seps = 0;
        for (int i = 2; i < canonical.GetLength(); ++i)
            seps += canonical[i] == L'\\';
        return seps <= 1 || (canonical.Left(4) == L"\\\\?\\" && canonical.GetLength() <= 6);
    }
    return false;
}

void AddFolder(std::vector<CString>& rList, const CString& path)
{
    if (!path.IsEmpty())
        rList.push_back(Canonical(path));
}

void AddShellFolder(std::vector<CString>& rList, int csidl)
{
    wchar_t buf[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf)))
        AddFolder(rList, buf);
}

void AddEnvironmentFolder(std::vector<CString>& rList, const wchar_t* pszVariable)
{
    wchar_t buf[MAX_PATH + 1] = {};
    const DWORD n = GetEnvironmentVariableW(pszVariable, buf, MAX_PATH + 1);
    if (n > 0 && n <= MAX_PATH)
        AddFolder(rList, buf);
}

std::vector<CString> ProtectedFolders()
{
    std::vector<CString> list;
    wchar_t buf[MAX_PATH + 1] = {};
    if (GetWindowsDirectoryW(buf, MAX_PATH))
        AddFolder(list, buf);
    if (GetSystemDirectoryW(buf, MAX_PATH))
        AddFolder(list, buf);
    const int shellFolders[] = { CSIDL_WINDOWS,        CSIDL_SYSTEM,   CSIDL_SYSTEMX86,  CSIDL_PROGRAM_FILES,
                                 CSIDL_PROGRAM_FILESX86, CSIDL_PROFILE,  CSIDL_DESKTOPDIRECTORY,
                                 CSIDL_PERSONAL,       CSIDL_MYMUSIC,  CSIDL_MYPICTURES, CSIDL_MYVIDEO,
                                 CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS };
    for (int csidl : shellFolders)
        AddShellFolder(list, csidl);
    // The 64-bit Program Files folder has no shell id a 32-bit program can ask for.
    AddEnvironmentFolder(list, L"ProgramW6432");
    AddEnvironmentFolder(list, L"ProgramFiles");
    AddEnvironmentFolder(list, L"USERPROFILE");
    // Downloads has no shell id before Vista's known folders: it lives in the profile.
    wchar_t profile[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile)))
        AddFolder(list, CString(profile) + L"\\Downloads");
    return list;
}
}

bool IsProtectedFolder(const wchar_t* pszPath)
{
    const CString path = Canonical(pszPath ? pszPath : L"");
    if (IsRoot(path))
        return true;
    // The list is asked once: the removal checks it at every level of a walk.
    static const std::vector<CString> s_folders = ProtectedFolders();
    for (const CString& folder : s_folders)
        if (folder == path)
            return true;
    return false;
}
