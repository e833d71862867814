#include "RegistryKeyMap.h"

void CRegistryKeyMap::Fill(const wchar_t*)
{
    m_entries.RemoveAll();
}

bool CRegistryKeyMap::GetRegStringValue(int, CString& rValue) const
{
    rValue.Empty();
    return false;
}
