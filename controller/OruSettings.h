#pragma once
// The values of oru.ini (section General), read through the profile API. One object per
// process; reading a file replaces every value, a missing key gets its default.

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
    // The version, version text and generation set here come from the product's package: they
    // outlive every later read of a file in this run, so that the configuration store, the
    // steps and the files written for the product stay on one generation. This object is the
    // run's one holder of the generation: the others ask it.
    const CString& GetVersion() const { return m_strVersion; }
    void SetVersion(const wchar_t* psz) { m_strVersion = m_strKeptVersion = psz; }
    const CString& GetVersionText() const { return m_strVersionText; }
    void SetVersionText(const wchar_t* psz) { m_strVersionText = m_strKeptVersionText = psz; }
    const CString& GetGeneration() const { return m_strGeneration; }
    // Only a generation that can name a folder is taken (false, logged, for another).
    bool SetGeneration(const wchar_t* psz);
    const CString& GetProductDisplayName() const { return m_strProductDisplayName; }
    void SetProductDisplayName(const wchar_t* psz) { m_strProductDisplayName = psz; }
    const CString& GetProductShortcutName() const { return m_strProductShortcutName; }
    BOOL GetRestartOption() const { return m_bRestartOption; }
    const CString& GetHelpFilePathBaseName() const { return m_strHelpFilePathBaseName; }
    const CString& GetTutorialVideoUrl() const { return m_strTutorialVideoUrl; }
    BOOL GetShowAdvertiseDlg() const { return m_bShowAdvertiseDlg; }
    const CString& GetFileName() const { return m_strFileName; }
    int GetRegType() const { return m_nRegType; }
    const CString& GetUrl() const { return m_strUrl; }
    const CString& GetAdvInstIniFilePath() const { return m_strAdvInstIniFilePath; }
    const CString& GetFullInstallerExeName() const { return m_strFullInstallerExeName; }
    const CString& GetTraceLevel() const { return m_strTraceLevel; }
    int GetCheckInternetTimeout() const { return m_nCheckInternetTimeout; }
    int GetCheckInternetMaxTimeout() const { return m_nCheckInternetMaxTimeout; }
    const CString& GetFilePath() const { return m_strFilePath; }
    // The generation names folders, registry keys and mutexes (config/GenerationNames.h): one
    // that could leave its folder or is no file name is refused where it is read.
    // The generation text of the last file read when it was refused (the default stands in).
    const CString& GetRefusedGeneration() const { return m_strRefusedGeneration; }

private:
    COruSettings() = default;
    CString m_strKeptVersion;
    CString m_strKeptVersionText;
    CString m_strKeptGeneration;
    CString m_strFilePath;
    CString m_strRefusedGeneration;
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
