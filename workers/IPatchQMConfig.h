#pragma once
// The product settings a run changes in the configuration store, undone when the run does not
// keep its installation.

class IPatchQMConfig
{
public:
    virtual void SetNewLanguage(const wchar_t* pszLanguage) = 0;
    virtual void SetNewAffilateID(const wchar_t* pszAffiliateId) = 0;
    virtual void SetNewPartnerID(const wchar_t* pszPartnerId) = 0;
    virtual void UndoChanges() = 0;

protected:
    // Not deleted through the interface: the owner holds the concrete object.
    ~IPatchQMConfig() {}
};
