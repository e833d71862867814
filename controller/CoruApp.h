#pragma once
// The controller's application object: start-up, the self-update hand-over, the start checks
// and the exit code.

#include "classlib/Handles.h"
#include "classlib/Sync.h"
#include "classlib/WinApp.h"
#include "support/DynBitmap.h"
#include "support/SystemWideFlag.h"
#include "workers/IInstanceFlagOwner.h"

#include <memory>
#include <vector>

class QMConfig;
class CQMModule;
class IUpdateDLL;
class IUsageStatistics;
class CRegistryKeyMap;
class COruProcess;

// Exit codes of the controller; a controller that starts a copy of itself reads them back.
enum EOruExitCode
{
    ORU_EXIT_PC_SUCCEEDED = 0,
    ORU_EXIT_PC_FAILED = 1,
    ORU_EXIT_PC_CANCELLED = 2,
    ORU_EXIT_INSTALLER_CANCELLED = 3,
    ORU_EXIT_ANOTHER_INSTALL_RUNNING = 4,
    ORU_EXIT_USB_SUCCEEDED = 5,
    ORU_EXIT_USB_FAILED = 6,
    ORU_EXIT_USB_CANCELLED = 7
};

class CoruApp : public CWinApp, public IInstanceFlagOwner
{
public:
    CoruApp();
    ~CoruApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // A crash is a failed run (1, or 6 for a USB installation), never a cancel.
    int OnUnhandledException(const wchar_t* pszWhat) override;

    void InitializeKernelComponents();
    void UpdateProductPropertiesFromMsi(COruProcess* pProcess);

    // The product starter lets go of the flag while the product starts.
    bool ReleaseInstanceFlag() override;
    bool RetakeInstanceFlag() override;

    static CString GetRunningAppRegValue();
    static void SetRunningAppRegValue(const CString& text);

    CString GetAppTitle() const { return m_strAppTitle; }
    CDynBitmap& GetHeaderBitmap() { return m_headerBitmap; }
    CDynBitmap& GetWatermarkBitmap() { return m_watermarkBitmap; }
    int GetExitCode() const { return m_nExitCode; }

private:
    bool VerifySystemRequirements();
    bool CheckAlreadyRunning(bool bHandOverAllowed);
    bool CheckInstallerServiceIdle();
    void RunSelfUpdateHandOver();
    void WaitForProcess(DWORD pid, const wchar_t* pszFormat);
    void ReadCommandLine();
    void RestoreWizardChoices();
    void ReadUpdateFolder(CString folder);
    void ChooseInterfaceLanguage();
    void ApplyInterfaceLanguage();
    void SetupBranding();
    void SetupTraceLog();
    void CreateMainWindow();
    CString RunningAppCaption() const;
    void ProcessAsAdminSteps();
    void ShowFinishedInstallation(UINT nTextId, const wchar_t* pszArgument);
    CString ReplaceProductWord(const CString& text) const;
    bool IsPartner(const wchar_t* pszPartnerId) const;

    CSystemWideFlag m_instanceFlag;
    CString m_strRestartReason;
    CString m_strProgramFolder;
    CString m_strExtractFolder;
    CString m_strRestartCopyFolder;
    DWORD m_dwParentPid = 0;
    int m_nProductView = -1;
    CString m_strSettingsPath;
    IUpdateDLL* m_pUpdate = nullptr;
    QMConfig* m_pConfig = nullptr;
    std::unique_ptr<CQMModule> m_pModule;
    // Descriptors replaced at re-rooting: refresh_rt keeps their addresses, so they live as long
    // as the application object.
    std::vector<std::unique_ptr<CQMModule>> m_retiredModules;
    int m_nExitCode = ORU_EXIT_PC_SUCCEEDED;
    // Set while a USB installation runs: a crash then reports the USB failure.
    bool m_bUSBInstallationRunning = false;
    LANGID m_interfaceLanguage = 0;
    BOOL m_bQuickMode = TRUE;
    BOOL m_bDotNet20 = FALSE, m_bDotNet30 = FALSE, m_bDotNet35 = FALSE, m_bDotNet40 = FALSE;
    BOOL m_bDotNetPresent = FALSE;
    CDynBitmap m_headerBitmap;
    CDynBitmap m_watermarkBitmap;
    CString m_strAppTitle;
    CCriticalSection m_downloadPageLock;
    CCriticalSection m_msiPageLock;
    CScopedWindow m_mainWindow;
    std::unique_ptr<CRegistryKeyMap> m_pRegistryKeyMap;
    std::unique_ptr<IUsageStatistics> m_pUsageStatistics;
    CString m_strRunId;

    // Wizard choices, restored from the registry on a restart.
    CString m_strInstallFolder;
    BOOL m_bIntegrateMusicLib = FALSE;
    BOOL m_bCommonMusicFolder = TRUE;
    BOOL m_bNoMusicFolder = FALSE;
    BOOL m_bCustomMusicFolderChosen = FALSE;
    CString m_strCustomMusicFolder;
    BOOL m_bDownloadEncoder = TRUE;
    BOOL m_bSendUsageStats = TRUE;
    BOOL m_bImportSettings = TRUE;

    bool m_bSilent = false;
    BOOL m_bForceDotNet = FALSE;
    BOOL m_bPostInstallFilesWritten = FALSE;
    bool m_bUpdateMode = false;
    bool m_bSingleInstanceChecked = false;
    bool m_bInstanceFlagHeld = false;
};

CoruApp& GetOruApp();
