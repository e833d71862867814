#include "Registry.h"

#include "classlib/Handles.h"

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
    if (!OpenForRead(hRoot, pszSubKey, extraAccess, key))
        return false;
    // One spare character beyond the 2048 bytes keeps a value of exactly that size terminated.
    wchar_t buffer[kStringBufferBytes / sizeof(wchar_t) + 1] = {};
    DWORD size = kStringBufferBytes;
    DWORD type = 0;
    if (RegQueryValueExW(key.Get(), pszValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer[size / sizeof(wchar_t)] = L'\0';
    rType = type;
    rText = buffer;
    return true;
}

CString GetRegString(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszValue, REGSAM extraAccess)
{
    DWORD type = 0;
    CString text;
    return ReadRegString(hRoot, pszSubKey, pszValue, type, text, extraAccess) ? text : CString();
}
