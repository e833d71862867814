#include "PatchQMConfig.h"

#include "support/TraceLog.h"

CPatchQMConfig::CPatchQMConfig()
    : m_newValues{ { &SetLanguageSetting }, { &SetAffiliateId }, { &SetPartnerId } }
{
    m_roots.push_back(ReadCurrent());
    AddSettingsRegistrationListener(this);
}

CPatchQMConfig::~CPatchQMConfig()
{
    RemoveSettingsRegistrationListener(this);
}

CPatchQMConfig::CRootValues CPatchQMConfig::ReadCurrent()
{
    CRootValues values;
    values.m_strLocalRoot = GetSettingsRoot(true);
    values.m_strGlobalRoot = GetSettingsRoot(false);
    values.m_strLanguage = GetStoredLanguageSetting();
    values.m_strAffiliateId = GetAffiliateId();
    values.m_strPartnerId = GetPartnerId();
    return values;
}

void CPatchQMConfig::FollowRoot()
{
    const CString localRoot = GetSettingsRoot(true), globalRoot = GetSettingsRoot(false);
    const CRootValues& last = m_roots.back();
    if (last.m_strLocalRoot.CompareNoCase(localRoot) == 0 && last.m_strGlobalRoot.CompareNoCase(globalRoot) == 0)
        return;
    // Back at a root seen before: what it held then is what the undo restores.
    bool bKnown = false;
    for (size_t i = 0; i < m_roots.size() && !bKnown; ++i)
    {
        if (m_roots[i].m_strLocalRoot.CompareNoCase(localRoot) == 0 && m_roots[i].m_strGlobalRoot.CompareNoCase(globalRoot) == 0)
        {
            const CRootValues known = m_roots[i];
            m_roots.erase(m_roots.begin() + static_cast<std::ptrdiff_t>(i));
            m_roots.push_back(known);
            bKnown = true;
        }
    }
    if (!bKnown)
        m_roots.push_back(ReadCurrent());
    Trace(TRACE_TRACE, L"CPatchQMConfig: the settings moved to [%s], the values of this run follow", localRoot.GetString());
    for (const CNewValue& value : m_newValues)
    {
        if (value.m_bSet)
            value.m_pfnWrite(value.m_strValue);
    }
}

void CPatchQMConfig::OnSettingsKeysRegistered()
{
    FollowRoot();
}

void CPatchQMConfig::Apply(int nValue, const wchar_t* pszFormat, const wchar_t* pszValue)
{
    Trace(TRACE_TRACE, pszFormat, pszValue ? pszValue : L"");
    FollowRoot();
    m_newValues[nValue].m_strValue = pszValue;
    m_newValues[nValue].m_bSet = true;
    m_newValues[nValue].m_pfnWrite(m_newValues[nValue].m_strValue);
}

void CPatchQMConfig::SetNewLanguage(const wchar_t* pszLanguage)
{
    Apply(kLanguage, L"CPatchQMConfig::SetNewLanguage [%s]", pszLanguage);
}

void CPatchQMConfig::SetNewAffilateID(const wchar_t* pszAffiliateId)
{
    Apply(kAffiliateId, L"CPatchQMConfig::SetNewAffilateID [%s]", pszAffiliateId);
}

void CPatchQMConfig::SetNewPartnerID(const wchar_t* pszPartnerId)
{
    Apply(kPartnerId, L"CPatchQMConfig::SetNewPartnerID [%s]", pszPartnerId);
}

void CPatchQMConfig::UndoChanges()
{
    Trace(TRACE_TRACE, L"CPatchQMConfig::UndoChanges");
    FollowRoot();
    const CRootValues& current = m_roots.back();
    SetLanguageSetting(current.m_strLanguage);
    SetAffiliateId(current.m_strAffiliateId);
    SetPartnerId(current.m_strPartnerId);
    // The roots left behind: the store's keys no longer reach them.
    for (size_t i = 0; i + 1 < m_roots.size(); ++i)
    {
        const CRootValues& earlier = m_roots[i];
        WriteCommonValueUnderRoot(true, earlier.m_strLocalRoot, L"Language", earlier.m_strLanguage);
        WriteCommonValueUnderRoot(false, earlier.m_strGlobalRoot, L"AffiliateId", earlier.m_strAffiliateId);
        WriteCommonValueUnderRoot(false, earlier.m_strGlobalRoot, L"PartnerId", earlier.m_strPartnerId);
    }
}
