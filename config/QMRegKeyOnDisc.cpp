#include "QMRegKeyOnDisc.h"
#include "QMConfig.h"

#include "support/SystemWideFlag.h"
#include "support/TraceLog.h"

#include <vector>

namespace
{
const wchar_t kFileMutexName[] = L"QMConfigSettingsFileMutex";
const wchar_t kMissingSentinel[] = L"foo0815bar4711";
const DWORD kFileMutexWaitMs = 1000;

// Holds the settings file's mutex for one access. Another process may have made the mutex:
// Create then answers false but keeps it open, which is all a wait needs.
class CSettingsFileLock
{
public:
    CSettingsFileLock() : m_flag(kFileMutexName)
    {
        m_flag.Create();
        const int rc = m_flag.Wait(kFileMutexWaitMs);
        // An abandoned mutex is owned by the waiter all the same.
        m_bHeld = rc == 0 || (rc == 2 && m_flag.IsCreated());
    }
    ~CSettingsFileLock()
    {
        if (m_bHeld)
            m_flag.Release();
    }
    bool IsHeld() const { return m_bHeld; }

private:
    CSystemWideFlag m_flag;
    bool m_bHeld = false;
};

CString ReadProfileText(const wchar_t* pszSection, const wchar_t* pszName, const wchar_t* pszDefault,
                        const wchar_t* pszFile, bool bGrow)
{
    DWORD size = 1024;
    for (;;)
    {
        std::vector<wchar_t> buffer(size, L'\0');
        const DWORD n = GetPrivateProfileStringW(pszSection, pszName, pszDefault, buffer.data(), size, pszFile);
        if (!bGrow || n != size - 1 || size >= (1u << 24))
            return CString(buffer.data(), static_cast<int>((std::min)(n, size - 1)));
        size *= 2;
    }
}
}

void QMRegKeyOnDisc::Open(int hive, const wchar_t* pszPath, bool)
{
    m_strSection = CString(hive != 0 ? L"HKCU\\" : L"HKLM\\") + pszPath;
    m_bOpen = true;
}

void QMRegKeyOnDisc::Create(int hive, const wchar_t* pszPath, bool)
{
    Open(hive, pszPath, true);
}

void QMRegKeyOnDisc::Close()
{
    m_bOpen = false;
}

CString QMRegKeyOnDisc::Read(const wchar_t* pszName)
{
    CSettingsFileLock lock;
    m_bAccessFailed = !lock.IsHeld();
    if (m_bAccessFailed)
    {
        Trace(TRACE_ERROR, L"QMRegKeyOnDisc::Read: Couldn't get mutex to read the settings file!");
        return CString();
    }
    return ReadProfileText(m_strSection, pszName, L"", m_pConfig->GetIniFilePath(), true);
}

bool QMRegKeyOnDisc::Write(const wchar_t* pszName, const wchar_t* pszValue)
{
    CSettingsFileLock lock;
    if (!lock.IsHeld())
    {
        Trace(TRACE_ERROR, L"QMRegKeyOnDisc::Write: Couldn't get mutex to read the settings file!");
        return false;
    }
    const CString file = m_pConfig->GetIniFilePath();
    if (!WritePrivateProfileStringW(m_strSection, pszName, pszValue ? pszValue : L"", file))
    {
        Trace(TRACE_ERROR, L"QMRegKeyOnDisc::Write: Couldn't write key '%s' to the settings file [%s]", pszName,
              file.GetString());
        return false;
    }
    return true;
}

bool QMRegKeyOnDisc::Exists(const wchar_t* pszName)
{
    CSettingsFileLock lock;
    m_bAccessFailed = !lock.IsHeld();
    if (m_bAccessFailed)
    {
        Trace(TRACE_ERROR, L"QMRegKeyOnDisc::Write: Couldn't get mutex to read the settings file!");
        return false;
    }
    return ReadProfileText(m_strSection, pszName, kMissingSentinel, m_pConfig->GetIniFilePath(), false) !=
           kMissingSentinel;
}
