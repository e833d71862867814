#include "FileUtil.h"
#include "SysUtil.h"
#include "TraceLog.h"

#include "classlib/Handles.h"

#include <shlobj.h>

#include <cstdlib>
#include <ctime>

namespace
{
const int kMoveAttempts = 5;

DWORD Attributes(const wchar_t* pszPath)
{
    return GetFileAttributesW(pszPath ? pszPath : L"");
}

bool IsDriveText(const CString& path)
{
    return path.GetLength() == 2 && path[1] == L':';
}
}

bool FileExists(const wchar_t* pszPath)
{
    const DWORD attr = Attributes(pszPath);
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const wchar_t* pszPath)
{
    const DWORD attr = Attributes(pszPath);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const wchar_t* pszPath)
{
    return Attributes(pszPath) != INVALID_FILE_ATTRIBUTES;
}

bool AssureDirExists(const wchar_t* pszPath)
{
    if (!PathExists(pszPath))
    {
        if (CreateDirectoryW(pszPath, nullptr))
            return true;
        Trace(TRACE_ERROR, L"AssureDirExists: Error creating dir '%s'", pszPath);
        return false;
    }
    if (FolderExists(pszPath))
        return true;
    Trace(TRACE_ERROR, L"AssureDirExists: '%s' exists but is not a folder", pszPath);
    return false;
}

bool GetFileSizeOfPath(const wchar_t* pszPath, ULONGLONG& rSize)
{
    CScopedFileHandle file(CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD high = 0;
    const DWORD low = GetFileSize(file.Get(), &high);
    const bool ok = !(low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR);
    rSize = ok ? ((static_cast<ULONGLONG>(high) << 32) | low) : 0;
    return ok;
}

bool MoveFileWithRetry(const wchar_t* pszFrom, const wchar_t* pszTo)
{
    for (int attempt = 0; attempt < kMoveAttempts; ++attempt)
    {
        if (MoveFileExW(pszFrom, pszTo, MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        {
            Trace(TRACE_INFO, L"File successfully moved from [%s] to [%s]", pszFrom, pszTo);
            return true;
        }
        Trace(TRACE_ERROR, L"Error moving file from [%s] to [%s]: %s", pszFrom, pszTo, GetLastErrorText().GetString());
    }
    if (CopyFileW(pszFrom, pszTo, FALSE))
    {
        Trace(TRACE_TRACE, L"File successfully copied from [%s] to [%s]", pszFrom, pszTo);
        return true;
    }
    Trace(TRACE_ERROR, L"Error copying file from [%s] to [%s]: %s", pszFrom, pszTo, GetLastErrorText().GetString());
    return false;
}

bool IsFolder(const wchar_t* pszPath)
{
    const CString path = RemoveTrailingBackslashes(pszPath);
    if (IsDriveText(path))
        return FolderExists(path);
    WIN32_FIND_DATAW fd;
    CScopedFindHandle find(FindFirstFileW(path, &fd));
    return find.IsValid() && (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolderByStatus(const wchar_t* pszPath)
{
    const CString path = RemoveTrailingBackslashes(pszPath);
    if (IsDriveText(path))
        return FolderExists(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(path, GetFileExInfoStandard, &data) &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool GetSpecialFolder(HWND hOwner, int csidl, CString& rPath)
{
    wchar_t buf[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(hOwner, buf, csidl, FALSE))
        return false;
    rPath = buf;
    return true;
}

CString GetTimestampString()
{
    SYSTEMTIME st;
    GetUniqueLocalTime(st);
    return FormatString(L"%04d%02d%02d_%02d%02d%02d_%03d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                        st.wSecond, st.wMilliseconds);
}

void NormalizeFolderPath(CString& rPath)
{
    if (rPath.IsEmpty())
        return;
    rPath.Replace(L'/', L'\\');
    if (rPath[rPath.GetLength() - 1] == L'\\')
        rPath = rPath.Left(rPath.GetLength() - 1);
}

bool CreateFolderTree(const wchar_t* pszPath, SECURITY_ATTRIBUTES* pSecurity)
{
    if (FolderExists(pszPath))
        return true;
    CString path(pszPath);
    if (!path.IsEmpty() && path[path.GetLength() - 1] == L'\\')
        path = path.Left(path.GetLength() - 1);
    if (path.IsEmpty())
        return false;
    if (PathExists(path))
    {
        if (FolderExists(path))
            return true;
        SetLastError(ERROR_FILE_EXISTS);
        return false;
    }
    const int sep = path.ReverseFind(L'\\');
    if (sep > 0 && !CreateFolderTree(path.Left(sep), pSecurity))
        return false;
    return CreateDirectoryW(path, pSecurity) != FALSE;
}

bool EnsureFolderExists(const wchar_t* pszPath)
{
    if (PathExists(pszPath))
        return FolderExists(pszPath);
    return CreateFolderTree(pszPath, nullptr);
}

bool MakeTempFileName(const wchar_t* pszExtension, CString& rPath)
{
    wchar_t folder[MAX_PATH] = {};
    const DWORD n = GetTempPathW(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH)
    {
        Trace(TRACE_ERROR, L"GetTempPath returned %lu, last error = %lu", n, GetLastError());
        return false;
    }
    // Time and a random number alone repeat within one second; a per-process counter does not.
    static volatile LONG s_counter = 0;
    static const unsigned s_salt = [] {
        srand(static_cast<unsigned>(time(nullptr)) ^ GetCurrentProcessId());
        return (static_cast<unsigned>(rand()) << 16) ^ (GetCurrentProcessId() << 8);
    }();
    const int number = static_cast<int>((s_salt + static_cast<unsigned>(InterlockedIncrement(&s_counter))) & 0x7FFFFFFF);
    rPath = folder + FormatString(L"temp_%lu_%i.%s", static_cast<unsigned long>(time(nullptr)), number,
                                  pszExtension ? pszExtension : L"");
    return true;
}

bool IsLinkItself(const wchar_t* pszPath)
{
    const DWORD attributes = Attributes(pszPath);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool FindLinkOnPath(const wchar_t* pszResolved, CString& rLink)
{
    const CString resolved(pszResolved ? pszResolved : L"");
    // Start after the root: "X:\" or "\\server\share\".
    int pos = 3;
    if (resolved.Left(2) == L"\\\\")
    {
        const int shareEnd = resolved.Find(L'\\', resolved.Find(L'\\', 2) + 1);
        if (shareEnd < 0)
            return false;
        pos = shareEnd + 1;
    }
    while (pos <= resolved.GetLength())
    {
        int next = resolved.Find(L'\\', pos);
        if (next < 0)
            next = resolved.GetLength();
        const CString part = resolved.Left(next);
        const DWORD attributes = GetFileAttributesW(part);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        {
            rLink = part;
            return true;
        }
        pos = next + 1;
    }
    return false;
}
