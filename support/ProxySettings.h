#pragma once
// PLACEHOLDER (issue #4): holds the proxy mode and text; the full proxy settings (with the
// browser's proxy lookup) replace it.

#include "classlib/String.h"

class CProxySettings
{
public:
    static CProxySettings& GetInstance();
    void SetMode(int mode, const wchar_t* pszProxy);
    int GetMode() const { return m_mode; }
    const CString& GetProxy() const { return m_strProxy; }

private:
    int m_mode = 0;
    CString m_strProxy;
};
