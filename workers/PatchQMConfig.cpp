#include "PatchQMConfig.h"

#include "support/TraceLog.h"

CPatchQMConfig::CPatchQMConfig()
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
    if (m_bLanguageSet)
        SetLanguageSetting(m_strNewLanguage);
    if (m_bAffiliateIdSet)
        SetAffiliateId(m_strNewAffiliateId);
    if (m_bPartnerIdSet)
        SetPartnerId(m_strNewPartnerId);
}

void CPatchQMConfig::OnSettingsKeysRegistered()
{
    FollowRoot();
}

void CPatchQMConfig::SetNewLanguage(const wchar_t* pszLanguage)
{
    Trace(TRACE_TRACE, L"CPatchQMConfig::SetNewLanguage [%s]", pszLanguage ? pszLanguage : L"");
    FollowRoot();
    m_strNewLanguage = pszLanguage;
    m_bLanguageSet = true;
    SetLanguageSetting(m_strNewLanguage);
}

void CPatchQMConfig::SetNewAffilateID(const wchar_t* pszAffiliateId)
{
    Trace(TRACE_TRACE, L"CPatchQMConfig::SetNewAffilateID [%s]", pszAffiliateId ? pszAffiliateId : L"");
    FollowRoot();
    m_strNewAffiliateId = pszAffiliateId;
    m_bAffiliateIdSet = true;
    SetAffiliateId(m_strNewAffiliateId);
}

void CPatchQMConfig::SetNewPartnerID(const wchar_t* pszPartnerId)
{
    Trace(TRACE_TRACE, L"CPatchQMConfig::SetNewPartnerID [%s]", pszPartnerId ? pszPartnerId : L"");
    FollowRoot();
    m_strNewPartnerId = pszPartnerId;
    m_bPartnerIdSet = true;
    SetPartnerId(m_strNewPartnerId);
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
