#include "RegistryKeyMap.h"
#include "OruUtil.h"

#include "config/GenerationNames.h"
#include "support/Registry.h"
#include "support/TraceLog.h"

namespace
{
const wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t kOruKey[] = L"Software\\Quillmark\\ORU_Vantolin";

RegistryKey MakeEntry(const wchar_t* pszKeyPath, const wchar_t* pszValueName)
{
    RegistryKey entry;
    entry.hRoot = HKEY_LOCAL_MACHINE;
    entry.strKeyPath = pszKeyPath;
    entry.strValueName = pszValueName;
    return entry;
}


bool LookupOrLog(const CRegistryKeyMap& map, DWORD id, const wchar_t* pszOperation, RegistryKey& rEntry)
{
    if (map.Lookup(id, rEntry))
        return true;
    Trace(TRACE_TRACE, L"%s: %d is missing", pszOperation, static_cast<int>(id));
    return false;
}
}

bool CRegistryKeyMap::Lookup(DWORD id, RegistryKey& rEntry) const
{
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return false;
    rEntry = it->second;
    return true;
}

void CRegistryKeyMap::Fill(const wchar_t* pszGeneration)
{
    static const struct
    {
        DWORD id;
        const wchar_t* key;
        const wchar_t* value;
    } kFixed[] = {
        { 0, kRunOnceKey, L"RunOruInstaller" },
        { 2, L"SOFTWARE\\Quillmark\\DEVurudeZivizor", L"Reboot" },
        { 3, kOruKey, L"" },
        { 4, kOruKey, L"Uninstaller" },
        { 5, kOruKey, L"InstallationSuccessful" },
        { 10, kOruKey, L"RestartInstallDir" },
        { 11, kOruKey, L"RestartIntegrateMusicLib" },
        { 12, kOruKey, L"RestartCommonMusicLibDir" },
        { 13, kOruKey, L"RestartCustomMusicLibDir" },
        { 14, kOruKey, L"RestartDownloadLame" },
        { 15, kOruKey, L"RestartSendUsageStats" },
        { 16, kOruKey, L"RestartImportSettings" },
    };
    RemoveAll();
    for (const auto& e : kFixed)
        SetAt(e.id, MakeEntry(e.key, e.value));
    FillGenerationEntries(pszGeneration);
}

void CRegistryKeyMap::FillGenerationEntries(const wchar_t* pszGeneration)
{
    // A generation that names no key leaves the entries as they were: an empty key path would
    // name the hive itself.
    const CString common = GetGenerationKey(pszGeneration, L"Common");
    const CString launch = GetGenerationLaunchKey(pszGeneration);
    if (common.IsEmpty() || launch.IsEmpty())
    {
        Trace(TRACE_ERROR, L"CRegistryKeyMap::FillGenerationEntries: the generation [%s] names no key", pszGeneration);
        return;
    }
    SetAt(1, MakeEntry(common, L"AffiliateId"));
    SetAt(6, MakeEntry(launch, L"Launch"));
    SetAt(7, MakeEntry(launch, L"LaunchUSB"));
    SetAt(9, MakeEntry(common, L"InstalledVantolinView"));
}

bool GetRegStringValue(const CRegistryKeyMap& map, DWORD id, CString& rValue)
{
    rValue.Empty();
    RegistryKey entry;
    if (!LookupOrLog(map, id, L"GetRegStringValue", entry))
        return false;
    DWORD type = 0;
    if (!ReadRegString(entry.hRoot, entry.strKeyPath, entry.strValueName, type, rValue, 0))
    {
        rValue.Empty();
        return false;
    }
    return true;
}

bool SetRegStringValue(const CRegistryKeyMap& map, DWORD id, const wchar_t* pszValue)
{
    RegistryKey entry;
    if (!LookupOrLog(map, id, L"SetRegStringValue", entry))
        return false;
    return WriteRegString(entry.hRoot, entry.strKeyPath, entry.strValueName, REG_SZ, pszValue, nullptr, 0);
}

bool DeleteRegistryKey(const CRegistryKeyMap& map, DWORD id)
{
    RegistryKey entry;
    if (!LookupOrLog(map, id, L"DeleteRegistryKey", entry))
        return false;
    if (entry.strValueName.IsEmpty())
        return COruUtil::DeleteRegistryKey(entry.hRoot, entry.strKeyPath);
    return COruUtil::DeleteRegistryValue(entry.hRoot, entry.strKeyPath, entry.strValueName);
}
