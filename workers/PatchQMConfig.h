#pragma once
// Changes the product's language, affiliate and partner settings for the run and can put back
// what was stored before. The store may move to another generation's root during the run: the
// values set follow it there, and the undo restores every root the run wrote under.

#include "IPatchQMConfig.h"

#include "config/SettingsKeys.h"

#include "classlib/String.h"

#include <vector>

class CPatchQMConfig : public IPatchQMConfig, private ISettingsRegistrationListener
{
public:
    CPatchQMConfig();
    void SetNewLanguage(const wchar_t* pszLanguage) override;
    void SetNewAffilateID(const wchar_t* pszAffiliateId) override;
    void SetNewPartnerID(const wchar_t* pszPartnerId) override;
    void UndoChanges() override;
    virtual ~CPatchQMConfig();

private:
    // What one root held when this run first saw it.
    struct CRootValues
    {
        CString m_strLocalRoot;
        CString m_strGlobalRoot;
        CString m_strLanguage; // as stored: an empty one stays empty
        CString m_strAffiliateId;
        CString m_strPartnerId;
    };

    // A value this run set, and the accessor that writes it.
    struct CNewValue
    {
        void (*m_pfnWrite)(const wchar_t*);
        CString m_strValue;
        bool m_bSet = false;
    };
    enum
    {
        kLanguage,
        kAffiliateId,
        kPartnerId
    };

    void OnSettingsKeysRegistered() override;
    void Apply(int nValue, const wchar_t* pszFormat, const wchar_t* pszValue);
    static CRootValues ReadCurrent();
    // A re-root since the last call: the new root's values are noted and this run's are written
    // there again.
    void FollowRoot();

    std::vector<CRootValues> m_roots; // the first: at construction; the last: the current root
    CNewValue m_newValues[3];
};
