#include "OruProcess.h"
#include "OruUtil.h"
#include "RegistryKeyMap.h"

#include "support/FileUtil.h"
#include "support/Language.h"
#include "support/TraceLog.h"
#include "support/WorkFolder.h"
#include "workers/CheckDisabledDotNetFromThread.h"
#include "workers/CheckInternetConnectionFromThread.h"
#include "workers/CopyFoldersFromThread.h"
#include "workers/DownloadInstallerFromThread.h"
#include "workers/IPatchQMConfig.h"
#include "workers/CopyUSBInstallationFromThread.h"
#include "workers/PostInstallStepsThread.h"
#include "workers/StartProcessFromThread.h"

COruProcess::COruProcess(CString* pInstallFolder, BOOL* pIntegrateMusicLib, BOOL* pCommonMusicFolder,
                         BOOL* pNoMusicFolder, BOOL* pCustomMusicFolderChosen, CString* pCustomMusicFolder,
                         BOOL* pDownloadLame, BOOL* pSendUsageStatistics, BOOL* pImportOldSettings)
    : m_pInstallFolder(pInstallFolder),
      m_pIntegrateMusicLib(pIntegrateMusicLib),
      m_pCommonMusicFolder(pCommonMusicFolder),
      m_pNoMusicFolder(pNoMusicFolder),
      m_pCustomMusicFolderChosen(pCustomMusicFolderChosen),
      m_pCustomMusicFolder(pCustomMusicFolder),
      m_pDownloadLame(pDownloadLame),
      m_pSendUsageStatistics(pSendUsageStatistics),
      m_pImportOldSettings(pImportOldSettings)
{
}

COruProcess::~COruProcess()
{
    // The post-installation worker drives this engine: it goes first, while everything it
    // calls still exists.
    m_pPostInstallThread.reset();
    Stop(true);
    // Each worker's destructor joins its thread, so nothing of this engine is used afterwards.
    m_pStartProcessThread.reset();
    m_pDownloadThread.reset();
    m_pDotNetCheckThread.reset();
    m_pInternetCheckThread.reset();
    m_pCopyFoldersThread.reset();
    m_pUSBCopyThread.reset();
}

bool COruProcess::Init(const wchar_t* pszOruIni, ICheckInternet* pCheckInternet, IPatchQMConfig* pPatchConfig,
                       IUpdateDLL* pUpdateAvailable, IProcessExecuter* pProcessExecuter, IWorkerListener* pWorkerListener,
                       IUSBInstallerListener* pUSBListener, const wchar_t* pszOruProcessDir,
                       const wchar_t* pszExtractSFXDir, const wchar_t* pszCopyForRestartDir,
                       IHttpDownloader* pHttpDownloader, const wchar_t* pszProcessParam, const wchar_t* pszMSILogDir,
                       BOOL bDotNet20, BOOL bDotNet30, BOOL bDotNet35, BOOL bDotNet40, BOOL bDotNetInstalled,
                       CRegistryKeyMap* pRegistryKeys, IHiddenVantolinStarter* pProductStarter, LANGID language,
                       BOOL bQuickMode, BOOL bForceDotNet, IUsageStatistics* pStatistics)
{
    CSingleLock lock(&m_lock, true);
    const CString processParam(pszProcessParam);
    Trace(TRACE_TRACE,
          L"COruProcess::Init strOruIni[%s] strOruProcessDir[%s] strExtractSFXDir[%s] strCopyForRestartDir[%s] "
          L"strProcessParam[%s] strMSILogDir[%s] bDotNetIsInstalled[%d]",
          pszOruIni, pszOruProcessDir, pszExtractSFXDir, pszCopyForRestartDir, processParam.GetString(), pszMSILogDir,
          bDotNet35 ? 1 : 0);

    m_bVCRedistRestart = processParam == L"VCRedistRestart";
    m_bDotNetRestart = processParam == L"DotNetRestart";
    m_bUpdateReady = processParam == L"UpdateReady";
    // The continuation is running: the RunOnce command that started it must not start it again.
    if ((m_bVCRedistRestart || m_bDotNetRestart) && pRegistryKeys)
        DeleteRegistryKey(*pRegistryKeys, REGKEY_PC_RESTART_INSTALLATION);

    m_CurrentStep = 0;
    m_nForcedNextStep = -1;
    strOruIni = pszOruIni;
    m_pCheckInternet = pCheckInternet;
    m_pPatchConfig = pPatchConfig;
    m_pUpdateAvailable = pUpdateAvailable;
    m_pProcessExecuter = pProcessExecuter;
    m_pWorkerListener = pWorkerListener;
    m_pUSBListener = pUSBListener;
    strOruProcessDir = pszOruProcessDir;
    strExtractSFXDir = pszExtractSFXDir;
    strCopyForRestartDir = pszCopyForRestartDir;
    m_pHttpDownloader = pHttpDownloader;
    strMSILogDir = pszMSILogDir;
    m_bDotNet20 = bDotNet20;
    m_bDotNet30 = bDotNet30;
    m_bDotNet35 = bDotNet35;
    m_bDotNet40 = bDotNet40;
    m_bDotNetInstalled = bDotNetInstalled;
    m_pRegistryKeys = pRegistryKeys;
    m_pProductStarter = pProductStarter;
    m_bQuickMode = bQuickMode;
    m_bSuccess = TRUE;
    m_bCancelled = FALSE;
    m_bInstallerCancelled = FALSE;
    m_bAnotherInstallRunning = FALSE;
    m_bPCInstallation = TRUE;

    AppendBackslash(strOruProcessDir);
    AppendBackslash(strExtractSFXDir);
    AppendBackslash(strCopyForRestartDir);
    AppendBackslash(strMSILogDir);
    // The continuation runs the installers from the first run's extraction folder: only from
    // one the elevated run made. Any other is left as it is; the archive of the copy is
    // unpacked afresh.
    CString extractOwner;
    m_bUnpackAfresh = IsContinuation() && !IsTrustedWorkFolder(strExtractSFXDir, extractOwner);
    m_nResumeStep = -1;
    m_bExtractFolderMade = false;
    if (m_bUnpackAfresh)
        Trace(TRACE_WARNING, L"COruProcess::Init : the extraction folder [%s] is not the setup's own (%s%s), unpacking afresh",
              strExtractSFXDir.GetString(), extractOwner.IsEmpty() ? L"missing" : L"owned by ", extractOwner.GetString());
    if (!strMSILogDir.IsEmpty())
        CreateFolderTree(strMSILogDir, nullptr);

    if (language != 0)
        m_nLanguage = language;

    if (!ReadProductKey())
        return false;
    m_bForceDotNet = bForceDotNet;
    m_pStatistics = pStatistics;
    return true;
}

bool COruProcess::ReadProductKey(const wchar_t* pszVersion)
{
    CSingleLock lock(&m_lock, true);
    if (pszVersion && *pszVersion)
        m_strProductVersion = pszVersion;
    RegistryKey entry;
    if (!m_pRegistryKeys || !m_pRegistryKeys->Lookup(REGKEY_PC_ORU, entry))
    {
        Trace(TRACE_TRACE, L"Init PC_ORU not found!");
        return false;
    }
    m_hProductKeyRoot = entry.hRoot;
    m_strProductKey = entry.strKeyPath;
    return true;
}

int COruProcess::RunNextStep()
{
    CSingleLock lock(&m_lock, true);
    const int next = GetNextStep(true);
    const COruStepRow* pRow = FindOruStepRow(next);
    if (next == ORU_STEP_BUSY || next < ORU_STEP_READ_CONFIG || (pRow && pRow->bTakenByHook))
        return 0;
    m_CurrentStep = next;
    m_nForcedNextStep = -1;
    m_bStepStartFailed = false;
    m_bLastCheckReturnCode = false;

    const bool result = m_pStepFunctions ? m_pStepFunctions->RunStep(*this, next) : RunStepFunction(next);

    if (pRow)
    {
        if (!result && pRow->outcome)
            m_bStepStartFailed = true;
        if (pRow->afterRun)
            (this->*pRow->afterRun)(result);
    }
    return result ? 1 : 0;
}

bool COruProcess::RunStepFunction(int nStep)
{
    const COruStepRow* pRow = FindOruStepRow(nStep);
    return pRow && pRow->function && (this->*pRow->function)();
}

bool COruProcess::RunPostInstallationStep()
{
    int stepsLeft = 0;
    return Step_PostInstallationStep(&stepsLeft);
}

bool COruProcess::DownloadDotNetOnPage()
{
    // The application downloads the .NET installer on its page; the step reads that download.
    return true;
}

void COruProcess::CountDownloadStart(bool bResult)
{
    // A download that could not even start is one attempt of the three.
    if (!bResult)
        ++m_nDownloadAttempts;
}

void COruProcess::RepeatDotNetStep(bool)
{
    if (m_bRepeatDotNetStep)
        m_nForcedNextStep = ORU_STEP_INSTALL_DOTNET;
}

void COruProcess::KeepFailure(bool bResult)
{
    // A recorded failure stays: these steps only ever take success away.
    if (!bResult)
        m_bSuccess = FALSE;
}

void COruProcess::RepeatWhileCommandsLeft(bool)
{
    if (!m_PostInstallationSteps.empty())
        m_nForcedNextStep = ORU_STEP_POST_INSTALLATION;
}

void COruProcess::BeginProductWait(bool)
{
    m_bProductWaitStarted = false;
    m_bProductStateRead = false;
}

void COruProcess::SetStepFunctions(IStepFunctions* pStepFunctions)
{
    CSingleLock lock(&m_lock, true);
    m_pStepFunctions = pStepFunctions;
}

int COruProcess::Stop(bool bWait)
{
    CStartProcessFromThread* pStartProcess;
    CDownloadInstallerFromThread* pDownload;
    CCheckDisabledDotNetFromThread* pDotNetCheck;
    CCheckInternetConnectionFromThread* pInternetCheck;
    CCopyFoldersFromThread* pCopyFolders;
    CPostInstallStepsThread* pPostInstall;
    CCopyUSBInstallationFromThread* pUSBCopy;
    {
        CSingleLock lock(&m_lock, true);
        Trace(TRACE_TRACE, L"COruProcess::Stop, m_CurrentStep [%d]", m_CurrentStep);
        pPostInstall = m_pPostInstallThread.get();
        pUSBCopy = m_pUSBCopyThread.get();
        pStartProcess = m_pStartProcessThread.get();
        pDownload = m_pDownloadThread.get();
        pDotNetCheck = m_pDotNetCheckThread.get();
        pInternetCheck = m_pInternetCheckThread.get();
        pCopyFolders = m_pCopyFoldersThread.get();
    }
    // Without the lock: a worker that finishes may call back into the engine. The list's worker
    // first, so that it starts no further command.
    if (pPostInstall)
    {
        if (bWait)
            pPostInstall->Stop();
        else
            pPostInstall->Kill();
    }
    if (pStartProcess)
        pStartProcess->Stop(bWait);
    if (pDownload)
        pDownload->Stop();
    if (pDotNetCheck)
        pDotNetCheck->Stop();
    if (pInternetCheck)
        pInternetCheck->Stop();
    if (pCopyFolders)
        pCopyFolders->Stop();
    if (pUSBCopy)
        pUSBCopy->Stop();
    return 1;
}

bool COruProcess::StartPostInstallationSteps()
{
    CPostInstallStepsThread* pWorker;
    {
        CSingleLock lock(&m_lock, true);
        if (!m_pPostInstallThread)
            m_pPostInstallThread.reset(new CPostInstallStepsThread(this));
        pWorker = m_pPostInstallThread.get();
    }
    // Not under the lock: a start may wait for the end of the worker's previous thread.
    return pWorker->HandlePostInstallSteps() == 1;
}

bool COruProcess::IsPostInstallationFinished()
{
    CPostInstallStepsThread* pWorker;
    {
        CSingleLock lock(&m_lock, true);
        pWorker = m_pPostInstallThread.get();
    }
    return !pWorker || pWorker->IsFinished();
}

void COruProcess::WaitForProcessEnd()
{
    CStartProcessFromThread* pStartProcess;
    {
        CSingleLock lock(&m_lock, true);
        pStartProcess = m_pStartProcessThread.get();
    }
    if (pStartProcess)
        pStartProcess->WaitForEnd();
}

// Page hooks -------------------------------------------------------------------------------

void COruProcess::OnAdvertiseAccepted()
{
    CSingleLock lock(&m_lock, true);
    m_CurrentStep = ORU_STEP_ADVERTISE;
    m_nForcedNextStep = -1;
}

void COruProcess::SetLanguage(LANGID language, BOOL bQuickMode)
{
    CSingleLock lock(&m_lock, true);
    if (GetNextStep(true) != ORU_STEP_LANGUAGE)
        return;
    m_nLanguage = language;
    m_bQuickMode = bQuickMode;
    m_CurrentStep = ORU_STEP_LANGUAGE;
    m_nForcedNextStep = -1;
    CString code;
    if (m_pPatchConfig && LanguageSupport::MakeIsoCode(language, code))
        m_pPatchConfig->SetNewLanguage(code);
    Trace(TRACE_TRACE, L"UserChoosed language %d", static_cast<int>(language));
}

bool COruProcess::ContinueOffline()
{
    CSingleLock lock(&m_lock, true);
    if (GetNextStep(true) != ORU_STEP_INTERNET_CHECK || !m_bArchivePresent)
        return false;
    m_bContinueOffline = TRUE;
    m_nForcedNextStep = -1;
    return true;
}

void COruProcess::SetUpdateChoice(bool bDownload)
{
    CSingleLock lock(&m_lock, true);
    if (GetNextStep(true) != ORU_STEP_UPDATE_OFFER)
        return;
    m_nForcedNextStep = bDownload ? ORU_STEP_DOWNLOAD_INSTALLER
                                  : (m_bNewerOruAvailable ? ORU_STEP_DOWNLOAD_ORU
                                                          : (m_bDotNetInstalled ? ORU_STEP_UNPACK_INSTALLER
                                                                                : ORU_STEP_DOWNLOAD_DOTNET));
}

void COruProcess::SetInstallationType(bool bPCInstallation, const wchar_t* pszUSBRoot, const wchar_t* pszUSBFolder)
{
    CSingleLock lock(&m_lock, true);
    if (GetNextStep(true) != ORU_STEP_INSTALLATION_TYPE)
        return;
    m_bPCInstallation = bPCInstallation;
    m_nForcedNextStep = !bPCInstallation ? ORU_STEP_USB_INSTALLATION
                                         : (m_bQuickMode ? ORU_STEP_PC_INSTALLATION : ORU_STEP_INSTALLATION_FOLDER);
    m_strUSBRoot = pszUSBRoot;
    AppendBackslash(m_strUSBRoot);
    m_strUSBFolder = (pszUSBFolder && *pszUSBFolder) ? CString(pszUSBFolder) : m_strUSBRoot;
}

void COruProcess::GoToStep16()
{
    CSingleLock lock(&m_lock, true);
    m_nForcedNextStep = ORU_STEP_INSTALLATION_TYPE;
}

void COruProcess::GoToStep17()
{
    CSingleLock lock(&m_lock, true);
    m_nForcedNextStep = ORU_STEP_INSTALLATION_FOLDER;
}

void COruProcess::GoToStep3()
{
    CSingleLock lock(&m_lock, true);
    m_nForcedNextStep = ORU_STEP_LANGUAGE;
}

void COruProcess::SetStartProduct(bool bStart)
{
    CSingleLock lock(&m_lock, true);
    if (GetNextStep(true) != ORU_STEP_PC_END)
        return;
    m_bStartProduct = bStart;
    m_nForcedNextStep = ORU_STEP_START_PRODUCT;
}

void COruProcess::SetView(int nView)
{
    CSingleLock lock(&m_lock, true);
    m_nView = nView;
}

int COruProcess::GetPostInstallationSteps(int* pIndex)
{
    CSingleLock lock(&m_lock, true);
    if (GetNextStep(true) != ORU_STEP_POST_INSTALLATION)
        return 0;
    bool loaded = false;
    RefreshPostInstallationSteps(&loaded);
    const int count = static_cast<int>(m_PostInstallationSteps.size());
    if (pIndex)
        *pIndex = count;
    return count;
}

CString COruProcess::GetLaunchCommand()
{
    CSingleLock lock(&m_lock, true);
    if (m_strLaunchCommand.IsEmpty() && m_pRegistryKeys)
        GetRegStringValue(*m_pRegistryKeys, m_bPCInstallation ? REGKEY_LAUNCH : REGKEY_LAUNCH_USB, m_strLaunchCommand);
    return m_strLaunchCommand;
}

LANGID COruProcess::GetLanguage()
{
    CSingleLock lock(&m_lock, true);
    return m_nLanguage;
}

bool COruProcess::IsArchivePresent()
{
    CSingleLock lock(&m_lock, true);
    return m_bArchivePresent != FALSE;
}

bool COruProcess::IsInternetWorking()
{
    CSingleLock lock(&m_lock, true);
    return m_bInternetIsWorking != FALSE;
}

bool COruProcess::NeedsDotNetCheck()
{
    CSingleLock lock(&m_lock, true);
    if (m_bDotNet35 || m_bDotNet40)
        return false;
    return COruUtil::IsDotNetFrameworkDisabled(&m_bDotNet20, &m_bDotNet30, &m_bDotNet35, &m_bDotNet40);
}

// State read by the application -------------------------------------------------------------

#define ORU_LOCKED_FLAG(name, member)                                                                                  \
    bool COruProcess::name()                                                                                           \
    {                                                                                                                  \
        CSingleLock lock(&m_lock, true);                                                                               \
        return member != FALSE;                                                                                        \
    }
ORU_LOCKED_FLAG(IsCancelled, m_bCancelled)
ORU_LOCKED_FLAG(IsSuccess, m_bSuccess)
ORU_LOCKED_FLAG(IsPCInstallation, m_bPCInstallation)
ORU_LOCKED_FLAG(IsInstallerCancelled, m_bInstallerCancelled)
ORU_LOCKED_FLAG(IsAnotherInstallRunning, m_bAnotherInstallRunning)
ORU_LOCKED_FLAG(IsProductReady, m_bProductReady)
ORU_LOCKED_FLAG(IsDriverRebootPending, m_bDriverRebootPending)
ORU_LOCKED_FLAG(IsPackageInstalled, m_bPackageInstalled)
ORU_LOCKED_FLAG(IsNewerOruAvailable, m_bNewerOruAvailable)
ORU_LOCKED_FLAG(IsRepeatDotNetStep, m_bRepeatDotNetStep)
ORU_LOCKED_FLAG(IsVCRedistRestart, m_bVCRedistRestart)
ORU_LOCKED_FLAG(IsDotNetRestart, m_bDotNetRestart)
ORU_LOCKED_FLAG(IsRestartRequired, m_bRestartRequired)
ORU_LOCKED_FLAG(IsQuickMode, m_bQuickMode)
#undef ORU_LOCKED_FLAG

void COruProcess::Cancel()
{
    CSingleLock lock(&m_lock, true);
    m_bCancelled = TRUE;
}

void COruProcess::MarkFailed()
{
    CSingleLock lock(&m_lock, true);
    m_bSuccess = FALSE;
    m_nForcedNextStep = ORU_STEP_CLEAN_UP;
}

int COruProcess::GetCurrentStep()
{
    CSingleLock lock(&m_lock, true);
    return m_CurrentStep;
}

HWND COruProcess::GetProgressWnd()
{
    CSingleLock lock(&m_lock, true);
    return m_hProgressWnd;
}

void COruProcess::SetProgressWnd(HWND hWnd)
{
    CSingleLock lock(&m_lock, true);
    m_hProgressWnd = hWnd;
}

CString COruProcess::GetExtractSFXDir()
{
    CSingleLock lock(&m_lock, true);
    return strExtractSFXDir;
}

bool COruProcess::IsExtractFolderMadeByRun()
{
    CSingleLock lock(&m_lock, true);
    return m_bExtractFolderMade;
}

CString COruProcess::GetOruProcessDir()
{
    CSingleLock lock(&m_lock, true);
    return strOruProcessDir;
}

// Launchers --------------------------------------------------------------------------------

bool COruProcess::LaunchProcess_VerifyKey(const wchar_t* pszCommand, const wchar_t* pszParams, bool bCheckReturnCode,
                                          HKEY hSuccessRoot, const wchar_t* pszSuccessKey,
                                          const wchar_t* pszSuccessValue, CScopedFileHandle* pHeldFile)
{
    CSingleLock lock(&m_lock, true);
    try
    {
        m_bLastCheckReturnCode = bCheckReturnCode;
        if (!m_pProcessExecuter || !pszCommand || !*pszCommand)
            return false;
        if (!m_pStartProcessThread)
            m_pStartProcessThread.reset(new CStartProcessFromThread(m_pProcessExecuter, m_pWorkerListener));
        return m_pStartProcessThread->Start(pszCommand, pszParams ? pszParams : L"", true, bCheckReturnCode,
                                            hSuccessRoot, pszSuccessKey ? pszSuccessKey : L"",
                                            pszSuccessValue ? pszSuccessValue : L"", pHeldFile) != 0;
    }
    catch (...)
    {
        Trace(TRACE_TRACE, L"ERROR: Exception in COruProcess::LaunchProcess_VerifyKey !");
        return false;
    }
}

bool COruProcess::LaunchMsiInstall_VerifyKey(const wchar_t* pszPackage, const wchar_t* pszParams, HWND hProgressWnd,
                                             HKEY hSuccessRoot, const wchar_t* pszSuccessKey,
                                             const wchar_t* pszSuccessValue)
{
    CSingleLock lock(&m_lock, true);
    try
    {
        // An installer run always checks its result.
        m_bLastCheckReturnCode = true;
        if (!m_pProcessExecuter || !pszPackage || !*pszPackage)
            return false;
        if (!m_pStartProcessThread)
            m_pStartProcessThread.reset(new CStartProcessFromThread(m_pProcessExecuter, m_pWorkerListener));
        return m_pStartProcessThread->StartInstaller(pszPackage, pszParams ? pszParams : L"", true, hProgressWnd,
                                                     hSuccessRoot, pszSuccessKey ? pszSuccessKey : L"",
                                                     pszSuccessValue ? pszSuccessValue : L"") != 0;
    }
    catch (...)
    {
        Trace(TRACE_TRACE, L"ERROR: Exception in COruProcess::LaunchMsiInstall_VerifyKey !");
        return false;
    }
}

bool COruProcess::LaunchProcess(const wchar_t* pszCommand, const wchar_t* pszParams, bool bCheckReturnCode)
{
    return LaunchProcess_VerifyKey(pszCommand, pszParams, bCheckReturnCode, nullptr, L"", L"");
}

bool COruProcess::LaunchMsiInstall(const wchar_t* pszPackage, const wchar_t* pszParams, HWND hProgressWnd)
{
    return LaunchMsiInstall_VerifyKey(pszPackage, pszParams, hProgressWnd, nullptr, L"", L"");
}
