#include "Map.h"

bool CMapStringToString::Lookup(const CString& key, CString& rValue) const
{
    auto it = m_map.find(key);
    if (it == m_map.end())
        return false;
    rValue = it->second;
    return true;
}

POSITION CMapStringToString::GetStartPosition() const
{
    return m_map.empty() ? nullptr : &m_map.begin()->first;
}

void CMapStringToString::GetNextAssoc(POSITION& rPos, CString& rKey, CString& rValue) const
{
    auto it = m_map.find(*static_cast<const CString*>(rPos));
    if (it == m_map.end())
    {
        rPos = nullptr;
        return;
    }
    rKey = it->first;
    rValue = it->second;
    ++it;
    rPos = it == m_map.end() ? nullptr : &it->first;
}
