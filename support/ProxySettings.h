#pragma once
// The process-wide proxy choice every HTTP request consults: 0 no proxy, 1 the user's Internet
// Explorer proxy (read afresh on each call), 2 the explicit text; other modes behave as 0.

#include "classlib/String.h"
#include "classlib/Sync.h"

class CProxySettings
{
public:
    void Set(int mode, const wchar_t* pszProxy);
    // Empty means a direct connection.
    CString GetProxy();

private:
    CString m_strProxy;
    int m_mode = 0;
    CCriticalSection m_lock;
};

CProxySettings& GetProxySettings();

// The HTTP proxy of the current user's Internet settings; empty when none is enabled.
CString GetIEProxy();
// The http entry of a ProxyServer value ("http=a:1;https=b:2" gives "a:1"), trimmed.
CString ExtractHttpProxy(const CString& value);
