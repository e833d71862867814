#pragma once
// File and folder utilities of the controller and the cleanup program: single files and
// folders, links on a path, names and times. Failures are logged and returned as false (or a
// size of 0); nothing is raised. The recursive walks: FolderTree.h; the folders nothing may
// delete: ProtectedFolders.h.

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

// The first link or junction on the way from the root of a resolved path ("X:\..." or
// "\\server\share\...") to its end, the root itself not counted. False when there is none up
// to the end or to the first part that does not exist.
bool FindLinkOnPath(const wchar_t* pszResolved, CString& rLink);
// The path itself, not what it may point at, is a link or junction.
bool IsLinkItself(const wchar_t* pszPath);
