#pragma once
// Map of wide strings to wide strings (case-sensitive keys), iterated in key order.

#include "String.h"
#include <map>

typedef const void* POSITION;

class CMapStringToString
{
public:
    explicit CMapStringToString(int nBlockSize = 10) { (void)nBlockSize; }

    void SetAt(const CString& key, const CString& value) { m_map[key] = value; }
    bool Lookup(const CString& key, CString& rValue) const;
    bool RemoveKey(const CString& key) { return m_map.erase(key) != 0; }
    void RemoveAll() { m_map.clear(); }
    int GetCount() const { return static_cast<int>(m_map.size()); }
    bool IsEmpty() const { return m_map.empty(); }
    CString& operator[](const CString& key) { return m_map[key]; }

    POSITION GetStartPosition() const;
    // Gives the entry at rPos and moves rPos to the next one (null after the last).
    void GetNextAssoc(POSITION& rPos, CString& rKey, CString& rValue) const;

private:
    std::map<CString, CString> m_map;
};
