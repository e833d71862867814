#pragma once
// The user's proxy settings of the test prefix, put back as they were when the object ends.
// Tests that change them hold the user_internet_settings lock.

#include "support/Registry.h"

const wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class CSavedUserProxy
{
public:
    CSavedUserProxy()
    {
        m_hadEnable = ReadRegDword(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", m_enable, 0);
        m_hadServer = ReadRegString(HKEY_CURRENT_USER, kInternetSettings, L"ProxyServer", m_serverType, m_server, 0);
    }
    ~CSavedUserProxy()
    {
        if (m_hadEnable)
            WriteRegDword(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", m_enable, nullptr, 0);
        else
            DeleteValue(L"ProxyEnable");
        if (m_hadServer)
            WriteRegString(HKEY_CURRENT_USER, kInternetSettings, L"ProxyServer", m_serverType, m_server, nullptr, 0);
        else
            DeleteValue(L"ProxyServer");
    }

private:
    static void DeleteValue(const wchar_t* pszName)
    {
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS)
        {
            RegDeleteValueW(hKey, pszName);
            RegCloseKey(hKey);
        }
    }
    bool m_hadEnable = false;
    bool m_hadServer = false;
    DWORD m_enable = 0;
    DWORD m_serverType = 0;
    CString m_server;
};

// Points the user's proxy at a closed loopback port for the life of the object, so that no
// connection check can reach anything; the settings are put back afterwards.
class CClosedUserProxy
{
public:
    CClosedUserProxy()
    {
        WriteRegDword(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", 1, nullptr, 0);
        WriteRegString(HKEY_CURRENT_USER, kInternetSettings, L"ProxyServer", REG_SZ, L"127.0.0.1:9", nullptr, 0);
    }

private:
    CSavedUserProxy m_saved;
};
