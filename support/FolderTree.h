#pragma once
// The recursive walks over a folder tree: removal, copy, count and size. They never follow a
// junction or a link: removal deletes the link itself, copying and counting leave it out, and a
// copy never writes through a link at the target. The removals' system calls are in
// FolderRemovalCalls.h.

#include "classlib/String.h"

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
bool CountFilesRec(const wchar_t* pszFolder, DWORD& rCount, ULONGLONG& rTotal);
ULONGLONG GetFolderSize(const wchar_t* pszFolder);

class CFileUtils
{
public:
    static bool CountFilesInFolder(const wchar_t* pszFolder, DWORD& rCount, ULONGLONG& rTotal);
    // Deletes the files whose full path starts with the prefix (empty: all) and that are older
    // than the given days (0: any age), and every sub-folder; false when anything stays.
    static bool CleanUpFolderRecursively(const wchar_t* pszFolder, const wchar_t* pszPrefix, int days);
};
