#pragma once
// PLACEHOLDER (issue #4): the few file and folder helpers start-up needs. The full file and
// folder utilities replace this.

#include "classlib/String.h"

bool FileExists(const wchar_t* pszPath);
bool FolderExists(const wchar_t* pszPath);
// Creates the folder and every missing parent; true when it exists afterwards.
bool EnsureFolderExists(const wchar_t* pszPath);
// Appends a backslash unless the text already ends with one.
CString AddBackslash(const CString& path);
// "a\b" + "c" -> "a\b\c"
CString JoinPath(const CString& folder, const wchar_t* pszName);
