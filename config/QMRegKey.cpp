#include "QMRegKey.h"

#include "support/Registry.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"

namespace
{
const CQMRegistryCalls kSystemCalls = { RegCreateKeyExW, RegOpenKeyExW };
const CQMRegistryCalls* g_pCalls = &kSystemCalls;

// All a section does with its key: any user may be given these on a machine-wide one, and
// asking for more would leave that user's section read-only.
const REGSAM kSectionAccess = KEY_READ | KEY_SET_VALUE;

HKEY HiveOf(int hive)
{
    return hive == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool CreateKey(HKEY hHive, const wchar_t* pszPath, SECURITY_ATTRIBUTES* pSecurity, CScopedRegKey& rKey)
{
    return g_pCalls->pCreateKey(hHive, pszPath, 0, nullptr, REG_OPTION_NON_VOLATILE, kSectionAccess, pSecurity,
                                rKey.Receive(), nullptr) == ERROR_SUCCESS;
}

// A parent made writable for every user would hand them every key created under it later,
// among them keys whose programs an elevated run starts: parents keep the default security.
void CreateParentsWithDefaultSecurity(HKEY hHive, const CString& path)
{
    for (int sep = path.Find(L'\\'); sep > 0; sep = path.Find(L'\\', sep + 1))
    {
        CScopedRegKey parent;
        CreateKey(hHive, path.Left(sep), nullptr, parent);
    }
}
}

const CQMRegistryCalls* SetQMRegistryCalls(const CQMRegistryCalls* pCalls)
{
    const CQMRegistryCalls* pOld = g_pCalls;
    g_pCalls = pCalls ? pCalls : &kSystemCalls;
    return pOld;
}

QMRegKey::~QMRegKey()
{
    Close();
}

void QMRegKey::Open(int hive, const wchar_t* pszPath, bool bWritable)
{
    Close();
    if (g_pCalls->pOpenKey(HiveOf(hive), pszPath, 0, bWritable ? kSectionAccess : KEY_READ, m_key.Receive()) ==
        ERROR_SUCCESS)
        m_bOpen = true;
}

void QMRegKey::Create(int hive, const wchar_t* pszPath, bool bAllUsers)
{
    Close();
    const HKEY hHive = HiveOf(hive);
    if (bAllUsers && hHive == HKEY_LOCAL_MACHINE)
    {
        CreateParentsWithDefaultSecurity(hHive, pszPath);
        SECURITY_ATTRIBUTES sa = {};
        bool bCreated = false;
        if (CreateAllUsersSecurityAttributes(sa))
        {
            bCreated = CreateKey(hHive, pszPath, &sa, m_key);
            LocalFree(sa.lpSecurityDescriptor);
        }
        if (!bCreated)
        {
            bCreated = CreateKey(hHive, pszPath, nullptr, m_key);
            Trace(TRACE_WARNING,
                  L"QMRegKey::Create: Couldn't create the global key %s with full access rights for all users. Creating "
                  L"it with default rights %s.",
                  pszPath, bCreated ? L"succeeded" : L"failed");
        }
        m_bOpen = bCreated;
        return;
    }
    m_bOpen = CreateKey(hHive, pszPath, nullptr, m_key);
}

void QMRegKey::Close()
{
    if (m_bOpen)
    {
        m_key.Close();
        m_bOpen = false;
    }
}

bool QMRegKey::IsOpen()
{
    return m_bOpen;
}

CString QMRegKey::Read(const wchar_t* pszName)
{
    m_bAccessFailed = false;
    if (!m_bOpen)
        return CString();
    DWORD type = 0;
    CString text;
    if (QueryRegStringValue(m_key.Get(), pszName, type, text, true) != ERROR_SUCCESS || type != REG_SZ)
    {
        Trace(TRACE_ERROR, L"QMConfig: Could not read value of key '%s' from registry!", pszName);
        return CString();
    }
    return text;
}

bool QMRegKey::Write(const wchar_t* pszName, const wchar_t* pszValue)
{
    if (!m_bOpen)
        return false;
    if (!pszValue)
        pszValue = L"";
    const DWORD bytes = static_cast<DWORD>((wcslen(pszValue) + 1) * sizeof(wchar_t));
    if (RegSetValueExW(m_key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue), bytes) !=
        ERROR_SUCCESS)
    {
        Trace(TRACE_ERROR, L"QMConfig: Could not write value of key '%s' to registry!", pszName);
        return false;
    }
    return true;
}

bool QMRegKey::Exists(const wchar_t* pszName)
{
    m_bAccessFailed = false;
    return m_bOpen && RegQueryValueExW(m_key.Get(), pszName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}
