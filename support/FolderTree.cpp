// The recursive folder walks: removal, copy, count, size and clean-up.
#include "FileUtil.h"
#include "SysUtil.h"
#include "TraceLog.h"

#include "classlib/Handles.h"

#include <ctime>

namespace
{
bool IsDots(const WIN32_FIND_DATAW& fd)
{
    return wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0;
}

bool IsLink(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsFolderLink(const WIN32_FIND_DATAW& fd)
{
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsLink(fd.dwFileAttributes);
}

ULONGLONG SizeOf(const WIN32_FIND_DATAW& fd)
{
    return (static_cast<ULONGLONG>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
}

// Removes a link to a folder without touching what it points at.
bool RemoveFolderLink(const CString& path)
{
    // Where the system cannot remove the link itself (Wine sees through it), it stays: never
    // is its target emptied instead.
    if (RemoveDirectoryW(path) || DeleteFileW(path))
        return true;
    Trace(TRACE_ERROR, L"RemoveDirectoryRec failed to remove dir %s : %s", path.GetString(),
          GetLastSystemErrorText().GetString());
    return false;
}

// The walk shared by copy and count: calls onFile for each file and onFolder for each real
// sub-folder of folder\*.*; either returning false ends the walk with false.
template <typename FileFn, typename FolderFn>
bool WalkFolder(const CString& folder, FileFn onFile, FolderFn onFolder)
{
    WIN32_FIND_DATAW fd;
    CScopedFindHandle find(FindFirstFileW(folder + L"\\*.*", &fd));
    if (!find)
    {
        Trace(TRACE_ERROR, L"FindFirstFile() failed. GetLastError() returned %d\n", static_cast<int>(GetLastError()));
        return false;
    }
    do
    {
        if (IsDots(fd) || IsFolderLink(fd))
            continue;
        const CString name(fd.cFileName);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? !onFolder(name) : !onFile(name, fd))
            return false;
    } while (FindNextFileW(find.Get(), &fd));
    const DWORD err = GetLastError();
    if (err == ERROR_NO_MORE_FILES)
        return true;
    Trace(TRACE_ERROR, L"FindNextFile() failed. GetLastError() returned %d\n", static_cast<int>(err));
    return false;
}
}

bool RemoveDirectoryRec(const wchar_t* pszFolder)
{
    if (IsProtectedFolder(pszFolder))
    {
        Trace(TRACE_ERROR, L"RemoveDirectoryRec : refusing to remove the protected folder %s", pszFolder);
        return false;
    }
    if (!IsFolder(pszFolder))
    {
        Trace(TRACE_ERROR, L"RemoveDirectoryRec : %s is not a directory (maybe was deleted shortly)", pszFolder);
        return true;
    }
    CString folder(pszFolder);
    const DWORD own = GetFileAttributesW(RemoveTrailingBackslashes(folder));
    if (own != INVALID_FILE_ATTRIBUTES && IsLink(own))
        return RemoveFolderLink(RemoveTrailingBackslashes(folder));
    AppendBackslash(folder);
    {
        WIN32_FIND_DATAW fd;
        CScopedFindHandle find(FindFirstFileW(folder + L"*", &fd));
        if (find)
            do
            {
                if (IsDots(fd))
                    continue;
                const CString path = folder + fd.cFileName;
                if (IsFolderLink(fd))
                    RemoveFolderLink(path);
                else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryRec(path);
                else if (!DeleteFileW(path))
                {
                    Trace(TRACE_ERROR, L"RemoveDirectoryRec failed to remove file %s : %s", path.GetString(),
                          GetLastSystemErrorText().GetString());
                    return false;
                }
            } while (FindNextFileW(find.Get(), &fd));
    }
    if (!RemoveDirectoryW(folder))
    {
        Trace(TRACE_ERROR, L"RemoveDirectoryRec failed to remove dir %s : %s", folder.GetString(),
              GetLastSystemErrorText().GetString());
        return false;
    }
    return true;
}

bool CopyFolderRec(const wchar_t* pszSource, const wchar_t* pszTarget, bool bFailIfExists, CopyFileCallback pCallback,
                   void* pContext)
{
    CString source(pszSource), target(pszTarget);
    NormalizeFolderPath(source);
    NormalizeFolderPath(target);
    if (!AssureDirExists(target))
        return false;
    return WalkFolder(
        source,
        [&](const CString& name, const WIN32_FIND_DATAW& fd) {
            const CString from = source + L"\\" + name, to = target + L"\\" + name;
            if (pCallback)
                pCallback(pContext, from, to, SizeOf(fd));
            if (CopyFileW(from, to, bFailIfExists ? TRUE : FALSE))
                return true;
            Trace(TRACE_ERROR, L"CopyFile() failed. GetLastError() returned %d\n", static_cast<int>(GetLastError()));
            return false;
        },
        [&](const CString& name) {
            return CopyFolderRec(source + L"\\" + name, target + L"\\" + name, bFailIfExists, pCallback, pContext);
        });
}

bool CountFilesRec(const wchar_t* pszFolder, DWORD& rCount, ULONGLONG& rTotal)
{
    const CString folder(pszFolder);
    return WalkFolder(
        folder,
        [&](const CString&, const WIN32_FIND_DATAW& fd) {
            ++rCount;
            rTotal += SizeOf(fd);
            return true;
        },
        [&](const CString& name) { return CountFilesRec(folder + L"\\" + name, rCount, rTotal); });
}

ULONGLONG GetFolderSize(const wchar_t* pszFolder)
{
    CString folder(pszFolder);
    NormalizeFolderPath(folder);
    ULONGLONG total = 0;
    // A sub-folder that cannot be read adds nothing; the rest still counts.
    WalkFolder(
        folder,
        [&](const CString&, const WIN32_FIND_DATAW& fd) {
            total += SizeOf(fd);
            return true;
        },
        [&](const CString& name) {
            total += GetFolderSize(folder + L"\\" + name);
            return true;
        });
    return total;
}

bool CFileUtils::CountFilesInFolder(const wchar_t* pszFolder, DWORD& rCount, ULONGLONG& rTotal)
{
    rCount = 0;
    rTotal = 0;
    if (!IsFolderByStatus(pszFolder))
    {
        Trace(TRACE_ERROR, L"CFileUtils::CountFilesInFolder : Directory <%s> does not exist\n", pszFolder);
        return false;
    }
    CString folder(pszFolder);
    NormalizeFolderPath(folder);
    return CountFilesRec(folder, rCount, rTotal);
}

bool CFileUtils::CleanUpFolderRecursively(const wchar_t* pszFolder, const wchar_t* pszPrefix, int days)
{
    if (IsProtectedFolder(pszFolder))
    {
        Trace(TRACE_ERROR, L"CFileUtils::CleanUpFolderRecursively - refusing to empty the protected folder '%s'",
              pszFolder);
        return false;
    }
    if (!IsFolder(pszFolder))
    {
        Trace(TRACE_ERROR, L"CFileUtils::CleanUpFolderRecursively - path '%s' is not a folder !", pszFolder);
        return false;
    }
    const CString prefix(pszPrefix);
    const time_t limit = time(nullptr) - static_cast<time_t>(days) * 86400;
    CString folder(pszFolder);
    AppendBackslash(folder);
    WIN32_FIND_DATAW fd;
    CScopedFindHandle find(FindFirstFileW(folder + L"*", &fd));
    if (!find)
        return true;
    bool ok = true;
    do
    {
        if (IsDots(fd))
            continue;
        const CString path = folder + fd.cFileName;
        if (IsFolderLink(fd))
            ok = RemoveFolderLink(path) && ok;
        else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = RemoveDirectoryRec(path) && ok;
        else
        {
            if (!prefix.IsEmpty() && path.Left(prefix.GetLength()).CompareNoCase(prefix) != 0)
                continue;
            if (days != 0)
            {
                WIN32_FILE_ATTRIBUTE_DATA data;
                if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
                {
                    Trace(TRACE_ERROR, L"CFileUtils::CleanUpFolderRecursively : could not read status for file '%s'",
                          path.GetString());
                    ok = false;
                    continue;
                }
                ULARGE_INTEGER t;
                t.LowPart = data.ftLastWriteTime.dwLowDateTime;
                t.HighPart = data.ftLastWriteTime.dwHighDateTime;
                // FILETIME counts 100 ns since 1601; time_t seconds since 1970.
                const time_t modified = static_cast<time_t>((t.QuadPart - 116444736000000000ULL) / 10000000ULL);
                if (modified > limit)
                    continue;
            }
            if (!DeleteFileW(path))
            {
                Trace(TRACE_ERROR, L"CFileUtils::CleanUpFolderRecursively : could not delete file '%s'",
                      path.GetString());
                ok = false;
            }
        }
    } while (FindNextFileW(find.Get(), &fd));
    return ok;
}
