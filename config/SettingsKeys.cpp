#include "SettingsKeys.h"
#include "ProductFolders.h"
#include "QMConfig.h"
#include "QMModule.h"
#include "QMRegKey.h"

#include "support/FileUtil.h"
#include "support/Folders.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace
{
// The maker's service hosts.
#define QM_SHOP_HOST L"http://shop.quillmark.com"
#define QM_STATS_HOST L"http://stats.quillmark.com"
#define QM_SYNC_HOST L"https://sync.quillmark.com"

struct CKeyDefault
{
    const wchar_t* pszName;
    const wchar_t* pszDefault;
    QMConfigKey** ppKey;
};

struct CSettingsState
{
    QMConfig* pConfig = nullptr;
    CString strEdition;
    QMConfigKey* pPartnerId = nullptr;
    QMConfigKey* pAffiliateId = nullptr;
    QMConfigKey* pTempFolder = nullptr;
    QMConfigKey* pLanguage = nullptr;
    QMConfigKey* pStartNotifier = nullptr;
    std::vector<ISettingsRegistrationListener*> listeners;
};

CSettingsState& State()
{
    static CSettingsState s_state;
    return s_state;
}

void RegisterKeys(QMConfig* pConfig, QMConfigSection* pSection, const CKeyDefault* pKeys, size_t count)
{
    for (size_t i = 0; i < count; ++i)
    {
        QMConfigKey* pKey = pConfig->GetKey(pSection, pKeys[i].pszName, pKeys[i].pszDefault);
        if (pKeys[i].ppKey)
            *pKeys[i].ppKey = pKey;
    }
}

CString GetText(QMConfigKey* pKey)
{
    QMConfig* pConfig = State().pConfig;
    return pConfig && pKey ? pConfig->GetStringValue(pKey) : CString();
}

void SetText(QMConfigKey* pKey, const wchar_t* pszValue)
{
    QMConfig* pConfig = State().pConfig;
    if (pConfig && pKey)
        pConfig->SetStringValue(pKey, pszValue);
}
}

void InitializeSharedSettingsKeys(QMConfig* pConfig)
{
    if (!pConfig)
        return;
    CSettingsState& state = State();
    state.pConfig = pConfig;
    const CKeyDefault common[] = {
        { L"PartnerId", L"", &state.pPartnerId },
        { L"AffiliateId", L"", &state.pAffiliateId },
        { L"UpdateCheckUrl", QM_SHOP_HOST L"/update_available_tpl.php", nullptr },
        { L"UpdateInfoUrl", QM_SHOP_HOST L"/update_information_tpl.php", nullptr },
        { L"UpdateBuyNowUrl", QM_SHOP_HOST L"/buynow_tpl.php", nullptr },
        { L"ProductDownloadUrl", L"http://www.quillmark.com", nullptr },
        { L"UsageStatisticsUrl", QM_STATS_HOST L"/upload.php", nullptr },
        { L"UsageStatisticsTestTag", L"", nullptr },
        { L"AdvertisingInfoUrl", QM_SHOP_HOST L"/advertising_information.php", nullptr },
    };
    RegisterKeys(pConfig, pConfig->GetSection(QMCONFIG_GLOBAL, L"Common"), common, sizeof(common) / sizeof(common[0]));

    QMConfigSection* pUpdateShared = pConfig->GetSection(QMCONFIG_APPLICATION_INDEPENDENT, L"Update");
    QMConfigSection* pUpdateLocal = pConfig->GetSection(QMCONFIG_LOCAL, L"Update");
    pConfig->GetKey(pUpdateShared, L"uuid", L"");
    pConfig->GetKey(pUpdateLocal, L"uuid", L"");
    pConfig->GetKey(pUpdateShared, L"uc", L"0");
}

void InitializeProductSettingsKeys(QMConfig* pConfig, CQMModule* pModule)
{
    if (!pConfig)
        return;
    CSettingsState& state = State();
    state.pConfig = pConfig;
    if (pModule)
        state.strEdition = pModule->GetEdition();
    QMConfigSection* pCommon = pConfig->GetSection(QMCONFIG_LOCAL, L"Common");

    const CString music = GetMyMusicFolder();
    const CString importExport = GetMyMusicFolderCached();
    const CKeyDefault common[] = {
        { L"OutputFolder", music, nullptr },
        { L"TempFolder", L"", &state.pTempFolder },
    };
    RegisterKeys(pConfig, pCommon, common, sizeof(common) / sizeof(common[0]));

    const CString tempFolder = GetTempFolderSetting();
    if (tempFolder.IsEmpty() || !PathExists(tempFolder))
        SetDefaultTempFolder();

    const CKeyDefault product[] = {
        { L"ImportExportFolder", importExport, nullptr },
        { L"Language", L"en", &state.pLanguage },
        { L"TraceLevel", L"None", nullptr },
        { L"HTTPProxy", L"1", nullptr },
        { L"AppWidth", L"-1", nullptr },
        { L"AppHeight", L"-1", nullptr },
        { L"AppPositionX", L"-1", nullptr },
        { L"AppPositionY", L"-1", nullptr },
        { L"AppFullScreen", L"-1", nullptr },
        { L"AppGuiTab", L"-1", nullptr },
        { L"AppGuiMPFolded", L"0", nullptr },
        { L"AppGuiTabFolded", L"0", nullptr },
        { L"AppGuiLeftButtonsVisible", L"1", nullptr },
        { L"CurrentSkinName", L"", nullptr },
        { L"CurrentSkinFrameName", L"", nullptr },
        { L"CloseButtonAction", L"AskUser", nullptr },
        { L"HideUnlicensedStations", L"1", nullptr },
        { L"AutomatedRestartInProgress", L"0", nullptr },
        { L"ForceNetbook", L"0", nullptr },
        { L"LoginUsername", L"", nullptr },
        { L"LoginPassword", L"", nullptr },
        { L"LoginAnonymousBaseUrl", QM_SYNC_HOST L"/ano/1.1/", nullptr },
        { L"LoginNormalBaseUrl", QM_SYNC_HOST L"/api/1.1/", nullptr },
        { L"CreateAccountBaseUrl", QM_SYNC_HOST L"/api/user/1.0/", nullptr },
        { L"GetCaptchaUrl", QM_SYNC_HOST L"/api/misc/1.0/captcha", nullptr },
        { L"AskCompatibilityModeRepair", L"0", nullptr },
        { L"SendCompatibilityModeUsageStatistics", L"0", nullptr },
        { L"DeviceFlags", L"0", nullptr },
        { L"DontShowAdAgain", L"", nullptr },
        { L"AdAllowed", L"", nullptr },
        { L"StartVantolinNotifierWithWindows", L"1", &state.pStartNotifier },
    };
    RegisterKeys(pConfig, pCommon, product, sizeof(product) / sizeof(product[0]));
    // A copy: a listener may remove itself.
    const std::vector<ISettingsRegistrationListener*> listeners = state.listeners;
    for (ISettingsRegistrationListener* pListener : listeners)
        pListener->OnSettingsKeysRegistered();
}

QMConfig* GetSettingsStore()
{
    return State().pConfig;
}

CString GetTempFolderSetting()
{
    return GetText(State().pTempFolder);
}

void SetTempFolderSetting(const wchar_t* pszFolder)
{
    SetText(State().pTempFolder, pszFolder);
}

CString GetLanguageSetting()
{
    const CString language = GetText(State().pLanguage);
    return language.IsEmpty() ? CString(L"en") : language;
}

CString GetStoredLanguageSetting()
{
    return GetText(State().pLanguage);
}

void SetLanguageSetting(const wchar_t* pszLanguage)
{
    SetText(State().pLanguage, pszLanguage);
}

void SetStartVantolinNotifierWithWindows(bool bStart)
{
    QMConfig* pConfig = State().pConfig;
    if (pConfig && State().pStartNotifier)
        pConfig->SetBoolValue(State().pStartNotifier, bStart);
}

CString GetPartnerId()
{
    return GetText(State().pPartnerId);
}

void SetPartnerId(const wchar_t* pszPartnerId)
{
    SetText(State().pPartnerId, pszPartnerId);
}

CString GetAffiliateId()
{
    return GetText(State().pAffiliateId);
}

void SetAffiliateId(const wchar_t* pszAffiliateId)
{
    SetText(State().pAffiliateId, pszAffiliateId);
}

CString GetProductEditionName()
{
    return State().strEdition;
}

CString GetSettingsRoot(bool bLocal)
{
    QMConfig* pConfig = State().pConfig;
    if (!pConfig)
        return CString();
    return bLocal ? pConfig->GetLocalRoot() : pConfig->GetGlobalRoot();
}

bool WriteCommonValueUnderRoot(bool bLocal, const wchar_t* pszRoot, const wchar_t* pszName, const wchar_t* pszValue)
{
    QMConfig* pConfig = State().pConfig;
    if (!pConfig || !pszRoot || !*pszRoot)
        return false;
    std::unique_ptr<QMRegKey> pKey(pConfig->CreateRegKey());
    if (!pKey)
        return false;
    // The same hives and security as the store's own sections of that kind.
    pKey->Create(bLocal ? 1 : 0, CString(pszRoot) + L"\\Common", !bLocal);
    return pKey->IsOpen() && pKey->Write(pszName, pszValue);
}

void AddSettingsRegistrationListener(ISettingsRegistrationListener* pListener)
{
    if (pListener)
        State().listeners.push_back(pListener);
}

void RemoveSettingsRegistrationListener(ISettingsRegistrationListener* pListener)
{
    std::vector<ISettingsRegistrationListener*>& listeners = State().listeners;
    listeners.erase(std::remove(listeners.begin(), listeners.end(), pListener), listeners.end());
}
