#pragma once
// Storage back-end of one store section: one registry key. The ini-file back-end
// (QMRegKeyOnDisc) derives from it, so the store never asks which one it has.

#include "classlib/Handles.h"
#include "classlib/String.h"

// The registry calls that decide whether a section opens writable. Tests replace them, since
// Wine grants every access a real user might be refused.
struct CQMRegistryCalls
{
    LONG(WINAPI* pCreateKey)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
    LONG(WINAPI* pOpenKey)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
};
// Null restores the system's calls; gives back the previous table.
const CQMRegistryCalls* SetQMRegistryCalls(const CQMRegistryCalls* pCalls);

class QMRegKey
{
public:
    QMRegKey() = default;
    virtual ~QMRegKey();
    QMRegKey(const QMRegKey&) = delete;
    QMRegKey& operator=(const QMRegKey&) = delete;

    // hive 0 is HKEY_LOCAL_MACHINE, any other HKEY_CURRENT_USER.
    virtual void Open(int hive, const wchar_t* pszPath, bool bWritable);
    // With bAllUsers under HKLM the key itself gets the all-users descriptor; its missing
    // parents are created one by one with default security first.
    virtual void Create(int hive, const wchar_t* pszPath, bool bAllUsers);
    virtual void Close();
    virtual bool IsOpen();
    virtual CString Read(const wchar_t* pszName);
    // False (logged) when the value could not be stored.
    virtual bool Write(const wchar_t* pszName, const wchar_t* pszValue);
    virtual bool Exists(const wchar_t* pszName);

    // True when the last Read or Exists could not reach the storage at all (the settings
    // file's mutex timed out): its answer says nothing about what is stored.
    bool LastAccessFailed() const { return m_bAccessFailed; }

protected:
    bool m_bOpen = false;
    bool m_bAccessFailed = false;

private:
    CScopedRegKey m_key;
};
