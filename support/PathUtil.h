#pragma once
// Joining, splitting and comparing paths, and small text helpers. Wide texts throughout.

#include "classlib/String.h"

// Appends '\' when the path is not empty and does not end with one.
void AppendBackslash(CString& rPath);
CString RemoveTrailingBackslashes(const CString& path);
void StripTrailingBackslashes(CString& rPath);
// The runtime's split into drive (up to 2 characters) and folder, name and extension (up to 255
// each); a part that does not fit is cut, never written past its buffer.
void SplitPath(const wchar_t* pszPath, CString& rDrive, CString& rFolder, CString& rName, CString& rExtension);
void SplitPathParts(const wchar_t* pszPath, CString& rDrive, CString& rFolder, CString& rName, CString& rExtension);
// Drive and folder as the split gives them (the folder keeps its trailing '\').
CString GetFolderOfPath(const wchar_t* pszPath);
CString GetDriveAndFolder(const wchar_t* pszPath);
// Trimmed, '/' as '\', one trailing '\', case ignored: "C:\a" and "c:/a\" are the same path.
bool IsSamePath(const wchar_t* pszFirst, const wchar_t* pszSecond);
// Joins with exactly one '\' at the seam (nothing is added to an empty path).
void AppendPathPart(CString& rPath, const wchar_t* pszPart);
CString BuildPath(const wchar_t* pszFolder, const wchar_t* pszName, const wchar_t* pszExtension);
CString FormatString(const wchar_t* pszFormat, ...);
// The system folder's drive root, as "C:\"; empty when it has none.
CString GetSystemDriveRoot();
void AppendAnsiText(CString& rText, const char* pszNarrow);
// False for an empty prefix, whatever the text.
bool StartsWithNoCase(const wchar_t* pszText, const wchar_t* pszPrefix);
// Every piece between separators, empty pieces included.
void SplitString(const CString& text, const CString& separator, CStringArray& rParts);
// '/' as '\', no trailing '\', "." and ".." collapsed (in place); ".." never climbs above a
// drive, a rooted path's start or a network share. A relative path stays relative.
void ResolveRelativePath(CString& rPath);
