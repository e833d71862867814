// The run between the start checks and the end: main window, main loop, end of the run.

#include "CoruApp.h"
#include "IStepPages.h"
#include "OruProcess.h"
#include "OruSettings.h"
#include "RegistryKeyMap.h"
#include "RunOutcome.h"
#include "SetupHelpers.h"
#include "resource.h"

#include "config/ProductFolders.h"
#include "config/SettingsKeys.h"
#include "download/OruHttpDownloader.h"
#include "refresh_rt/refresh_rt.h"
#include "support/FileUtil.h"
#include "support/Folders.h"
#include "support/FolderTree.h"
#include "support/Language.h"
#include "support/SysUtil.h"
#include "support/SystemShutdown.h"
#include "support/TraceLog.h"
#include "support/WorkFolder.h"
#include "workers/CheckInternet.h"
#include "workers/HiddenVantolinStarter.h"
#include "workers/IPatchQMConfig.h"
#include "workers/PatchQMConfig.h"
#include "workers/ProcessExecuter.h"

namespace
{
const wchar_t kMainWindowClass[] = L"VantolinSetupMainWindow";
// How long the loop waits for a busy worker before it asks the engine again; a message to this
// thread ends the wait at once.
const DWORD kBusyPollMs = 100;
}

void CoruApp::CreateMainWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassW(&wc);
    m_mainWindow.Reset(CreateWindowExW(WS_EX_TOOLWINDOW, kMainWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       AfxGetInstanceHandle(), nullptr));
    if (!m_mainWindow)
    {
        Trace(TRACE_ERROR, L"CoruApp::CreateMainWindow : cannot create the main window, error=%lu", GetLastError());
        return;
    }
    const int iconId = COruSettings::GetInstance().GetPartnerID() == L"11082" ? IDI_MAINFRAME_PARTNER : IDI_MAINFRAME;
    HICON hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(iconId));
    SendMessageW(m_mainWindow.Get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    SendMessageW(m_mainWindow.Get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
    ShowWindow(m_mainWindow.Get(), m_bSilent ? SW_HIDE : SW_SHOW);
    // A copy that replaced an older one opens its pages where the older one's would have opened.
    if (m_strRestartReason == L"UpdateReady")
    {
        const POINT pt = GetCentredPagePosition();
        SaveWindowPosition(m_mainWindow.Get(), pt.x, pt.y);
        Trace(TRACE_TRACE, L"CoruApp::CreateMainWindow : pages at [%d,%d]", static_cast<int>(pt.x), static_cast<int>(pt.y));
    }
}

void CoruApp::ShowFinishedInstallation(UINT nTextId, const wchar_t* pszArgument)
{
    CString text = FormatResString(nTextId, pszArgument ? pszArgument : L"");
    text = ReplaceProductWord(text);
    Trace(TRACE_INFO, L"CoruApp::ShowFinishedInstallation : %s", text.GetString());
    ShowFinishPage(text, false, true, false, false);
}

int ComputeExitCode(bool bPCInstallation, bool bSuccess, bool bCancelled, bool bInstallerCancelled,
                    bool bAnotherInstallRunning)
{
    int code = bPCInstallation ? ORU_EXIT_PC_SUCCEEDED : ORU_EXIT_USB_SUCCEEDED;
    if (!bSuccess)
        code = bPCInstallation ? ORU_EXIT_PC_FAILED : ORU_EXIT_USB_FAILED;
    if (bCancelled)
        code = bPCInstallation ? ORU_EXIT_PC_CANCELLED : ORU_EXIT_USB_CANCELLED;
    if (bInstallerCancelled)
        code = ORU_EXIT_INSTALLER_CANCELLED;
    if (bAnotherInstallRunning)
        code = ORU_EXIT_ANOTHER_INSTALL_RUNNING;
    return code;
}

int ComputeInstallationReturnCode(int nExitCode, bool bProductReady, bool bRestartConfirmed)
{
    return nExitCode + (bProductReady ? 0 : 10) + (bRestartConfirmed ? 20 : 0);
}

void CoruApp::ProcessAsAdminSteps()
{
    CCheckInternet checkInternet;
    COruHttpDownloader downloader(IsPartner(L"11082") ? COruSettings::GetInstance().GetProductDisplayName().GetString()
                                                      : L"");
    CProcessExecuter processExecuter;
    CHiddenVantolinStarter productStarter(this);
    CPatchQMConfig patchConfig;
    CRunServices services;
    services.pCheckInternet = &checkInternet;
    services.pDownloader = &downloader;
    services.pProcessExecuter = &processExecuter;
    services.pProductStarter = &productStarter;
    services.pPatchConfig = &patchConfig;
    RunAdminSteps(services);
}

void CoruApp::SendEvent(const wchar_t* pszEvent, const wchar_t* pszKey, const wchar_t* pszValue)
{
    if (!m_pUsageStatistics)
        return;
    m_pUsageStatistics->SetStringValue(L"InstallationStep", pszEvent);
    m_pUsageStatistics->SetStringValue(L"tag", m_strRunId);
    if (pszKey)
        m_pUsageStatistics->SetStringValue(pszKey, pszValue);
    m_pUsageStatistics->Send();
}

void CoruApp::RunAdminSteps(const CRunServices& services)
{
    Trace(TRACE_TRACE, L"CoruApp::ProcessAsAdminSteps");
    m_bRestartEntriesWritten = false;
    m_strLanguageCode.Empty();

    // Built after the services it points to, so it goes before them.
    COruProcess engine(&m_strInstallFolder, &m_bIntegrateMusicLib, &m_bCommonMusicFolder, &m_bNoMusicFolder,
                       &m_bCustomMusicFolderChosen, &m_strCustomMusicFolder, &m_bDownloadEncoder, &m_bSendUsageStats,
                       &m_bImportSettings);
    engine.SetStepFunctions(services.pStepFunctions);
    CString logFolder = GetTraceLogFolder();
    if (!logFolder.IsEmpty())
        logFolder += L"setup\\";
    if (!engine.Init(m_strSettingsPath, services.pCheckInternet, services.pPatchConfig, m_pUpdate,
                     services.pProcessExecuter, nullptr, static_cast<IUSBInstallerListener*>(this),
                     m_strProgramFolder, m_strExtractFolder,
                     m_strRestartCopyFolder, services.pDownloader, m_strRestartReason, logFolder, m_bDotNet20,
                     m_bDotNet30, m_bDotNet35, m_bDotNet40, m_bDotNetPresent, m_pRegistryKeyMap.get(),
                     services.pProductStarter, m_interfaceLanguage, m_bQuickMode, m_bForceDotNet,
                     m_pUsageStatistics.get()))
        Trace(TRACE_ERROR, L"CoruApp::ProcessAsAdminSteps : the step engine could not be initialised");
    engine.SetView(m_nProductView);
    m_pageLink.SetEngine(&engine);
    if (m_bPackageRefused)
        engine.MarkFailed();

    CString order;
    CStepRun run(&engine, services);
    for (;;)
    {
        if (engine.IsCancelled())
            break;
        const int step = engine.GetNextStep(true);
        if (step == ORU_STEP_PC_END || step == ORU_STEP_USB_END || step == ORU_STEP_NONE)
            break;
        if (step == ORU_STEP_BUSY)
        {
            WaitAnsweringMessages();
            continue;
        }
        order.AppendFormat(L"%d;", step);
        m_bUSBInstallationRunning = !engine.IsPCInstallation();
        run.nStep = step;
        run.bLeave = false;
        m_bStepNotStarted = false;
        if (!HandleStep(run))
        {
            if (m_bStepNotStarted)
            {
                // Nothing the user chose: the run cannot go on, it fails.
                Trace(TRACE_ERROR, L"CoruApp::ProcessAsAdminSteps : step %d could not be started, the run fails", step);
                engine.MarkFailed();
            }
            else
            {
                m_bSilent = false;
                engine.Cancel();
            }
        }
        if (run.bLeave)
            break;
    }
    EndOfRun(&engine, services, order, run.bRestartConfirmed);
    m_pageLink.SetEngine(nullptr);
}

void CoruApp::WaitAnsweringMessages()
{
    WaitPumpingMessages(nullptr, kBusyPollMs);
}

// False: the run is cancelled, or fails when m_bStepNotStarted is set.
bool CoruApp::HandleStep(CStepRun& run)
{
    const COruStepRow* pRow = FindOruStepRow(run.nStep);
    if (!pRow || !pRow->handler)
    {
        run.pProcess->RunNextStep();
        return true;
    }
    IStepPages& pages = *this;
    return (pages.*pRow->handler)(run);
}

// The steps' pages and phases --------------------------------------------------------------

bool CoruApp::OnAdvertisePage(CStepRun& run)
{
    return ShowAdvertisePage(run.pProcess);
}

bool CoruApp::OnLanguagePage(CStepRun& run)
{
    COruProcess* pProcess = run.pProcess;
    CString code;
    if (m_interfaceLanguage != 0)
        LanguageSupport::MakeIsoCode(m_interfaceLanguage, code);
    if (code.IsEmpty())
    {
        wchar_t name[6] = {};
        code = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, name, 6) ? name : L"en";
    }
    BOOL quickMode = m_bQuickMode;
    if (!ChooseLanguage(pProcess, code, quickMode))
        return false;
    m_bQuickMode = quickMode;
    if (!m_bStartEventSent)
    {
        CString dotNet;
        dotNet.Format(L"20:%d;30:%d;35:%d;40:%d;sum:%d", m_bDotNet20 ? 1 : 0, m_bDotNet30 ? 1 : 0,
                      m_bDotNet35 ? 1 : 0, m_bDotNet40 ? 1 : 0, m_bDotNetPresent ? 1 : 0);
        SendEvent(L"ORU_START", L"InstallationDotNet", dotNet);
        m_bStartEventSent = true;
    }
    LANGID language = 0;
    LanguageCodeToLangId(code, language); // English for a code it does not know
    m_strLanguageCode = code;
    m_interfaceLanguage = language;
    pProcess->SetLanguage(language, m_bQuickMode);
    ApplyInterfaceLanguage();
    return true;
}

bool CoruApp::OnMusicLibraryPage(CStepRun& run)
{
    return ChooseMusicLibraryOptions(run.pProcess, &m_bIntegrateMusicLib, &m_bCommonMusicFolder, &m_bNoMusicFolder,
                                     &m_bCustomMusicFolderChosen, &m_strCustomMusicFolder);
}

bool CoruApp::OnInternetCheck(CStepRun& run)
{
    if (!WaitForInternetCheck(run.pProcess))
        return false;
    return run.pProcess->IsInternetWorking() || AskAboutMissingInternet(run.pProcess);
}

bool CoruApp::OnUpdateOfferPage(CStepRun& run)
{
    return ChooseUpdateDownload(run.pProcess);
}

bool CoruApp::OnInstallerDownload(CStepRun& run)
{
    return DownloadInstallerOrDotNet(run.pProcess, run.services.pDownloader, true);
}

bool CoruApp::OnDotNetDownload(CStepRun& run)
{
    return DownloadInstallerOrDotNet(run.pProcess, run.services.pDownloader, false);
}

bool CoruApp::OnUnpackInstaller(CStepRun& run)
{
    run.pProcess->RunNextStep();
    // An archive unpacked before: the package's properties come from its folder.
    const CString folder = run.pProcess->GetExtractSFXDir();
    if (!IsSamePath(folder, m_strExtractFolder))
        UpdateProductPropertiesFromMsi(run.pProcess);
    return true;
}

bool CoruApp::OnSelfUpdateOrExtract(CStepRun& run)
{
    CloseDownloadProgressDialog(run.pProcess);
    run.pProcess->RunNextStep();
    if (run.pProcess->IsNewerOruAvailable())
    {
        run.bLeave = true;
        return true;
    }
    ExtractSelfUpdateOrArchive(run.pProcess);
    return true;
}

bool CoruApp::OnSingleInstanceCheck(CStepRun& run)
{
    const bool ok = CheckAlreadyRunning(false);
    run.pProcess->RunNextStep();
    return ok;
}

bool CoruApp::OnInstallationTypePage(CStepRun& run)
{
    return ChooseInstallationType(run.pProcess);
}

bool CoruApp::OnInstallationFolderPage(CStepRun& run)
{
    return ChooseInstallationFolder(run.pProcess, m_strInstallFolder);
}

bool CoruApp::OnInstallOptionsPage(CStepRun& run)
{
    return ChooseInstallOptions(run.pProcess, m_bDownloadEncoder, m_bSendUsageStats, m_bImportSettings);
}

bool CoruApp::OnDotNetInstallation(CStepRun& run)
{
    const bool ok = DotNetFrameworkInstallation(run.pProcess);
    SendEvent(L"ORU_AFTER_DOTNET");
    return ok;
}

bool CoruApp::OnDotNetCheck(CStepRun& run)
{
    if (run.pProcess->NeedsDotNetCheck())
    {
        if (!WaitForDotNetCheck(run.pProcess))
            return false;
        return !run.pProcess->NeedsDotNetCheck();
    }
    run.pProcess->RunNextStep();
    return true;
}

bool CoruApp::OnVCRedistInstallation(CStepRun& run)
{
    return VCRedistInstallation(run.pProcess);
}

bool CoruApp::OnPCInstallation(CStepRun& run)
{
    const bool ok = PCInstallationProgress(run.pProcess);
    SendEvent(L"ORU_PC_INSTALLATION");
    return ok;
}

bool CoruApp::OnPostInstallation(CStepRun& run)
{
    return PostInstallationStepProgress(run.pProcess);
}

bool CoruApp::OnHiddenStartProduct(CStepRun& run)
{
    return HiddenStartProduct(run.pProcess, run.services.pProductStarter);
}

bool CoruApp::OnUSBInstallation(CStepRun& run)
{
    return USBInstallationProgress(run.pProcess);
}

bool CoruApp::OnPrepareRestart(CStepRun& run)
{
    return PrepareRestartInstallation(run.pProcess);
}

bool CoruApp::OnConfirmRestart(CStepRun& run)
{
    if (!InformAboutRestart())
        return false;
    run.bRestartConfirmed = true;
    run.bLeave = true;
    return true;
}

void CoruApp::EndOfRun(COruProcess* pProcess, const CRunServices& services, const CString& order,
                       bool bRestartConfirmed)
{
    const bool pc = pProcess->IsPCInstallation();
    m_nExitCode = ComputeExitCode(pc, pProcess->IsSuccess(), pProcess->IsCancelled(), pProcess->IsInstallerCancelled(),
                                  pProcess->IsAnotherInstallRunning());
    const bool newer = pProcess->IsNewerOruAvailable();

    if (m_pUsageStatistics)
    {
        m_pUsageStatistics->SetIntValue(
            L"InstallationReturnCode",
            ComputeInstallationReturnCode(m_nExitCode, pProcess->IsProductReady(), bRestartConfirmed));
        m_pUsageStatistics->SetStringValue(L"InstallationOrder", order);
        // The run's ids and language reach the store only through the settings patch; without it
        // they are the settings file's and the language chosen in this run.
        const COruSettings& settings = COruSettings::GetInstance();
        const bool stored = services.pPatchConfig != nullptr;
        const CString partnerId = stored ? GetPartnerId() : settings.GetPartnerID();
        const CString affiliateId = stored ? GetAffiliateId() : settings.GetAffiliateID();
        m_pUsageStatistics->SetStringValue(L"InstallationStep", L"ORU_FINISH");
        m_pUsageStatistics->SetStringValue(L"tag", m_strRunId);
        m_pUsageStatistics->SetIntValue(L"PartnerId", _wtoi(partnerId));
        if (!affiliateId.IsEmpty())
            m_pUsageStatistics->SetIntValue(L"AffiliateId", _wtoi(affiliateId));
        m_pUsageStatistics->SetStringValue(L"Lang", stored ? GetLanguageSetting() : m_strLanguageCode);
        m_pUsageStatistics->Send();
    }

    CloseDownloadProgressDialog(nullptr);
    CloseMsiProgressDialog(pProcess);
    if (bRestartConfirmed)
    {
        Trace(TRACE_INFO, L"CoruApp::ProcessAsAdminSteps will now try to restart computer");
        CSystemShutdown shutdown;
        shutdown.SetReboot(true);
        const bool started = shutdown.Initiate();
        Trace(TRACE_INFO, L"CoruApp::ProcessAsAdminSteps shutdown result=[%d]", started ? 1 : 0);
        pProcess->Stop(true);
    }
    else
    {
        // The continuation would start against the folder removed below.
        if (m_bRestartEntriesWritten)
            DeleteRestartEntries();
        if (!newer)
        {
            if (KeepsRunChanges(*pProcess))
                Trace(TRACE_INFO, L"CoruApp::ProcessAsAdminSteps : the run failed after the product's package was "
                                  L"installed, which stays: its configuration changes are kept");
            else if ((pProcess->IsCancelled() || !pProcess->IsSuccess() || !pc) && services.pPatchConfig)
                services.pPatchConfig->UndoChanges();
            FinishedInstallation(pProcess);
        }
        pProcess->Stop(true);
        if (!newer)
        {
            // The program may still run from the folder: it must end first.
            pProcess->WaitForProcessEnd();
            RemoveExtractionFolder(pProcess);
        }
        if (pProcess->IsVCRedistRestart() || pProcess->IsDotNetRestart())
            pProcess->StartCleanupProgram();
    }
    if (!newer)
        DeleteWindowPosition();
}

void CoruApp::DeleteRestartEntries()
{
    Trace(TRACE_INFO, L"CoruApp::ProcessAsAdminSteps : no restart follows, removing the restart command");
    DeleteRegistryKey(*m_pRegistryKeyMap, REGKEY_PC_RESTART_INSTALLATION);
    for (DWORD id = REGKEY_RESTART_FIRST; id <= REGKEY_RESTART_LAST; ++id)
        DeleteRegistryKey(*m_pRegistryKeyMap, id);
    m_bRestartEntriesWritten = false;
}

void CoruApp::RemoveExtractionFolder(COruProcess* pProcess)
{
    // The folder the run was given, and the fresh one the unpacking took instead of it.
    const CString unpacked = pProcess->GetExtractSFXDir();
    const bool bMade = pProcess->IsExtractFolderMadeByRun();
    const bool bSame = IsSamePath(unpacked, m_strExtractFolder);
    RemoveRunFolder(m_strExtractFolder, bMade && bSame);
    if (bMade && !bSame)
        RemoveRunFolder(unpacked, true);
}

void CoruApp::RemoveRunFolder(const CString& given, bool bMadeByRun)
{
    CString folder(given);
    ResolveRelativePath(folder);
    StripTrailingBackslashes(folder);
    if (folder.IsEmpty())
        return;
    CString program(m_strProgramFolder);
    ResolveRelativePath(program);
    AppendBackslash(program);
    CString archive = BuildPath(m_strProgramFolder, L"VantolinSetupArchive", nullptr);
    ResolveRelativePath(archive);
    // The program's own folder and the unpacked archive beside it are the setup itself.
    if (StartsWithNoCase(program, folder + L"\\") || IsSamePath(folder, archive))
    {
        Trace(TRACE_WARNING, L"CoruApp::ProcessAsAdminSteps : not removing [%s]: it holds the setup program",
              folder.GetString());
        return;
    }
    if (!FolderExists(folder))
        return;
    // Removed elevated: only a folder this run made, or one an elevated run made before (the
    // continuation's).
    CString owner;
    if (!bMadeByRun && !IsTrustedWorkFolder(folder, owner))
    {
        Trace(TRACE_WARNING, L"CoruApp::ProcessAsAdminSteps : not removing [%s]: the setup did not make it (%s%s)",
              folder.GetString(), owner.IsEmpty() ? L"a link" : L"owned by ", owner.GetString());
        return;
    }
    RemoveDirectoryRec(folder);
}
