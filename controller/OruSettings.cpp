#include "OruSettings.h"

#include "config/GenerationNames.h"
#include "support/TraceLog.h"

#include <cstdlib>

namespace
{
const wchar_t kSection[] = L"General";
const wchar_t kDefaultUrl[] = L"http://download.vantolin.example/retail/?";
const wchar_t kDefaultGeneration[] = L"2011";

CString ReadText(const wchar_t* pszKey, const wchar_t* pszDefault, const wchar_t* pszPath)
{
    const DWORD kChars = 510;
    wchar_t buf[kChars] = {};
    GetPrivateProfileStringW(kSection, pszKey, pszDefault, buf, kChars, pszPath);
    return CString(buf);
}

int ReadInt(const wchar_t* pszKey, int nDefault, const wchar_t* pszPath)
{
    return static_cast<int>(GetPrivateProfileIntW(kSection, pszKey, nDefault, pszPath));
}

bool WriteText(const wchar_t* pszKey, const wchar_t* pszValue, const wchar_t* pszPath)
{
    return WritePrivateProfileStringW(kSection, pszKey, pszValue, pszPath) != FALSE;
}

bool WriteInt(const wchar_t* pszKey, int nValue, const wchar_t* pszPath)
{
    CString text;
    text.Format(L"%d", nValue);
    return WriteText(pszKey, text, pszPath);
}
}

COruSettings& COruSettings::GetInstance()
{
    static COruSettings s_settings;
    return s_settings;
}

void COruSettings::Read(const wchar_t* pszPath)
{
    m_strFilePath = pszPath;
    m_strFileName = ReadText(L"file_name", L"VantolinSetup.exe", pszPath);
    m_nView = ReadInt(L"vantolin_view", 0, pszPath);
    m_strPartnerID = ReadText(L"partnerID", L"", pszPath);
    m_strAffiliateID = ReadText(L"affiliateID", L"", pszPath);
    m_nRegType = ReadInt(L"reg_type", 0, pszPath);
    m_strVersion = ReadText(L"version", L"0.0.0.0", pszPath);
    m_strVersionText = ReadText(L"version_text", L"0.0.0.0", pszPath);
    m_strGeneration = ReadText(L"generation", kDefaultGeneration, pszPath);
    m_strRefusedGeneration.Empty();
    if (!IsUsableGeneration(m_strGeneration))
    {
        Trace(TRACE_ERROR, L"COruSettings::Read : refusing the generation [%s] of [%s]: it cannot name a folder",
              m_strGeneration.GetString(), pszPath);
        m_strRefusedGeneration = m_strGeneration;
        m_strGeneration = kDefaultGeneration;
    }
    m_strUrl = ReadText(L"url", kDefaultUrl, pszPath);
    m_strUrl.Trim(L"\"");
    m_strAdvInstIniFilePath = ReadText(L"adv_inst_ini_file_path", L"", pszPath);
    m_strFullInstallerExeName = ReadText(L"full_installer_EXE_name", L"0", pszPath);
    m_strTraceLevel = ReadText(L"TraceLevel", L"Detail", pszPath);
    m_nCheckInternetTimeout = ReadInt(L"CheckInternetTimeout", 5, pszPath);
    m_nCheckInternetMaxTimeout = ReadInt(L"CheckInternetMaxTimeout", 20, pszPath);
    m_bRestartOption = wcstol(ReadText(L"restart_option", L"", pszPath), nullptr, 10) == 1;
    m_strHelpFilePathBaseName = ReadText(L"help_file_path_baseName", L"", pszPath);
    m_strTutorialVideoUrl = ReadText(L"tutorial_video_url", L"", pszPath);
    m_strProductDisplayName = ReadText(L"product_display_name", L"Vantolin", pszPath);
    m_strProductShortcutName = ReadText(L"product_shortcut_name", L"Vantolin", pszPath);
    m_bShowAdvertiseDlg = ReadInt(L"show_advertise_dlg", 0, pszPath) != 0;

    if (!m_strKeptVersion.IsEmpty())
        m_strVersion = m_strKeptVersion;
    if (!m_strKeptVersionText.IsEmpty())
        m_strVersionText = m_strKeptVersionText;
    if (!m_strKeptGeneration.IsEmpty())
        m_strGeneration = m_strKeptGeneration;
}

bool COruSettings::SetGeneration(const wchar_t* psz)
{
    if (!IsUsableGeneration(psz))
    {
        Trace(TRACE_ERROR, L"COruSettings::SetGeneration : refusing the generation [%s]: it cannot name a folder",
              psz ? psz : L"");
        return false;
    }
    m_strGeneration = m_strKeptGeneration = psz;
    return true;
}

bool COruSettings::Write(const wchar_t* pszPath) const
{
    // Every key: a profile that takes some and refuses others is a failed write.
    bool ok = true;
    ok &= WriteText(L"file_name", m_strFileName, pszPath);
    ok &= WriteInt(L"vantolin_view", m_nView, pszPath);
    ok &= WriteText(L"partnerID", m_strPartnerID, pszPath);
    ok &= WriteText(L"affiliateID", m_strAffiliateID, pszPath);
    ok &= WriteInt(L"reg_type", m_nRegType, pszPath);
    ok &= WriteText(L"version", m_strVersion, pszPath);
    ok &= WriteText(L"version_text", m_strVersionText, pszPath);
    ok &= WriteText(L"generation", m_strGeneration, pszPath);
    ok &= WriteText(L"url", m_strUrl, pszPath);
    ok &= WriteText(L"adv_inst_ini_file_path", m_strAdvInstIniFilePath, pszPath);
    ok &= WriteText(L"full_installer_EXE_name", m_strFullInstallerExeName, pszPath);
    ok &= WriteText(L"TraceLevel", m_strTraceLevel, pszPath);
    ok &= WriteInt(L"CheckInternetTimeout", m_nCheckInternetTimeout, pszPath);
    ok &= WriteInt(L"CheckInternetMaxTimeout", m_nCheckInternetMaxTimeout, pszPath);
    ok &= WriteText(L"restart_option", m_bRestartOption ? L"1" : L"0", pszPath);
    ok &= WriteText(L"help_file_path_baseName", m_strHelpFilePathBaseName, pszPath);
    ok &= WriteText(L"tutorial_video_url", m_strTutorialVideoUrl, pszPath);
    ok &= WriteText(L"product_display_name", m_strProductDisplayName, pszPath);
    ok &= WriteText(L"product_shortcut_name", m_strProductShortcutName, pszPath);
    ok &= WriteText(L"show_advertise_dlg", m_bShowAdvertiseDlg ? L"1" : L"0", pszPath);
    return ok;
}
