#include "ProxySettings.h"

CProxySettings& CProxySettings::GetInstance()
{
    static CProxySettings s_settings;
    return s_settings;
}

void CProxySettings::SetMode(int mode, const wchar_t* pszProxy)
{
    m_mode = mode;
    m_strProxy = pszProxy;
}
