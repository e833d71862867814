#pragma once
// The system calls of the recursive removals (RemoveDirectoryRec, CleanUpFolderRecursively),
// replaceable so that a test can see their order.

#include <windows.h>

struct CFolderRemovalCalls
{
    // Opens the folder itself, never what a link points at, and without delete sharing: while
    // the handle is held the folder cannot be renamed, deleted or swapped for a junction.
    HANDLE (*pOpenFolder)(const wchar_t* pszPath);
    void (*pCloseFolder)(HANDLE hFolder);
    BOOL (*pDeleteFile)(const wchar_t* pszPath);
    BOOL (*pRemoveDirectory)(const wchar_t* pszPath);
};

// Null restores the system's own calls; gives back the previous table.
const CFolderRemovalCalls* SetFolderRemovalCalls(const CFolderRemovalCalls* pCalls);
