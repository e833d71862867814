#include "QMConfigSection.h"
#include "QMConfig.h"
#include "QMConfigListener.h"
#include "QMRegKey.h"

#include "support/TraceLog.h"

#include <algorithm>

namespace
{
struct CSectionLines
{
    const wchar_t* pszReadWrite;
    const wchar_t* pszReadOnly;
};

const CSectionLines kLines[] = {
    { L"QMConfig: global section [%s] opened read-write.",
      L"QMConfig: global section [%s] opened read-only. WARNING: Global settings cannot be saved!" },
    { L"QMConfig: local section [%s] opened read-write.",
      L"QMConfig: local section [%s] opened read-only. ERROR: Local user-specific setting cannot be saved!" },
    { L"QMConfig: application independent section [%s] opened read-write.",
      L"QMConfig: application independent section [%s] opened read-only. WARNING: settings cannot be saved!" },
    { L"QMConfig: user default section [%s] opened read-write.",
      L"QMConfig: user default section [%s] opened read-only. WARNING: settings cannot be saved!" },
};

bool IsStoreType(int type)
{
    return type >= QMCONFIG_GLOBAL && type <= QMCONFIG_USER_DEFAULT;
}
}

QMConfigSection::QMConfigSection(QMConfig* pStore, int type, const wchar_t* pszName)
    : m_pStore(pStore), m_type(type), m_strName(pszName)
{
}

QMConfigSection::~QMConfigSection() = default;

CString QMConfigSection::GetPath() const
{
    return m_strRoot + L"\\" + m_strName;
}

void QMConfigSection::OpenBackEnd()
{
    m_pBackEnd.reset(m_pStore->CreateRegKey());
    switch (m_type)
    {
    case QMCONFIG_GLOBAL:
        m_strRoot = m_pStore->GetGlobalRoot();
        break;
    case QMCONFIG_LOCAL:
        m_strRoot = m_pStore->GetLocalRoot();
        break;
    case QMCONFIG_APPLICATION_INDEPENDENT:
        m_strRoot = m_pStore->GetApplicationIndependentRoot();
        break;
    case QMCONFIG_USER_DEFAULT:
        m_strRoot = m_pStore->GetUserDefaultRoot();
        break;
    default:
        return;
    }
    const CString path = GetPath();
    const int hive = m_type == QMCONFIG_LOCAL ? 1 : 0;
    if (m_type == QMCONFIG_LOCAL)
    {
        m_pBackEnd->Create(hive, m_strRoot, false);
        m_pBackEnd->Create(hive, path, false);
    }
    else
        m_pBackEnd->Create(hive, path, true);

    if (m_pBackEnd->IsOpen())
        Trace(TRACE_TRACE, kLines[m_type].pszReadWrite, m_strName.GetString());
    else
    {
        m_pBackEnd->Open(hive, path, false);
        Trace(TRACE_ERROR, kLines[m_type].pszReadOnly, m_strName.GetString());
    }
}

void QMConfigSection::Reopen()
{
    OpenBackEnd();
    for (auto& entry : m_keys)
    {
        QMConfigKey* pKey = entry.second.get();
        // What the old root held says nothing about the new one.
        pKey->m_strValue = pKey->m_strDefault;
        pKey->m_bChanged = false;
        ReadStoredValue(pKey);
    }
}

QMConfigKey* QMConfigSection::FindOrCreateKey(const wchar_t* pszName, const wchar_t* pszDefault)
{
    const CString name(pszName);
    auto found = m_keys.find(name);
    if (found != m_keys.end())
        return found->second.get();
    std::unique_ptr<QMConfigKey> pKey(new QMConfigKey);
    pKey->m_strName = name;
    pKey->m_strDefault = pszDefault;
    pKey->m_strValue = pszDefault;
    pKey->m_pSection = this;
    QMConfigKey* pResult = pKey.get();
    m_keys[name] = std::move(pKey);
    ReadStoredValue(pResult);
    return pResult;
}

CString QMConfigSection::ReadStoredValue(QMConfigKey* pKey, bool* pbReached)
{
    bool bReached = true;
    CString value = pKey->m_strDefault;
    if (!IsStoreType(m_type))
        ; // a section outside the store's types has no storage: its keys read their defaults
    else if (m_pBackEnd->Exists(pKey->m_strName))
    {
        value = m_pBackEnd->Read(pKey->m_strName);
        bReached = !m_pBackEnd->LastAccessFailed();
    }
    else if (m_pBackEnd->LastAccessFailed())
        bReached = false;
    else if (m_type == QMCONFIG_LOCAL)
    {
        std::unique_ptr<QMRegKey> pUserDefault(m_pStore->CreateRegKey());
        pUserDefault->Open(0, m_pStore->GetUserDefaultRoot() + L"\\" + m_strName, false);
        if (pUserDefault->IsOpen() && pUserDefault->Exists(pKey->m_strName))
        {
            value = pUserDefault->Read(pKey->m_strName);
            bReached = !pUserDefault->LastAccessFailed();
        }
        else if (pUserDefault->LastAccessFailed())
            bReached = false;
    }
    if (bReached)
        pKey->m_strValue = value;
    if (pbReached)
        *pbReached = bReached;
    return pKey->m_strValue;
}

void QMConfigSection::WriteValue(QMConfigKey* pKey, const CString& text, bool bImmediate)
{
    if (!bImmediate)
    {
        pKey->m_strPending = text;
        pKey->m_bPending = true;
        return;
    }
    bool bReached = true;
    if (ReadStoredValue(pKey, &bReached) == text && bReached)
        return;
    if (IsStoreType(m_type) && m_pBackEnd->Write(pKey->m_strName, text))
    {
        pKey->m_strValue = text;
        pKey->m_bChanged = true;
    }
}

void QMConfigSection::FlushPending()
{
    for (auto& entry : m_keys)
    {
        QMConfigKey* pKey = entry.second.get();
        if (!pKey->m_bPending)
            continue;
        WriteValue(pKey, pKey->m_strPending, true);
        pKey->m_bPending = false;
        pKey->m_strPending.Empty();
    }
}

bool QMConfigSection::HasPending() const
{
    for (const auto& entry : m_keys)
        if (entry.second->m_bPending)
            return true;
    return false;
}

void QMConfigSection::AddListener(IQMConfigListener* pListener)
{
    CSingleLock lock(&m_lock, true);
    m_listeners.push_back(pListener);
}

void QMConfigSection::RemoveListener(IQMConfigListener* pListener)
{
    CSingleLock lock(&m_lock, true);
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), pListener), m_listeners.end());
}

bool QMConfigSection::HasListeners()
{
    CSingleLock lock(&m_lock, true);
    return !m_listeners.empty();
}

void QMConfigSection::NotifyChanges()
{
    CSingleLock lock(&m_lock, true);
    if (m_listeners.empty())
        return;
    std::vector<QMConfigKey*> changed;
    for (auto& entry : m_keys)
        if (HasKeyChanged(entry.second.get()))
        {
            entry.second->m_bChanged = false;
            changed.push_back(entry.second.get());
        }
    if (changed.empty())
        return;
    Trace(TRACE_TRACE, L"QMConfig: detected changes in %s section [%s]. Notifying listeners.",
          m_type == QMCONFIG_GLOBAL ? L"global" : L"local", m_strName.GetString());
    // A listener may unsubscribe while it is called: walk a copy.
    const std::vector<IQMConfigListener*> listeners(m_listeners);
    for (IQMConfigListener* pListener : listeners)
        pListener->OnConfigChanged(changed);
}

bool QMConfigSection::HasKeyChanged(QMConfigKey* pKey)
{
    if (m_pStore->UsesIniFile())
        return pKey->m_bChanged;
    const CString before = pKey->m_strValue;
    return ReadStoredValue(pKey) != before || pKey->m_bChanged;
}

void QMConfigSection::DumpKeys()
{
    const wchar_t* pszHive = m_type == QMCONFIG_LOCAL ? L"HKCU\\" : L"HKLM\\";
    for (auto& entry : m_keys)
    {
        const CString value = ReadStoredValue(entry.second.get());
        Trace(TRACE_TRACE, L"QMConfig: %s=%s", (pszHive + GetPath() + L"\\" + entry.first).GetString(),
              value.GetString());
    }
}
