#pragma once
// The controller's application object: start-up, the self-update hand-over, the start checks
// and the exit code.

#include "IStepPages.h"

#include "classlib/Handles.h"
#include "classlib/Sync.h"
#include "classlib/WinApp.h"
#include "support/DynBitmap.h"
#include "support/SystemWideFlag.h"
#include "wizard/ProgressPageInterfaces.h"
#include "wizard/ProgressPumps.h"
#include "workers/IInstanceFlagOwner.h"
#include "workers/IUSBInstallerListener.h"

#include <functional>
#include <memory>
#include <vector>

class QMConfig;
class CQMModule;
class IUpdateDLL;
class IUsageStatistics;
class CRegistryKeyMap;
class COruProcess;
class ICheckInternet;
class IHttpDownloader;
class IProcessExecuter;
class IHiddenVantolinStarter;
class IPatchQMConfig;
class IStepFunctions;
class CDownloadProgressDlg;
class IHttpDownloadProgress;
class CDialog;
class CMsiProgressDlg;
// One installation phase's page set-up (PhaseHandlers.cpp).
struct COruPhase;

// What the progress pages and their pumps reach of the run's step engine; without an engine
// (between runs) it answers that no step runs.
class CProgressPageLink : public IProgressPageEngine
{
public:
    void SetEngine(COruProcess* pEngine) { m_pEngine = pEngine; }
    COruProcess* GetEngine() const { return m_pEngine; }
    void SetProgressWindow(HWND hWnd) override;
    void StopForCancel() override;
    int GetNextStep(bool bPrintDots);

private:
    COruProcess* m_pEngine = nullptr;
};

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

// The exit code of a run from the engine's flags; later rules override earlier ones.
int ComputeExitCode(bool bPCInstallation, bool bSuccess, bool bCancelled, bool bInstallerCancelled,
                    bool bAnotherInstallRunning);
// The statistics' return code: +10 when the product never reported it was ready, +20 after a
// confirmed restart.
int ComputeInstallationReturnCode(int nExitCode, bool bProductReady, bool bRestartConfirmed);

// The service objects of one run. The program builds the real ones; a null service is one whose
// implementation has not been built into this program.
struct CRunServices
{
    ICheckInternet* pCheckInternet = nullptr;
    IHttpDownloader* pDownloader = nullptr;
    IProcessExecuter* pProcessExecuter = nullptr;
    IHiddenVantolinStarter* pProductStarter = nullptr;
    IPatchQMConfig* pPatchConfig = nullptr;
    // Null: the engine's own step functions.
    IStepFunctions* pStepFunctions = nullptr;
};

// The pages' seam: every page a step shows goes through it. The application's own shows each
// page modally; a test answers them without windows (the page objects are built all the same,
// so their outputs are those they hold after construction).
class IWizardPages
{
public:
    virtual ~IWizardPages() {}
    // The step's page: 1 (Next, Install, OK), 1017 (Back, or Retry on the Internet page), 2 (a
    // confirmed cancel) or -1 (the page could not be created).
    virtual INT_PTR ShowPage(int nStep, CDialog& page) = 0;
    // The finish page that ends the run, with its message.
    virtual INT_PTR ShowFinishPage(CDialog& page, const CString& text) = 0;
};

class CoruApp : public CWinApp,
                public IInstanceFlagOwner,
                private IStepPages,
                private IUSBInstallerListener,
                private IProgressTimerListener
{
public:
    CoruApp();
    ~CoruApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // A crash is a failed run (1, or 6 for a USB installation), never a cancel.
    int OnUnhandledException(const wchar_t* pszWhat) override;

    void InitializeKernelComponents();
    // Reads the package's generation and version from the extraction folder (the engine's when
    // given) and re-roots the configuration store and the engine on them.
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

    // One run from the first step to the end, with these services.
    void RunAdminSteps(const CRunServices& services);
    // Null: the application's own pages.
    void SetWizardPages(IWizardPages* pPages) { m_pWizardPages = pPages; }
    // Null: the system media player counts the library.
    void SetMusicCollectionCounter(std::function<bool(int&, int&, int&)> count) { m_countMusicCollection = std::move(count); }
    void FinishedInstallation(COruProcess* pProcess);
    // The download progress page, created on first use with the engine and the downloader's
    // progress (its window is its user's to create); null when it cannot be created.
    CDownloadProgressDlg* GetDownloadProgressDialog(COruProcess* pProcess, IHttpDownloadProgress* pDownloadProgress);

    // The two progress pages: made on first use, one of each kind. Null when it cannot be made.
    CMsiProgressDlg* GetMsiProgressDialog();
    // With an engine, its workers stop addressing the page's window first. Closing a page that
    // does not exist does nothing.
    void CloseMsiProgressDialog(COruProcess* pProcess);
    void CloseDownloadProgressDialog(COruProcess* pProcess);
    // The download page is built by its step; the application keeps and closes it.
    // The step-driven pump and the plain page pump (ProgressPumps.h) with the run's silent flag.
    bool RunModelessProgress(COruProcess* pProcess, CDialog* pPage, bool bRunStep, bool bPostTicks);
    void RunPagePump(CDialog* pPage);

private:
    friend struct CoruAppProbe;

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
    // The step's handler of the step table, or the engine's run of the step.
    bool HandleStep(CStepRun& run);
    void SendEvent(const wchar_t* pszEvent, const wchar_t* pszKey = nullptr, const wchar_t* pszValue = nullptr);
    void EndOfRun(COruProcess* pProcess, const CRunServices& services, const CString& order, bool bRestartConfirmed);
    void RemoveExtractionFolder(COruProcess* pProcess);
    // Removes the folder unless it holds the setup, or the run neither made it nor finds it an
    // elevated run's own.
    void RemoveRunFolder(const CString& folder, bool bMadeByRun);
    void DeleteRestartEntries();
    void ShowFinishedInstallation(UINT nTextId, const wchar_t* pszArgument);
    // The finish page (dialog 109); a box with the message when the page cannot be created.
    void ShowFinishPage(const CString& text, bool bSucceeded, bool bPCInstallation, bool bProductReady,
                        bool bRestartNeeded);

    // The handlers of the step table.
    bool OnAdvertisePage(CStepRun& run) override;
    bool OnLanguagePage(CStepRun& run) override;
    bool OnMusicLibraryPage(CStepRun& run) override;
    bool OnInternetCheck(CStepRun& run) override;
    bool OnUpdateOfferPage(CStepRun& run) override;
    bool OnInstallerDownload(CStepRun& run) override;
    bool OnDotNetDownload(CStepRun& run) override;
    bool OnUnpackInstaller(CStepRun& run) override;
    bool OnSelfUpdateOrExtract(CStepRun& run) override;
    bool OnSingleInstanceCheck(CStepRun& run) override;
    bool OnInstallationTypePage(CStepRun& run) override;
    bool OnInstallationFolderPage(CStepRun& run) override;
    bool OnInstallOptionsPage(CStepRun& run) override;
    bool OnDotNetInstallation(CStepRun& run) override;
    bool OnDotNetCheck(CStepRun& run) override;
    bool OnVCRedistInstallation(CStepRun& run) override;
    bool OnPCInstallation(CStepRun& run) override;
    bool OnPostInstallation(CStepRun& run) override;
    bool OnHiddenStartProduct(CStepRun& run) override;
    bool OnUSBInstallation(CStepRun& run) override;
    bool OnPrepareRestart(CStepRun& run) override;
    bool OnConfirmRestart(CStepRun& run) override;

    // Told by the USB copy worker on its thread: everything goes to the page as posted messages.
    void OnNotEnoughSpace(int nMissingMB) override;
    void OnCopyStart(DWORD dwTotalLow, DWORD dwTotalHigh) override;
    void OnCopyFile(const wchar_t* pszSource, const wchar_t* pszTarget, DWORD dwFileSize, DWORD dwCopyTotal) override;
    void OnDeleteFile(const wchar_t* pszPath, DWORD dwFileSize, DWORD dwDeleteTotal) override;
    void OnUSBInstallationFinished(bool bSuccess) override;
    // The installation page's timer (UI thread): the end of the phase once the engine is no longer
    // busy, and the product's state while it starts hidden.
    void OnProgressTimer(CMsiProgressDlg* pPage) override;
    HWND MsiProgressWindow();

    // Texts, percent window and buttons of the phase on the page, its window made when missing.
    CMsiProgressDlg* PreparePhasePage(const COruPhase& phase, IProgressTimerListener* pListener);
    // The page's window under the main window; false (the step counts as not started) when it
    // cannot be created.
    bool CreatePhaseWindow(CMsiProgressDlg* pPage, const COruPhase& phase);
    // The step could not be started: a box the user sees even in a silent run, the page aborted.
    void AbortPhase(CMsiProgressDlg* pPage, const COruPhase& phase, bool bShowSilent);
    // The page's flags after its pump: false when cancelled or aborted.
    bool PhaseResult(CMsiProgressDlg* pPage, const COruPhase& phase);
    bool RunPhasePage(COruProcess* pProcess, const COruPhase& phase);
    bool WritePostInstallationFiles();

    // The wizard's pages (WizardSteps.cpp) and phases (PhaseHandlers.cpp).
    IWizardPages& Pages();
    // One wait of every busy loop: up to 100 ms, ended at once by a message to this thread, which
    // is answered.
    static void WaitAnsweringMessages();
    void WaitWhileBusy(COruProcess* pProcess);
    // The waiting page (dialog 135, no button) while the engine is busy, the step first started
    // when asked; false when it could not be started. Without a page the wait goes on unseen.
    bool RunWatchDogPage(COruProcess* pProcess, const wchar_t* pszOperation, const CString& subHeading,
                         const CString& text, bool bRunStep, bool bCompact);
    bool ShowAdvertisePage(COruProcess* pProcess);
    bool ChooseLanguage(COruProcess* pProcess, CString& rLanguageCode, BOOL& rQuickMode);
    bool ChooseMusicLibraryOptions(COruProcess* pProcess, BOOL* pIntegrateMusicLib, BOOL* pCommonMusicFolder,
                                   BOOL* pNoMusicFolder, BOOL* pCustomMusicFolderChosen, CString* pCustomMusicFolder);
    // False when the check could not be started.
    bool WaitForInternetCheck(COruProcess* pProcess);
    bool AskAboutMissingInternet(COruProcess* pProcess);
    bool ChooseUpdateDownload(COruProcess* pProcess);
    bool DownloadInstallerOrDotNet(COruProcess* pProcess, IHttpDownloader* pDownloader, bool bInstaller);
    bool ChooseInstallationType(COruProcess* pProcess);
    bool ChooseInstallationFolder(COruProcess* pProcess, CString& rInstallFolder);
    bool ChooseInstallOptions(COruProcess* pProcess, BOOL& rDownloadEncoder, BOOL& rSendUsageStats,
                              BOOL& rImportSettings);
    bool WaitForDotNetCheck(COruProcess* pProcess);
    bool InformAboutRestart();
    bool DotNetFrameworkInstallation(COruProcess* pProcess);
    bool VCRedistInstallation(COruProcess* pProcess);
    bool PCInstallationProgress(COruProcess* pProcess);
    bool PostInstallationStepProgress(COruProcess* pProcess);
    bool HiddenStartProduct(COruProcess* pProcess, IHiddenVantolinStarter* pProductStarter);
    bool USBInstallationProgress(COruProcess* pProcess);
    bool PrepareRestartInstallation(COruProcess* pProcess);
    void ExtractSelfUpdateOrArchive(COruProcess* pProcess);
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
    std::unique_ptr<CDownloadProgressDlg> m_pDownloadProgressDlg;
    CCriticalSection m_msiPageLock;
    std::unique_ptr<CMsiProgressDlg> m_pMsiProgressDlg;
    CProgressPageLink m_pageLink;
    // The product starter while the product starts hidden: its state texts go to the page.
    IHiddenVantolinStarter* m_pProductStateSource = nullptr;
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

    // The run's language code (step 3) and whether step 40 wrote the restart entries.
    CString m_strLanguageCode;
    bool m_bRestartEntriesWritten = false;
    // Set by a page or phase whose step could not be started: its false fails the run instead
    // of cancelling it.
    bool m_bStepNotStarted = false;
    // Start-up refused the unpacked package: the run fails from its first step.
    bool m_bPackageRefused = false;
    // The language page's first pass sent "ORU_START"; Back to it sends no second one.
    bool m_bStartEventSent = false;
    IWizardPages* m_pWizardPages = nullptr;
    std::function<bool(int&, int&, int&)> m_countMusicCollection;
};

CoruApp& GetOruApp();
