#pragma once
// PLACEHOLDER (issue #3): the table of numbered registry entries. Start-up builds it; the 17
// entries with their reads, writes and deletes come with that issue.

#include "classlib/Map.h"

class CRegistryKeyMap
{
public:
    explicit CRegistryKeyMap(int nBlockSize) : m_entries(nBlockSize) {}
    // Fills the entries for the product generation.
    void Fill(const wchar_t* pszGeneration);
    bool GetRegStringValue(int id, CString& rValue) const;

private:
    CMapStringToString m_entries;
};
