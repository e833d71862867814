#pragma once
// The folders that nothing may delete or empty, and the resolved form of a path they are
// compared in.

#include "classlib/String.h"

// Drive and share roots, the Windows folder and everything below it, Program Files, the folder
// of all profiles, the user's profile and its shell folders, and every folder above one of them:
// nothing may delete or empty them, whatever a command line asks. A path that is not absolute
// counts as protected, and 8.3 names count as their long forms.
bool IsProtectedFolder(const wchar_t* pszPath);
// True when the path has a colon anywhere but after a leading drive letter: a stream
// ("D:\a::$INDEX_ALLOCATION" names the folder a), never a folder path of its own.
bool NamesStream(const wchar_t* pszPath);
// The full, long form of an absolute path ("X:\..." or "\\server\share\..."): "." and ".."
// resolved, 8.3 names of the part that exists given long, no trailing '\' but on a drive root.
// False for an empty, relative or drive-relative path, and for one that names a stream.
bool ResolveAbsolutePath(const wchar_t* pszPath, CString& rResolved);
