// The files of a portable installation that the setup adapts on the drive.

#include "PortableConfig.h"
#include "OruSettings.h"

#include "config/GenerationNames.h"
#include "support/FileUtil.h"
#include "support/Language.h"
#include "support/PathUtil.h"
#include "support/TraceLog.h"

bool AdaptQMConfig(const wchar_t* pszIni, LANGID language, const wchar_t* pszAffiliateId, int nView)
{
    if (!FileExists(pszIni))
    {
        Trace(TRACE_ERROR, L"AdaptQMConfig file not exist [%s]", pszIni);
        return false;
    }
    // The store's ini form names its sections by the registry paths it mirrors.
    const CString& generation = COruSettings::GetInstance().GetGeneration();
    const CString key = GetGenerationKey(generation, L"Common");
    const CString userSection = L"HKCU\\" + key;
    const CString machineSection = L"HKLM\\" + key;
    CString code;
    LanguageSupport::MakeIsoCode(language, code);
    WritePrivateProfileStringW(userSection, L"Language", code, pszIni);
    if (pszAffiliateId && *pszAffiliateId)
        WritePrivateProfileStringW(machineSection, L"AffiliateId", pszAffiliateId, pszIni);
    if (nView != -1)
    {
        CString view;
        view.Format(L"%d", nView);
        WritePrivateProfileStringW(machineSection, L"VantolinView", view, pszIni);
    }
    return true;
}

bool AdaptStartAppConfig(const wchar_t* pszIni, LANGID language, const wchar_t* pszTargetFolder)
{
    if (!FileExists(pszIni))
    {
        Trace(TRACE_ERROR, L"AdaptStartAppConfig file not exist [%s]", pszIni);
        return false;
    }
    CString languageId;
    languageId.Format(L"%u", static_cast<unsigned>(language));
    WritePrivateProfileStringW(L"General", L"language_id", languageId, pszIni);
    wchar_t buffer[MAX_PATH + 1] = {};
    GetPrivateProfileStringW(L"General", L"product_exe", L"", buffer, MAX_PATH, pszIni);
    const CString oldValue(buffer);
    if (oldValue.IsEmpty())
    {
        Trace(TRACE_TRACE, L"AdaptStartAppConfig: product_exe dose not exist so no patch");
        return false;
    }
    // The launcher runs from the drive's root: the product lies in the folder relative to it.
    CString drive, folder, name, extension;
    SplitPath(pszTargetFolder, drive, folder, name, extension);
    CString relative = folder + name + extension;
    relative.TrimLeft(L"\\");
    AppendBackslash(relative);
    if (!StartsWithNoCase(oldValue, relative))
        WritePrivateProfileStringW(L"General", L"product_exe", relative + oldValue, pszIni);
    return true;
}

void DeleteLauncherAutorun(const wchar_t* pszPath)
{
    if (!FileExists(pszPath))
        return;
    wchar_t buffer[MAX_PATH + 1] = {};
    GetPrivateProfileStringW(L"autorun", L"open", L"", buffer, MAX_PATH, pszPath);
    if (wcscmp(buffer, L"StartVantolin.exe") != 0)
        return;
    if (!DeleteFileW(pszPath))
        Trace(TRACE_TRACE, L"Failed to delete existing Auorun.Inf");
}
