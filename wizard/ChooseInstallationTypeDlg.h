#pragma once
// The installation type page (dialog 133): a PC installation ("Standard") or a portable one on a
// USB drive, the drives listed and kept current while the page is open (a drive that arrives is
// selected), and the target folder on the chosen drive.

#include "WizardParentDlg.h"

#include "workers/DeviceChangeMonitorWnd.h"
#include "workers/DeviceInfo.h"
#include "workers/RemovableDrives.h"

#include <memory>

class CChooseInstallationTypeDlg : public CWizardParentDlg, public IDeviceListener
{
public:
    explicit CChooseInstallationTypeDlg(HWND hParent);
    ~CChooseInstallationTypeDlg() override;

    // The UI language: the language of the help file Help opens.
    void SetLanguageId(int nLanguageId) { m_nLanguageId = nLanguageId; }
    // The settings' help file base name; Help is enabled only when it is not empty.
    void SetHelpFileBaseName(const wchar_t* pszBaseName) { m_helpFileBaseName = pszBaseName ? pszBaseName : L""; }
    // The drive queries of the listing; null: the system's.
    void SetDriveQuery(IDriveQuery* pQuery) { m_pDriveQuery = pQuery; }
    // After the page: FALSE for a PC installation; TRUE with the drive's root ("E:\") and the
    // target folder.
    BOOL GetSelectedDrive(CString& rRoot, CString& rFolder) const;

    void OnDeviceArrived(wchar_t cDriveLetter) override;
    void OnDeviceRemoved(wchar_t cDriveLetter) override;

protected:
    BOOL OnInitDialog() override;
    void RefreshDrives(wchar_t cPreferredLetter);
    void OnDriveSelChange();
    void UpdateControls();
    void OnRefresh();
    void OnBrowse();
    void OnHelp();
    void OnDestroy();

private:
    bool IsStandardChecked() const;
    void MakeRadioFont();

    CFont m_radioFont;
    CDeviceInfoArray m_drives;
    wchar_t m_cSelectedLetter;
    std::unique_ptr<CDeviceChangeMonitorWnd> m_pDeviceMonitor;
    int m_nLanguageId;
    CString m_targetFolder;
    CString m_helpFileBaseName;
    IDriveQuery* m_pDriveQuery;

    DECLARE_MESSAGE_MAP()
};
