#pragma once
// File and folder utilities of the controller and the cleanup program. Failures are logged
// and returned as false (or a size of 0); nothing is raised.

#include "PathUtil.h"

#include "classlib/String.h"

// What a path names, by its attributes as given: PathExists anything, FileExists a file,
// FolderExists a folder.
bool FileExists(const wchar_t* pszPath);
bool FolderExists(const wchar_t* pszPath);
bool PathExists(const wchar_t* pszPath);

// Creates this one folder (no parents) when missing, with a log line on failure; false when the
// path is something else. CreateFolderTree and EnsureFolderExists make the parents too.
bool AssureDirExists(const wchar_t* pszPath);
bool GetFileSizeOfPath(const wchar_t* pszPath, ULONGLONG& rSize);
// Five moves, then an overwriting copy (the source stays).
bool MoveFileWithRetry(const wchar_t* pszFrom, const wchar_t* pszTo);
// Both drop every trailing backslash first and read a drive text ("C:") as FolderExists does.
// IsFolder reads the first directory entry a find of the path gives (a wildcard matches any
// entry); IsFolderByStatus reads the attributes of the path itself.
bool IsFolder(const wchar_t* pszPath);
bool IsFolderByStatus(const wchar_t* pszPath);
bool GetSpecialFolder(HWND hOwner, int csidl, CString& rPath);
// Local time to the millisecond; two calls never give the same text.
CString GetTimestampString();
// '/' becomes '\' and one trailing '\' goes.
void NormalizeFolderPath(CString& rPath);
// The folder and its missing parents, each made with the given security; false with the last
// error ERROR_FILE_EXISTS when the path is a file.
bool CreateFolderTree(const wchar_t* pszPath, SECURITY_ATTRIBUTES* pSecurity);
// CreateFolderTree with the default security: true when the folder exists afterwards; false
// when the path is a file.
bool EnsureFolderExists(const wchar_t* pszPath);
// A name in the temporary folder that differs on every call; the file is not created.
bool MakeTempFileName(const wchar_t* pszExtension, CString& rPath);

// The recursive walks never follow a junction or a link: removal deletes the link itself,
// copying and counting leave it out, and a copy never writes through a link at the target.
// Called after each file that the removal deleted.
typedef void (*RemovedFileCallback)(void* pContext, const wchar_t* pszPath, ULONGLONG size);
bool RemoveDirectoryRec(const wchar_t* pszFolder, RemovedFileCallback pOnRemoved = nullptr, void* pContext = nullptr);
// Called before each file is copied; false ends the copy there (it fails, the file is not copied).
typedef bool (*CopyFileCallback)(void* pContext, const wchar_t* pszSource, const wchar_t* pszTarget, ULONGLONG size);
// The file named by pszLeaveOut (if any) is not copied.
bool CopyFolderRec(const wchar_t* pszSource, const wchar_t* pszTarget, bool bFailIfExists, CopyFileCallback pCallback,
                   void* pContext, const wchar_t* pszLeaveOut = nullptr);
// Copies one file, refusing a source or a target that is a link: neither is opened through one.
bool CopyFileNoFollow(const wchar_t* pszSource, const wchar_t* pszTarget, bool bFailIfExists);
// The first link or junction on the way from the root of a resolved path ("X:\..." or
// "\\server\share\...") to its end, the root itself not counted. False when there is none up
// to the end or to the first part that does not exist.
bool FindLinkOnPath(const wchar_t* pszResolved, CString& rLink);
// The path itself, not what it may point at, is a link or junction.
bool IsLinkItself(const wchar_t* pszPath);
bool CountFilesRec(const wchar_t* pszFolder, DWORD& rCount, ULONGLONG& rTotal);
ULONGLONG GetFolderSize(const wchar_t* pszFolder);

// Drive and share roots, the Windows and system folders, Program Files, the folder of all
// profiles, the user's profile and its shell folders, and every folder above one of them:
// nothing may delete or empty them, whatever a command line asks. A path that is not absolute
// counts as protected, and 8.3 names count as their long forms.
bool IsProtectedFolder(const wchar_t* pszPath);
// The full, long form of an absolute path ("X:\..." or "\\server\share\..."): "." and ".."
// resolved, 8.3 names of the part that exists given long, no trailing '\' but on a drive root.
// False for an empty, relative or drive-relative path.
bool ResolveAbsolutePath(const wchar_t* pszPath, CString& rResolved);

class CFileUtils
{
public:
    static bool CountFilesInFolder(const wchar_t* pszFolder, DWORD& rCount, ULONGLONG& rTotal);
    // Deletes the files whose full path starts with the prefix (empty: all) and that are older
    // than the given days (0: any age), and every sub-folder; false when anything stays.
    static bool CleanUpFolderRecursively(const wchar_t* pszFolder, const wchar_t* pszPrefix, int days);
};
