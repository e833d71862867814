// The recursive folder walks: removal, copy, count, size and clean-up.
#include "FolderTree.h"
#include "FileUtil.h"
#include "FolderRemovalCalls.h"
#include "ProtectedFolders.h"
#include "SysUtil.h"
#include "TraceLog.h"

#include "classlib/Handles.h"

#include <ctime>
#include <vector>

namespace
{
HANDLE OpenFolderItself(const wchar_t* pszPath)
{
    return CreateFileW(pszPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

void CloseFolder(HANDLE hFolder)
{
    CloseHandle(hFolder);
}

BOOL DeleteOneFile(const wchar_t* pszPath)
{
    return DeleteFileW(pszPath);
}

BOOL RemoveOneFolder(const wchar_t* pszPath)
{
    return RemoveDirectoryW(pszPath);
}

const CFolderRemovalCalls kSystemCalls = { OpenFolderItself, CloseFolder, DeleteOneFile, RemoveOneFolder };
const CFolderRemovalCalls* g_pCalls = &kSystemCalls;

typedef DWORD(WINAPI* FinalPathQuery)(HANDLE, LPWSTR, DWORD, DWORD);

// Windows XP has no such query: there the folder held is taken for the one named.
FinalPathQuery GetFinalPathQuery()
{
    static const FinalPathQuery s_query = reinterpret_cast<FinalPathQuery>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW"));
    return s_query;
}

// The path the system gives the object behind the handle, in the form ResolveAbsolutePath
// gives ("X:\..." or "\\server\share\..."); false when it cannot be had.
bool GetHeldPath(FinalPathQuery query, HANDLE hFolder, CString& rPath)
{
    DWORD size = MAX_PATH + 1;
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        const DWORD n = query(hFolder, rPath.GetBuffer(static_cast<int>(size)), size, 0);
        rPath.ReleaseBuffer(n > 0 && n < size ? static_cast<int>(n) : 0);
        if (n == 0)
            return false;
        if (n < size)
        {
            if (rPath.Left(8).CompareNoCase(L"\\\\?\\UNC\\") == 0)
                rPath = L"\\" + rPath.Mid(7);
            else if (rPath.Left(4) == L"\\\\?\\")
                rPath = rPath.Mid(4);
            while (rPath.GetLength() > 3 && rPath.Right(1) == L"\\")
                rPath = rPath.Left(rPath.GetLength() - 1);
            return true;
        }
        size = n;
    }
    return false;
}

// A folder of a removal, held open from before its entries are deleted until just before the
// folder itself is removed, so that no step of the walk can be redirected elsewhere.
class CHeldFolder
{
public:
    explicit CHeldFolder(const CString& path) : m_hFolder(g_pCalls->pOpenFolder(path))
    {
        BY_HANDLE_FILE_INFORMATION info;
        if (!IsHeld())
            return;
        if (!GetFileInformationByHandle(m_hFolder, &info))
            m_bUsable = false;
        else
        {
            // Once held, the path can no longer be swapped, so what it names now is what is held;
            // it is asked as well because some systems see through the link on the handle.
            const DWORD byPath = GetFileAttributesW(path);
            m_bLink = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                      (byPath != INVALID_FILE_ATTRIBUTES && (byPath & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
            m_bUsable = !m_bLink && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        }
    }
    ~CHeldFolder() { Release(); }
    CHeldFolder(const CHeldFolder&) = delete;
    CHeldFolder& operator=(const CHeldFolder&) = delete;

    bool IsHeld() const { return m_hFolder != INVALID_HANDLE_VALUE && m_hFolder != nullptr; }
    // Open, a real folder, and no link or junction.
    bool IsUsable() const { return IsHeld() && m_bUsable; }
    // The path was checked as text; a folder above it swapped for a junction before the hold
    // took would lead the walk elsewhere. Where the system names the folder held, that name
    // must be the path (rHeldPath: what it named).
    bool IsAt(const CString& path, CString& rHeldPath) const
    {
        rHeldPath.Empty();
        const FinalPathQuery query = GetFinalPathQuery();
        if (!query)
            return true;
        CString expected;
        if (!ResolveAbsolutePath(path, expected) || !GetHeldPath(query, m_hFolder, rHeldPath))
            return false;
        return rHeldPath.CompareNoCase(expected) == 0;
    }
    bool IsLink() const { return m_bLink; }
    void Release()
    {
        if (IsHeld())
            g_pCalls->pCloseFolder(m_hFolder);
        m_hFolder = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_hFolder;
    bool m_bUsable = false;
    bool m_bLink = false;
};

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
    if (g_pCalls->pRemoveDirectory(path) || g_pCalls->pDeleteFile(path))
        return true;
    Trace(TRACE_ERROR, L"RemoveDirectoryRec failed to remove dir %s : %s", path.GetString(),
          GetLastSystemErrorText().GetString());
    return false;
}

// The walk shared by copy and count: calls onFile for each file and onFolder for each real
// sub-folder of folder\*.*, leaving links of either kind out; either returning false ends the
// walk with false.
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
        if (IsDots(fd) || IsLink(fd.dwFileAttributes))
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

bool RemoveDirectoryRec(const wchar_t* pszFolder, RemovedFileCallback pOnRemoved, void* pContext)
{
    if (NamesStream(pszFolder))
    {
        Trace(TRACE_ERROR, L"RemoveDirectoryRec : refusing to remove %s: it names a stream, not a folder", pszFolder);
        return false;
    }
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
    const CString own = RemoveTrailingBackslashes(folder);
    const DWORD attributes = GetFileAttributesW(own);
    if (attributes != INVALID_FILE_ATTRIBUTES && IsLink(attributes))
        return RemoveFolderLink(own);
    CHeldFolder held(own);
    if (held.IsLink())
        return RemoveFolderLink(own);
    if (!held.IsUsable())
    {
        Trace(TRACE_ERROR, L"RemoveDirectoryRec : cannot hold the folder %s while removing it : %s", own.GetString(),
              GetLastSystemErrorText().GetString());
        return false;
    }
    CString heldPath;
    if (!held.IsAt(own, heldPath))
    {
        Trace(TRACE_ERROR, L"RemoveDirectoryRec : refusing to remove %s: the folder it leads to is [%s]", own.GetString(),
              heldPath.GetString());
        return false;
    }
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
                    RemoveDirectoryRec(path, pOnRemoved, pContext);
                else if (!g_pCalls->pDeleteFile(path))
                {
                    Trace(TRACE_ERROR, L"RemoveDirectoryRec failed to remove file %s : %s", path.GetString(),
                          GetLastSystemErrorText().GetString());
                    return false;
                }
                else if (pOnRemoved)
                    pOnRemoved(pContext, path, SizeOf(fd));
            } while (FindNextFileW(find.Get(), &fd));
    }
    held.Release();
    if (!g_pCalls->pRemoveDirectory(folder))
    {
        Trace(TRACE_ERROR, L"RemoveDirectoryRec failed to remove dir %s : %s", folder.GetString(),
              GetLastSystemErrorText().GetString());
        return false;
    }
    return true;
}

bool CopyFileNoFollow(const wchar_t* pszSource, const wchar_t* pszTarget, bool bFailIfExists)
{
    // Asked by path as well: some systems see through the link on the handle.
    const DWORD sourceAttributes = GetFileAttributesW(pszSource);
    const DWORD targetAttributes = GetFileAttributesW(pszTarget);
    if ((sourceAttributes != INVALID_FILE_ATTRIBUTES && IsLink(sourceAttributes)) ||
        (targetAttributes != INVALID_FILE_ATTRIBUTES && IsLink(targetAttributes)))
    {
        Trace(TRACE_ERROR, L"CopyFileNoFollow : refusing to copy [%s] to [%s] through a link", pszSource, pszTarget);
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    CScopedFileHandle source(CreateFileW(pszSource, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN,
                                         nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!source || !GetFileInformationByHandle(source.Get(), &info))
        return false;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
    {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    bool bWritten = false;
    {
        CScopedFileHandle target(CreateFileW(pszTarget, GENERIC_WRITE, 0, nullptr,
                                             bFailIfExists ? CREATE_NEW : CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT |
                                                 FILE_FLAG_SEQUENTIAL_SCAN,
                                             nullptr));
        if (!target)
            return false;
        std::vector<char> buffer(1024 * 1024);
        for (;;)
        {
            DWORD read = 0, written = 0;
            if (!ReadFile(source.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
                break;
            if (read == 0)
            {
                bWritten = SetFileTime(target.Get(), nullptr, nullptr, &info.ftLastWriteTime) != FALSE;
                break;
            }
            if (!WriteFile(target.Get(), buffer.data(), read, &written, nullptr) || written != read)
                break;
        }
    }
    if (!bWritten)
    {
        // A part of a file is no copy of it; the error of the failed read or write is kept.
        const DWORD error = GetLastError();
        DeleteFileW(pszTarget);
        SetLastError(error);
        return false;
    }
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if (info.dwFileAttributes & kept)
        SetFileAttributesW(pszTarget, info.dwFileAttributes & kept);
    return true;
}

bool CopyFolderRec(const wchar_t* pszSource, const wchar_t* pszTarget, bool bFailIfExists, CopyFileCallback pCallback,
                   void* pContext, const wchar_t* pszLeaveOut)
{
    CString source(pszSource), target(pszTarget);
    NormalizeFolderPath(source);
    NormalizeFolderPath(target);
    if (!AssureDirExists(target))
        return false;
    const DWORD targetAttributes = GetFileAttributesW(target);
    if (targetAttributes != INVALID_FILE_ATTRIBUTES && IsLink(targetAttributes))
    {
        Trace(TRACE_ERROR, L"CopyFolderRec : refusing to copy into the link %s", target.GetString());
        return false;
    }
    return WalkFolder(
        source,
        [&](const CString& name, const WIN32_FIND_DATAW& fd) {
            const CString from = source + L"\\" + name, to = target + L"\\" + name;
            if (pszLeaveOut && IsSamePath(from, pszLeaveOut))
                return true;
            if (pCallback && !pCallback(pContext, from, to, SizeOf(fd)))
                return false;
            if (CopyFileNoFollow(from, to, bFailIfExists))
                return true;
            Trace(TRACE_ERROR, L"CopyFile() failed. GetLastError() returned %d\n", static_cast<int>(GetLastError()));
            return false;
        },
        [&](const CString& name) {
            return CopyFolderRec(source + L"\\" + name, target + L"\\" + name, bFailIfExists, pCallback, pContext,
                                 pszLeaveOut);
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
    if (NamesStream(pszFolder))
    {
        Trace(TRACE_ERROR, L"CFileUtils::CleanUpFolderRecursively - refusing to empty '%s': it names a stream, not a folder",
              pszFolder);
        return false;
    }
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
    // Emptied, not removed: held for the whole walk.
    CHeldFolder held(RemoveTrailingBackslashes(folder));
    if (!held.IsUsable())
    {
        Trace(TRACE_ERROR, L"CFileUtils::CleanUpFolderRecursively - cannot hold the folder '%s' while emptying it",
              pszFolder);
        return false;
    }
    CString heldPath;
    if (!held.IsAt(RemoveTrailingBackslashes(folder), heldPath))
    {
        Trace(TRACE_ERROR, L"CFileUtils::CleanUpFolderRecursively - refusing to empty '%s': the folder it leads to is [%s]",
              pszFolder, heldPath.GetString());
        return false;
    }
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
            if (!g_pCalls->pDeleteFile(path))
            {
                Trace(TRACE_ERROR, L"CFileUtils::CleanUpFolderRecursively : could not delete file '%s'",
                      path.GetString());
                ok = false;
            }
        }
    } while (FindNextFileW(find.Get(), &fd));
    return ok;
}

const CFolderRemovalCalls* SetFolderRemovalCalls(const CFolderRemovalCalls* pCalls)
{
    const CFolderRemovalCalls* pOld = g_pCalls;
    g_pCalls = pCalls ? pCalls : &kSystemCalls;
    return pOld;
}
