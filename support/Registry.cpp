#include "Registry.h"

#include "classlib/Handles.h"

#include <algorithm>
#include <vector>

namespace
{
const DWORD kStringBufferBytes = 2048;

bool OpenForRead(HKEY hRoot, const wchar_t* pszSubKey, REGSAM extraAccess, CScopedRegKey& rKey)
{
    return RegOpenKeyExW(hRoot, pszSubKey, 0, KEY_READ | extraAccess, rKey.Receive()) == ERROR_SUCCESS;
}

bool CreateForWrite(HKEY hRoot, const wchar_t* pszSubKey, SECURITY_ATTRIBUTES* pSecurity, REGSAM extraAccess,
                    CScopedRegKey& rKey)
{
    return RegCreateKeyExW(hRoot, pszSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | extraAccess,
                           pSecurity, rKey.Receive(), nullptr) == ERROR_SUCCESS;
}
} // namespace

bool ReadRegDword(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, DWORD& rValue, REGSAM extraAccess)
{
    CScopedRegKey key;
    if (!OpenForRead(hRoot, pszSubKey, extraAccess, key))
        return false;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key.Get(), pszValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return false;
    rValue = value;
    return true;
}

bool WriteRegDword(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, DWORD value,
                   SECURITY_ATTRIBUTES* pSecurity, REGSAM extraAccess)
{
    CScopedRegKey key;
    return CreateForWrite(hRoot, pszSubKey, pSecurity, extraAccess, key) &&
           RegSetValueExW(key.Get(), pszValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
               ERROR_SUCCESS;
}

bool WriteRegString(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, DWORD type, const wchar_t* pszText,
                    SECURITY_ATTRIBUTES* pSecurity, REGSAM extraAccess)
{
    if (!pszText)
        pszText = L"";
    CScopedRegKey key;
    const DWORD bytes = static_cast<DWORD>((wcslen(pszText) + 1) * sizeof(wchar_t));
    return CreateForWrite(hRoot, pszSubKey, pSecurity, extraAccess, key) &&
           RegSetValueExW(key.Get(), pszValue, 0, type, reinterpret_cast<const BYTE*>(pszText), bytes) ==
               ERROR_SUCCESS;
}

bool ReadRegString(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, DWORD& rType, CString& rText,
                   REGSAM extraAccess)
{
    CScopedRegKey key;
    return OpenForRead(hRoot, pszSubKey, extraAccess, key) &&
           QueryRegStringValue(key.Get(), pszValue, rType, rText, false) == ERROR_SUCCESS;
}

LONG QueryRegStringValue(HKEY hKey, const wchar_t* pszValue, DWORD& rType, CString& rText, bool bWhole)
{
    // One spare character beyond the 2048 bytes keeps a value of exactly that size terminated.
    std::vector<wchar_t> buffer(kStringBufferBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = kStringBufferBytes;
    DWORD type = 0;
    LONG rc = RegQueryValueExW(hKey, pszValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc == ERROR_MORE_DATA && bWhole)
    {
        size &= ~static_cast<DWORD>(1);
        buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
        rc = RegQueryValueExW(hKey, pszValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    }
    rType = type;
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATATYPE;
    buffer[(std::min)(static_cast<size_t>(size / sizeof(wchar_t)), buffer.size() - 1)] = L'\0';
    rText = buffer.data();
    return ERROR_SUCCESS;
}

CString GetRegString(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, REGSAM extraAccess)
{
    DWORD type = 0;
    CString text;
    return ReadRegString(hRoot, pszSubKey, pszValue, type, text, extraAccess) ? text : CString();
}
