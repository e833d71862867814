#pragma once
// Registry values with an extra access mask: callers pass KEY_WOW64_64KEY to reach the 64-bit
// view from this 32-bit program, or 0. Every helper closes its key before it returns.

#include "classlib/String.h"

bool ReadRegDword(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, DWORD& rValue, REGSAM extraAccess);
bool WriteRegDword(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, DWORD value,
                   SECURITY_ATTRIBUTES* pSecurity, REGSAM extraAccess);
// Writes the text with its terminator: (characters + 1) * 2 bytes.
bool WriteRegString(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, DWORD type, const wchar_t* pszText,
                    SECURITY_ATTRIBUTES* pSecurity, REGSAM extraAccess);
// REG_SZ or REG_EXPAND_SZ (not expanded) of at most 2048 bytes. The text is always terminated,
// also when the value was stored without a terminator.
bool ReadRegString(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, DWORD& rType, CString& rText,
                   REGSAM extraAccess);
// The text of ReadRegString, or the empty text when it fails.
CString GetRegString(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, REGSAM extraAccess);
// A REG_SZ or REG_EXPAND_SZ value of an open key, always terminated: 2048 bytes first; with
// bWhole a larger value is read again into a buffer of its reported size. ERROR_SUCCESS, the
// query's error, or ERROR_INVALID_DATATYPE for another type (rType tells which).
LONG QueryRegStringValue(HKEY hKey, const wchar_t* pszValue, DWORD& rType, CString& rText, bool bWhole);
