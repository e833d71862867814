#pragma once
// The step engine: the numbered steps of one run, the worker each step starts, and the choice
// of the next step from the last step's outcome, each by the step's row of the step table
// (OruSteps.h).
//
// One recursive lock guards the whole state. During the post-installation phase a worker thread
// drives the engine while the UI thread polls it, so no code holding the lock waits for a thread
// that may want the lock or send to the waiting thread's windows.

#include "OruSteps.h"
#include "classlib/Handles.h"
#include "classlib/String.h"
#include "classlib/Sync.h"
#include "wizard/WatchedStepEngine.h"
#include "workers/IPostInstallEngine.h"
#include "workers/PostInstallationStepData.h"

#include <memory>

class ICheckInternet;
class IPatchQMConfig;
class IUpdateDLL;
class IProcessExecuter;
class IWorkerListener;
class IUSBInstallerListener;
class IHttpDownloader;
class IHiddenVantolinStarter;
class IUsageStatistics;
class CRegistryKeyMap;
class COruProcess;
class CDownloadInstallerFromThread;
class CStartProcessFromThread;
class CCheckDisabledDotNetFromThread;
class CCheckInternetConnectionFromThread;
class CCopyFoldersFromThread;
class CPostInstallStepsThread;
class CCopyUSBInstallationFromThread;
class CCheckedFile;

// Where RunNextStep reaches the step functions; tests script the steps through it.
class IStepFunctions
{
public:
    virtual ~IStepFunctions() {}
    // Runs the function of the step (called with the engine's lock held); its result is the step's.
    virtual bool RunStep(COruProcess& engine, int nStep) = 0;
};

// The times the engine waits (the hidden start for the product, the self-update for the
// self-extractor) are read through this seam; null restores the system's tick count.
typedef DWORD (*OruTickCount)();
void SetOruTickCount(OruTickCount pfnTickCount);
DWORD GetOruTickCount();

class COruProcess : public IPostInstallEngine, public IWatchedStepEngine
{
public:
    // The application's nine wizard choices, by address.
    COruProcess(CString* pInstallFolder, BOOL* pIntegrateMusicLib, BOOL* pCommonMusicFolder, BOOL* pNoMusicFolder,
                BOOL* pCustomMusicFolderChosen, CString* pCustomMusicFolder, BOOL* pDownloadLame,
                BOOL* pSendUsageStatistics, BOOL* pImportOldSettings);
    ~COruProcess();
    COruProcess(const COruProcess&) = delete;
    COruProcess& operator=(const COruProcess&) = delete;

    bool Init(const wchar_t* pszOruIni, ICheckInternet* pCheckInternet, IPatchQMConfig* pPatchConfig,
              IUpdateDLL* pUpdateAvailable, IProcessExecuter* pProcessExecuter, IWorkerListener* pWorkerListener,
              IUSBInstallerListener* pUSBListener, const wchar_t* pszOruProcessDir, const wchar_t* pszExtractSFXDir,
              const wchar_t* pszCopyForRestartDir, IHttpDownloader* pHttpDownloader, const wchar_t* pszProcessParam,
              const wchar_t* pszMSILogDir, BOOL bDotNet20, BOOL bDotNet30, BOOL bDotNet35, BOOL bDotNet40,
              BOOL bDotNetInstalled, CRegistryKeyMap* pRegistryKeys, IHiddenVantolinStarter* pProductStarter,
              LANGID language, BOOL bQuickMode, BOOL bForceDotNet, IUsageStatistics* pStatistics);
    // The generation is not handed over: the settings hold it for the whole run
    // (COruSettings), and the steps ask them.
    bool ReadProductKey(const wchar_t* pszVersion = nullptr);

    int GetNextStep(bool bPrintDots) override;
    int RunNextStep() override;
    int Stop(bool bWait);
    // Waits until the program the start-process worker runs has ended, handling the messages
    // other threads send to this thread's windows meanwhile.
    void WaitForProcessEnd();

    // Page hooks.
    void OnAdvertiseAccepted();
    void SetLanguage(LANGID language, BOOL bQuickMode);
    bool ContinueOffline();
    void SetUpdateChoice(bool bDownload);
    void SetInstallationType(bool bPCInstallation, const wchar_t* pszUSBRoot, const wchar_t* pszUSBFolder);
    // Page navigation (Back): the installation type, the installation folder, the language.
    void GoToStep16();
    void GoToStep17();
    void GoToStep3();
    void SetStartProduct(bool bStart);
    void SetView(int nView);
    int GetPostInstallationSteps(int* pIndex) override;
    CString GetLaunchCommand();
    // Where the USB copy left the earlier portable installation's data when it could not put it
    // back in place; empty when nothing is left elsewhere.
    CString GetUSBKeptDataFolder();
    LANGID GetLanguage();
    bool IsArchivePresent();
    bool IsInternetWorking();
    bool NeedsDotNetCheck();

    // The state the application reads and sets around the steps.
    bool IsCancelled();
    // A page or phase answered cancel: the loop ends before the next step.
    void Cancel();
    // Something the run depends on failed outside a step: no success, on to the clean-up (30).
    void MarkFailed();
    bool IsSuccess();
    bool IsPCInstallation();
    bool IsInstallerCancelled();
    bool IsAnotherInstallRunning();
    bool IsProductReady();
    bool IsDriverRebootPending();
    // The product's package was installed by this run and no uninstaller has removed it since.
    bool IsPackageInstalled();
    bool IsNewerOruAvailable();
    bool IsRepeatDotNetStep();
    bool IsVCRedistRestart();
    bool IsDotNetRestart();
    bool IsRestartRequired();
    bool IsQuickMode();
    int GetCurrentStep();
    HWND GetProgressWnd() override;
    void SetProgressWnd(HWND hWnd) override;
    CString GetExtractSFXDir();
    // True when this run made the extraction folder (step 14), so it may remove it.
    bool IsExtractFolderMadeByRun();
    CString GetOruProcessDir();

    // Launchers: every program a step runs goes through the start-process worker. With
    // pHeldFile (the command's file, held against writes) the worker keeps it until the end.
    bool LaunchProcess_VerifyKey(const wchar_t* pszCommand, const wchar_t* pszParams, bool bCheckReturnCode,
                                 HKEY hSuccessRoot, const wchar_t* pszSuccessKey, const wchar_t* pszSuccessValue,
                                 CScopedFileHandle* pHeldFile = nullptr);
    bool LaunchMsiInstall_VerifyKey(const wchar_t* pszPackage, const wchar_t* pszParams, HWND hProgressWnd,
                                    HKEY hSuccessRoot, const wchar_t* pszSuccessKey, const wchar_t* pszSuccessValue);
    bool LaunchProcess(const wchar_t* pszCommand, const wchar_t* pszParams, bool bCheckReturnCode);
    bool LaunchMsiInstall(const wchar_t* pszPackage, const wchar_t* pszParams, HWND hProgressWnd);

    bool StartCleanupProgram();
    // Starts the worker that runs the post-installation commands (made on first use); false when
    // it cannot start.
    bool StartPostInstallationSteps();
    // True once the worker has run through the list (or was never started).
    bool IsPostInstallationFinished();

    // Null: the engine's own step functions.
    void SetStepFunctions(IStepFunctions* pStepFunctions);
    // The engine's own function of the step (its row's); false for a step without one.
    bool RunStepFunction(int nStep);

    // Shared with the step functions, which run under the lock.
    CCriticalSection& GetLock() { return m_lock; }

private:
    friend struct COruProcessProbe;

    // The step table names the private functions of its rows.
    friend const COruStepRow* GetOruStepRows(size_t& rCount);

    int DecideNextStep(bool bPrintDots);
    void MarkInstallerCancelled();
    void FailRun(const wchar_t* pszReason);
    bool IsContinuation() const { return m_bVCRedistRestart || m_bDotNetRestart; }

    // After-run rules of the step table.
    void CountDownloadStart(bool bResult);
    void RepeatDotNetStep(bool bResult);
    void KeepFailure(bool bResult);
    void RepeatWhileCommandsLeft(bool bResult);
    void BeginProductWait(bool bResult);
    // Outcome readers of the step table: false while the step's worker (or the product) is busy.
    bool ReadProgramOutcome(bool bPrintDots, CProgramOutcome& rProgram);
    bool ReadSelfUpdateOutcome(bool bPrintDots, CProgramOutcome& rProgram);
    bool ReadDownloadOutcome(bool bPrintDots, CProgramOutcome& rProgram);
    bool ReadUSBCopyOutcome(bool bPrintDots, CProgramOutcome& rProgram);
    bool ReadDotNetCheckOutcome(bool bPrintDots, CProgramOutcome& rProgram);
    bool ReadInternetCheckOutcome(bool bPrintDots, CProgramOutcome& rProgram);
    bool ReadFolderCopyOutcome(bool bPrintDots, CProgramOutcome& rProgram);
    bool ReadProductOutcome(bool bPrintDots, CProgramOutcome& rProgram);
    void ReadProductState(int& rBusy);
    // Rules of the step table: what an outcome decides.
    void ReadConfigRule(const CProgramOutcome& program);
    void UnpackInstallerRule(const CProgramOutcome& program);
    void SelfUpdateRule(const CProgramOutcome& program);
    void DotNetDecisionRule(const CProgramOutcome& program);
    void DotNetInstallerRule(const CProgramOutcome& program);
    void VCRedistTestRule(const CProgramOutcome& program);
    void InstallerCancelRule(const CProgramOutcome& program);
    void VCRedistTestAfterRule(const CProgramOutcome& program);
    void PCInstallationRule(const CProgramOutcome& program);
    void PostInstallationRule(const CProgramOutcome& program);
    void CleanUpRule(const CProgramOutcome& program);
    void UninstallerRule(const CProgramOutcome& program);

    // Step functions (the step table's names).
    bool Step_ReadConfig();
    // A continuation's package: its version becomes the engine's, its generation the run's; a
    // generation that cannot name a folder fails the run.
    void TakePackageProperties(const CString& package);
    bool Step_CleanRegistry();
    bool Step_CheckForWorkingInternetConnection();
    bool Step_UpdateRequest();
    bool Step_DownloadInstaller();
    bool Step_DownloadOru();
    bool Step_UnpackInstaller();
    bool Step_SelfUpdateOrExtract();
    // Makes the extraction folder anew, or a fresh one beside it (strExtractSFXDir then names it).
    bool Step_InstallDotNetFramework();
    bool Step_CheckForDisabledDotNet();
    bool Step_VCRedistTestBeforeInstall();
    bool Step_InstallVCRedistributable();
    bool VCRedistTestAfterInstall();
    bool Step_InstallVCRedistributable64();
    bool Step_LaunchPCInstallation();
    bool Step_AdaptRegistryForPCInstallation();
    bool Step_PostInstallationStep(int* pStepsLeft);
    bool Step_VerifyIfRequiresRestart();
    bool Step_PostInstallCleanRegistry();
    bool Step_HiddenStartProduct();
    bool Step_StartProduct();
    bool Step_LaunchUSBInstallation();
    bool Step_AdaptFilesForUSBInstallation();
    bool Step_USBSetupCloser();
    bool Step_LaunchUninstaller();
    bool Step_PrepareRestartInstallation();
    // The rows' forms of the two steps that do not fit a plain step function.
    bool RunPostInstallationStep();
    bool DownloadDotNetOnPage();
    bool RefreshPostInstallationSteps(bool* pLoaded);
    bool StartDownload(bool bInstaller);
    // Unpacks the checked file into the folder, waits for it and deletes it (the hold ends once
    // the extractor has started). False (after the level-10 line) when the extractor still runs
    // after ten minutes: it is left running and the file stays.
    bool RunSelfExtractor(CCheckedFile& rFile, const CString& folder);
    // Steps 14 and 13: the self-update from the downloaded controller, and the setup archive or
    // the unpacked archive folder beside the program, each checked before anything of it runs.
    enum ESelfUpdate
    {
        SelfUpdateHandedOver, // the newer controller runs on
        SelfUpdateNotStarted, // it did not start: the run goes on with the archive
        SelfUpdateFailed      // a file failed its check, or the extractor hangs: the run fails
    };
    ESelfUpdate RunSelfUpdate();
    bool CopyUnpackedArchive(const CString& source);
    // A new folder of this run inside the extraction folder, which is made the run's own first
    // (never one that holds the setup itself); with a trailing backslash.
    bool PrepareExtractionFolder(const wchar_t* pszStep, CString& rFolder);
    // Waits for the process outside the lock, answering this thread's messages, at most the
    // extractor's limit; false when it still runs. The lock must be held once, as RunNextStep does.
    bool WaitForSelfExtractor(HANDLE hProcess);
    void PostPageText(int nControlId, const CString& text);
    void ReportPostInstallationTime();
    // The USB folder joined with the portable folder's name (no trailing backslash).
    CString GetPortableFolder() const;

    CString strOruProcessDir;
    CString strExtractSFXDir;
    CString strCopyForRestartDir;
    CString strMSILogDir;
    int m_CurrentStep = 0;
    int m_nForcedNextStep = -1;
    CString m_strProductKey;
    HKEY m_hProductKeyRoot = nullptr;
    CString strOruIni;
    BOOL m_bInternetIsWorking = FALSE;
    BOOL m_bContinueOffline = FALSE;
    CString m_strAffiliateId;
    CString m_strPartnerId;
    CString m_strProductVersion;
    BOOL m_bNewerOruAvailable = FALSE;
    BOOL m_bUpdateOffered = FALSE;
    CString m_strOruUpdateFile;
    CString m_strArchiveFile;
    int m_nDownloadAttempts = 0;
    BOOL m_bArchivePresent = FALSE;
    BOOL m_bPCInstallation = FALSE;
    CString m_strUSBRoot;
    CString m_strUSBFolder;
    LANGID m_nLanguage = 1033;
    BOOL m_bQuickMode = FALSE;
    BOOL m_bVCRedistRestart = FALSE, m_bDotNetRestart = FALSE, m_bUpdateReady = FALSE;
    BOOL m_bRestartOption = FALSE;
    BOOL m_bRestartRequired = FALSE;
    BOOL m_bForceDotNet = FALSE;
    BOOL m_bDotNet20 = FALSE, m_bDotNet30 = FALSE, m_bDotNet35 = FALSE, m_bDotNet40 = FALSE;
    BOOL m_bDotNetInstalled = FALSE;
    BOOL m_bRepeatDotNetStep = FALSE;
    BOOL m_bDotNetInstallRan = FALSE, m_bVCRedistInstallRan = FALSE;
    BOOL m_bSuccess = FALSE;
    BOOL m_bCancelled = FALSE;
    BOOL m_bInstallerCancelled = FALSE;
    BOOL m_bAnotherInstallRunning = FALSE;
    BOOL m_bStartProduct = FALSE;
    BOOL m_bProductReady = FALSE;
    CString m_strLaunchCommand;
    BOOL m_bDriverRebootPending = FALSE;
    BOOL m_bPackageInstalled = FALSE;
    BOOL m_bShowAdvertise = FALSE;
    BOOL m_bExtractionNeeded = TRUE;
    bool m_bExtractFolderMade = false;
    // A continuation whose extraction folder cannot be vouched for unpacks afresh (13, 14) and
    // then goes on at this step.
    bool m_bUnpackAfresh = false;
    int m_nResumeStep = -1;
    int m_nView = -1;
    CPostInstallationStepArray m_PostInstallationSteps;
    // One worker of each kind, made by the first step that needs it.
    std::unique_ptr<CDownloadInstallerFromThread> m_pDownloadThread;
    std::unique_ptr<CStartProcessFromThread> m_pStartProcessThread;
    std::unique_ptr<CCheckDisabledDotNetFromThread> m_pDotNetCheckThread;
    std::unique_ptr<CCheckInternetConnectionFromThread> m_pInternetCheckThread;
    std::unique_ptr<CCopyFoldersFromThread> m_pCopyFoldersThread;
    std::unique_ptr<CPostInstallStepsThread> m_pPostInstallThread;
    std::unique_ptr<CCopyUSBInstallationFromThread> m_pUSBCopyThread;
    ICheckInternet* m_pCheckInternet = nullptr;
    IUpdateDLL* m_pUpdateAvailable = nullptr;
    IProcessExecuter* m_pProcessExecuter = nullptr;
    IWorkerListener* m_pWorkerListener = nullptr;
    IUSBInstallerListener* m_pUSBListener = nullptr;
    IHttpDownloader* m_pHttpDownloader = nullptr;
    IHiddenVantolinStarter* m_pProductStarter = nullptr;
    IPatchQMConfig* m_pPatchConfig = nullptr;
    CRegistryKeyMap* m_pRegistryKeys = nullptr;
    HWND m_hProgressWnd = nullptr;
    CString* m_pInstallFolder;
    BOOL* m_pIntegrateMusicLib;
    BOOL* m_pCommonMusicFolder;
    BOOL* m_pNoMusicFolder;
    BOOL* m_pCustomMusicFolderChosen;
    CString* m_pCustomMusicFolder;
    BOOL* m_pDownloadLame;
    BOOL* m_pSendUsageStatistics;
    BOOL* m_pImportOldSettings;
    IUsageStatistics* m_pStatistics = nullptr;

    // The step function of the current step returned false without starting its worker: the
    // outcome is read as a failure at once instead of waiting for a worker that never ends.
    bool m_bStepStartFailed = false;
    // The check flag the last launch asked for (read with a start that failed).
    bool m_bLastCheckReturnCode = false;
    // When the hidden start began waiting for the product, and whether its outcome has been read.
    DWORD m_dwProductWaitStart = 0;
    bool m_bProductWaitStarted = false;
    bool m_bProductStateRead = false;
    IStepFunctions* m_pStepFunctions = nullptr;
    // The post-installation command that runs: its file name and start, reported once its end
    // is read.
    CString m_strPostStepFileName;
    DWORD m_dwPostStepStart = 0;
    bool m_bPostStepTimePending = false;
    CCriticalSection m_lock;
};
