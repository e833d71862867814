#pragma once
// The product's settings as the controller and the installed product both know them: their
// sections, names and defaults, registered in the store at start-up and again after a
// re-rooting, and the accessors of the few that the controller itself reads or writes.

#include "classlib/String.h"

class QMConfig;
class CQMModule;

// Global "Common" keys, then the "Update" keys. Registration writes nothing.
void InitializeSharedSettingsKeys(QMConfig* pConfig);
// Local "Common" keys of the product, then the TempFolder check: an empty TempFolder, or one
// naming a missing folder, is set to the default temporary folder.
void InitializeProductSettingsKeys(QMConfig* pConfig, CQMModule* pModule);

// The registered store; null before the first registration.
QMConfig* GetSettingsStore();

CString GetTempFolderSetting();
void SetTempFolderSetting(const wchar_t* pszFolder);
// "en" when the stored text is empty.
CString GetLanguageSetting();
// The text as stored, empty included.
CString GetStoredLanguageSetting();
void SetLanguageSetting(const wchar_t* pszLanguage);
void SetStartVantolinNotifierWithWindows(bool bStart);
CString GetPartnerId();
void SetPartnerId(const wchar_t* pszPartnerId);
CString GetAffiliateId();
void SetAffiliateId(const wchar_t* pszAffiliateId);
// The edition name of the registered product (the 2012 of Vantolin_2012).
CString GetProductEditionName();

// The root the store's local (bLocal) or global sections live under now; empty without a store.
CString GetSettingsRoot(bool bLocal);
// Writes one value of the "Common" section under a root the store may have left since (a
// re-root moves the keys to the new root): the local section for bLocal, else the global one.
bool WriteCommonValueUnderRoot(bool bLocal, const wchar_t* pszRoot, const wchar_t* pszName, const wchar_t* pszValue);

// Told at the end of every InitializeProductSettingsKeys (start-up and each re-root), on the
// thread that registers. Removing one that is not there does nothing.
class ISettingsRegistrationListener
{
public:
    virtual void OnSettingsKeysRegistered() = 0;

protected:
    ~ISettingsRegistrationListener() {}
};
void AddSettingsRegistrationListener(ISettingsRegistrationListener* pListener);
void RemoveSettingsRegistrationListener(ISettingsRegistrationListener* pListener);
