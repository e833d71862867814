#include "FileUtil.h"

#include <algorithm>

bool FileExists(const wchar_t* pszPath)
{
    DWORD attr = GetFileAttributesW(pszPath);
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const wchar_t* pszPath)
{
    DWORD attr = GetFileAttributesW(pszPath);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool EnsureFolderExists(const wchar_t* pszPath)
{
    CString path(pszPath);
    path.TrimRight(L"\\/");
    if (path.IsEmpty())
        return false;
    if (FolderExists(path))
        return true;
    const int sep = std::max(path.ReverseFind(L'\\'), path.ReverseFind(L'/'));
    if (sep > 0 && path[sep - 1] != L':')
        EnsureFolderExists(path.Left(sep));
    return CreateDirectoryW(path, nullptr) || FolderExists(path);
}

CString AddBackslash(const CString& path)
{
    if (!path.IsEmpty() && path[path.GetLength() - 1] == L'\\')
        return path;
    return path + L'\\';
}

CString JoinPath(const CString& folder, const wchar_t* pszName)
{
    return AddBackslash(folder) + pszName;
}
