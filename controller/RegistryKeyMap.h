#pragma once
// The registry values the controller reads and writes about the product's installation, each
// named once under a small number. All use the program's default registry view, where the
// product's 32-bit package writes.

#include "classlib/String.h"

#include <map>

struct RegistryKey
{
    HKEY hRoot = nullptr;
    CString strKeyPath;
    // Empty: the entry names the key itself.
    CString strValueName;
};

class CRegistryKeyMap
{
public:
    explicit CRegistryKeyMap(int nBlockSize) { (void)nBlockSize; }

    // An entry under a number that is already present replaces it.
    void SetAt(DWORD id, const RegistryKey& entry) { m_entries[id] = entry; }
    bool Lookup(DWORD id, RegistryKey& rEntry) const;
    void RemoveAll() { m_entries.clear(); }

    // Every entry of the product's table (numbers 0 to 16; 8 is not used).
    void Fill(const wchar_t* pszGeneration);
    // The entries whose key path holds the product generation (1, 6, 7 and 9).
    void FillGenerationEntries(const wchar_t* pszGeneration);

private:
    std::map<DWORD, RegistryKey> m_entries;
};

bool GetRegStringValue(const CRegistryKeyMap& map, DWORD id, CString& rValue);
bool SetRegStringValue(const CRegistryKeyMap& map, DWORD id, const wchar_t* pszValue);
// A value entry deletes its value, a key entry the key with its subkeys.
bool DeleteRegistryKey(const CRegistryKeyMap& map, DWORD id);
