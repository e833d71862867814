#include "ProxySettings.h"
#include "TraceLog.h"

#include "classlib/Handles.h"

#include <algorithm>
#include <vector>

namespace
{
const wchar_t kInternetSettingsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const wchar_t kProxyServerValue[] = L"ProxyServer";
}

CProxySettings& GetProxySettings()
{
    static CProxySettings s_settings;
    return s_settings;
}

void CProxySettings::Set(int mode, const wchar_t* pszProxy)
{
    CSingleLock lock(&m_lock, true);
    m_mode = mode;
    m_strProxy = pszProxy;
}

CString CProxySettings::GetProxy()
{
    CSingleLock lock(&m_lock, true);
    switch (m_mode)
    {
    case 1:
        return GetIEProxy();
    case 2:
        return m_strProxy;
    default:
        return CString();
    }
}

CString ExtractHttpProxy(const CString& value)
{
    CString result(value);
    if (value.Find(L'=') >= 0)
    {
        const int at = value.Find(L"http=");
        if (at < 0)
            return CString();
        const int start = at + 5;
        const int end = value.Find(L';', start);
        result = end < 0 ? value.Mid(start) : value.Mid(start, end - start);
    }
    result.Trim();
    return result;
}

CString GetIEProxy()
{
    CScopedRegKey key;
    LONG lr = RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettingsKey, 0, KEY_READ, key.Receive());
    if (lr != ERROR_SUCCESS)
    {
        Trace(TRACE_WARNING, L"GetIEProxy - Cannot open reg key HKCU\\%s : lr=%ld", kInternetSettingsKey, lr);
        return CString();
    }
    DWORD type = 0;
    DWORD enabled = 0;
    DWORD size = sizeof(enabled);
    lr = RegQueryValueExW(key.Get(), L"ProxyEnable", nullptr, &type, reinterpret_cast<BYTE*>(&enabled), &size);
    if (lr == ERROR_SUCCESS && (type != REG_DWORD || size != sizeof(enabled)))
        lr = ERROR_INVALID_DATA;
    if (lr != ERROR_SUCCESS || enabled == 0)
    {
        Trace(TRACE_INFO, L"GetIEProxy - Proxy not enabled: lr=%ld", lr);
        return CString();
    }

    size = 0;
    lr = RegQueryValueExW(key.Get(), kProxyServerValue, nullptr, &type, nullptr, &size);
    if (lr != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || size < sizeof(wchar_t))
    {
        Trace(TRACE_ERROR, L"GetIEProxy - QueryStringValue returned len=0");
        return CString();
    }
    // One spare zero: the stored value need not carry its own terminator.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = size;
    lr = RegQueryValueExW(key.Get(), kProxyServerValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (lr != ERROR_SUCCESS)
    {
        Trace(TRACE_ERROR, L"GetIEProxy - Cannot read proxy key: lr=%ld", lr);
        return CString();
    }
    buffer[std::min<size_t>(bytes / sizeof(wchar_t), buffer.size() - 1)] = L'\0';
    const CString value(buffer.data());
    Trace(TRACE_DEBUG, L"GetIEProxy - Proxy value from reg: %s = %s", kProxyServerValue, value.GetString());
    const CString proxy = ExtractHttpProxy(value);
    Trace(TRACE_DEBUG, L"GetIEProxy - Returning HTTP Proxy: %s", proxy.GetString());
    return proxy;
}
