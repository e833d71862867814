#pragma once
// PLACEHOLDER (issue #3): the values of oru.ini (section General), read through the profile
// API. Written to the file's contract; its tests and the remaining users come with that issue.

#include "classlib/String.h"

class COruSettings
{
public:
    static COruSettings& GetInstance();

    void Read(const wchar_t* pszPath);
    bool Write(const wchar_t* pszPath) const;

    int GetView() const { return m_nView; }
    void SetView(int view) { m_nView = view; }
    const CString& GetPartnerID() const { return m_strPartnerID; }
    const CString& GetAffiliateID() const { return m_strAffiliateID; }
    const CString& GetVersion() const { return m_strVersion; }
    void SetVersion(const wchar_t* psz) { m_strVersion = psz; }
    const CString& GetVersionText() const { return m_strVersionText; }
    void SetVersionText(const wchar_t* psz) { m_strVersionText = psz; }
    const CString& GetGeneration() const { return m_strGeneration; }
    void SetGeneration(const wchar_t* psz) { m_strGeneration = psz; }
    const CString& GetProductDisplayName() const { return m_strProductDisplayName; }
    void SetProductDisplayName(const wchar_t* psz) { m_strProductDisplayName = psz; }
    const CString& GetProductShortcutName() const { return m_strProductShortcutName; }
    BOOL GetRestartOption() const { return m_bRestartOption; }
    const CString& GetHelpFilePathBaseName() const { return m_strHelpFilePathBaseName; }
    const CString& GetTutorialVideoUrl() const { return m_strTutorialVideoUrl; }
    BOOL GetShowAdvertiseDlg() const { return m_bShowAdvertiseDlg; }
    const CString& GetUrl() const { return m_strUrl; }
    const CString& GetFilePath() const { return m_strFilePath; }

private:
    COruSettings() = default;
    CString m_strFilePath;
    CString m_strFileName;
    int m_nView = -1;
    CString m_strPartnerID;
    CString m_strAffiliateID;
    int m_nRegType = -1;
    CString m_strVersion;
    CString m_strVersionText;
    CString m_strGeneration;
    CString m_strUrl;
    CString m_strAdvInstIniFilePath;
    CString m_strFullInstallerExeName;
    CString m_strTraceLevel;
    int m_nCheckInternetTimeout = 3;
    int m_nCheckInternetMaxTimeout = 180;
    BOOL m_bRestartOption = FALSE;
    CString m_strHelpFilePathBaseName;
    CString m_strTutorialVideoUrl;
    CString m_strProductDisplayName;
    CString m_strProductShortcutName;
    BOOL m_bShowAdvertiseDlg = FALSE;
};
