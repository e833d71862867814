// Folders that no recursive removal may delete or empty.
#include "ProtectedFolders.h"
#include "FileUtil.h"
#include "Registry.h"

#include "classlib/Handles.h"

#include <shlobj.h>
#include <userenv.h>

#include <cwctype>

#include <vector>

namespace
{
// "X:\..." or "\\server\share..."; device paths ("\\?\", "\\.\") are not folder paths here, nor
// a path with a stream part.
bool IsAbsoluteForm(const CString& path)
{
    if (NamesStream(path))
        return false;
    if (path.GetLength() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\')
        return true;
    if (path.Left(2) != L"\\\\" || path.GetLength() < 5 || path[2] == L'\\')
        return false;
    if ((path[2] == L'?' || path[2] == L'.') && path[3] == L'\\')
        return false;
    const int shareStart = path.Find(L'\\', 2) + 1;
    return shareStart > 3 && shareStart < path.GetLength() && path[shareStart] != L'\\';
}

CString FullPathName(const CString& path)
{
    const DWORD n = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (n == 0)
        return CString();
    CString full;
    const DWORD written = GetFullPathNameW(path, n, full.GetBuffer(n), nullptr);
    full.ReleaseBuffer(written < n ? static_cast<int>(written) : 0);
    return full;
}

// The long form of the part that exists; what does not exist yet is appended as given.
CString LongPathName(const CString& path)
{
    const DWORD n = GetLongPathNameW(path, nullptr, 0);
    if (n > 0)
    {
        CString longPath;
        const DWORD written = GetLongPathNameW(path, longPath.GetBuffer(n), n);
        longPath.ReleaseBuffer(written < n ? static_cast<int>(written) : 0);
        if (!longPath.IsEmpty())
            return longPath;
    }
    const int sep = path.ReverseFind(L'\\');
    if (sep <= 2 || sep == path.GetLength() - 1)
        return path;
    return LongPathName(path.Left(sep)) + path.Mid(sep);
}

// Full path with '\' separators, "." and ".." resolved, long names, no trailing '\', upper
// case; empty for a path that is not absolute.
CString Canonical(const wchar_t* pszPath)
{
    CString path;
    if (!ResolveAbsolutePath(pszPath, path))
        return CString();
    path.TrimRight(L"\\");
    return path.MakeUpper();
}

bool IsRoot(const CString& canonical)
{
    if (canonical.IsEmpty() || (canonical.GetLength() == 2 && canonical[1] == L':'))
        return true;
    // \\server\share is a root as well.
    if (canonical.Left(2) == L"\\\\")
    {
        int seps = 0;
        for (int i = 2; i < canonical.GetLength(); ++i)
            seps += canonical[i] == L'\\';
        return seps <= 1;
    }
    return false;
}

void AddFolder(std::vector<CString>& rList, const CString& path)
{
    const CString canonical = Canonical(path);
    if (!canonical.IsEmpty())
        rList.push_back(canonical);
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

// "\\\\host\\C$\\...", "\\\\host\\ADMIN$\\...": a hidden share reaches a whole drive or the Windows
// folder of a machine under another name.
bool IsHiddenShare(const CString& canonical)
{
    if (canonical.Left(2) != L"\\\\")
        return false;
    const int shareStart = canonical.Find(L'\\', 2) + 1;
    if (shareStart <= 0)
        return false;
    const int shareEnd = canonical.Find(L'\\', shareStart);
    const CString share = shareEnd < 0 ? canonical.Mid(shareStart) : canonical.Mid(shareStart, shareEnd - shareStart);
    return share.Right(1) == L"$";
}

CString ExpandEnvironment(const CString& text)
{
    wchar_t buf[MAX_PATH + 1] = {};
    const DWORD n = ExpandEnvironmentStringsW(text, buf, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH + 1 ? CString(buf) : CString();
}

// Every account's profile, not only this one's: with an elevation over the shoulder the person
// at the keyboard is another account than the one this program runs as.
void AddAccountProfiles(std::vector<CString>& rList)
{
    static const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    static const wchar_t* const kProfileFolders[] = {
        L"Desktop", L"Documents", L"My Documents", L"Downloads", L"Music", L"Pictures", L"Videos", L"AppData",
        L"AppData\\Roaming", L"AppData\\Local", L"AppData\\LocalLow", L"Application Data",
        L"Local Settings", L"Local Settings\\Application Data", L"Favorites", L"My Documents\\My Music",
        L"My Documents\\My Pictures", L"My Documents\\My Videos",
    };
    CScopedRegKey key;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS)
        return;
    key.Reset(hKey);
    for (DWORD i = 0;; ++i)
    {
        wchar_t name[256] = {};
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const CString profile =
            ExpandEnvironment(GetRegString(key.Get(), name, L"ProfileImagePath", 0));
        if (profile.IsEmpty())
            continue;
        AddFolder(rList, profile);
        for (const wchar_t* pszFolder : kProfileFolders)
            AddFolder(rList, profile + L"\\" + pszFolder);
    }
}

// The Windows folder under each name it goes by: everything below it is the system's.
std::vector<CString> WindowsFolders()
{
    std::vector<CString> list;
    wchar_t buf[MAX_PATH + 1] = {};
    if (GetWindowsDirectoryW(buf, MAX_PATH))
        AddFolder(list, buf);
    // On a terminal server the first is the user's own copy; this one is the shared folder.
    if (GetSystemWindowsDirectoryW(buf, MAX_PATH))
        AddFolder(list, buf);
    AddShellFolder(list, CSIDL_WINDOWS);
    for (const wchar_t* pszVariable : { L"SystemRoot", L"windir" })
        AddEnvironmentFolder(list, pszVariable);
    return list;
}

std::vector<CString> ProtectedFolders()
{
    std::vector<CString> list;
    wchar_t buf[MAX_PATH + 1] = {};
    if (GetWindowsDirectoryW(buf, MAX_PATH))
        AddFolder(list, buf);
    if (GetSystemDirectoryW(buf, MAX_PATH))
        AddFolder(list, buf);
    // A 32-bit program reaches the 64-bit system folder through Sysnative.
    if (GetWindowsDirectoryW(buf, MAX_PATH))
        AddFolder(list, CString(buf) + L"\\Sysnative");
    const int shellFolders[] = { CSIDL_WINDOWS,        CSIDL_SYSTEM,   CSIDL_SYSTEMX86,  CSIDL_PROGRAM_FILES,
                                 CSIDL_PROGRAM_FILESX86, CSIDL_PROFILE,  CSIDL_DESKTOPDIRECTORY,
                                 CSIDL_PERSONAL,       CSIDL_MYMUSIC,  CSIDL_MYPICTURES, CSIDL_MYVIDEO,
                                 CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS,
                                 CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86 };
    for (int csidl : shellFolders)
        AddShellFolder(list, csidl);
    // The 64-bit Program Files folder has no shell id a 32-bit program can ask for.
    AddEnvironmentFolder(list, L"ProgramW6432");
    AddEnvironmentFolder(list, L"ProgramFiles");
    AddEnvironmentFolder(list, L"USERPROFILE");
    for (const wchar_t* pszVariable : { L"ProgramData", L"CommonProgramFiles", L"CommonProgramFiles(x86)",
                                        L"CommonProgramW6432", L"SystemRoot", L"windir" })
        AddEnvironmentFolder(list, pszVariable);
    AddAccountProfiles(list);
    // The folder of all profiles and the shared one: above or beside every user's profile.
    wchar_t profiles[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH + 1;
    if (GetProfilesDirectoryW(profiles, &size))
        AddFolder(list, profiles);
    AddEnvironmentFolder(list, L"ALLUSERSPROFILE");
    AddShellFolder(list, CSIDL_COMMON_APPDATA);
    AddShellFolder(list, CSIDL_APPDATA);
    AddShellFolder(list, CSIDL_LOCAL_APPDATA);
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
    if (IsRoot(path) || IsHiddenShare(path))
        return true;
    // The list is asked once: the removal checks it at every level of a walk.
    static const std::vector<CString> s_folders = ProtectedFolders();
    // A folder above a protected one would take it along.
    const CString below = path + L"\\";
    for (const CString& folder : s_folders)
        if (folder == path || folder.Left(below.GetLength()) == below)
            return true;
    static const std::vector<CString> s_windows = WindowsFolders();
    for (const CString& windows : s_windows)
        if (path.Left(windows.GetLength() + 1) == windows + L"\\")
            return true;
    return false;
}

bool NamesStream(const wchar_t* pszPath)
{
    // "X:" is the only place a folder path has a colon; any other names a stream of a file or
    // folder ("D:\a::$INDEX_ALLOCATION" is the folder a itself).
    const wchar_t* pColon = pszPath ? wcschr(pszPath, L':') : nullptr;
    if (pColon && pColon == pszPath + 1 && iswalpha(pszPath[0]))
        pColon = wcschr(pColon + 1, L':');
    return pColon != nullptr;
}

bool ResolveAbsolutePath(const wchar_t* pszPath, CString& rResolved)
{
    rResolved.Empty();
    CString path(pszPath ? pszPath : L"");
    path.Trim();
    path.Replace(L'/', L'\\');
    if (!IsAbsoluteForm(path))
        return false;
    CString full = FullPathName(path);
    if (!IsAbsoluteForm(full))
        return false;
    full = LongPathName(full);
    // A drive root keeps its backslash: "X:" alone would name the drive's current folder.
    while (full.GetLength() > 3 && full.Right(1) == L"\\")
        full = full.Left(full.GetLength() - 1);
    rResolved = full;
    return true;
}
