// The controller's side of the wizard pages: each step that needs the user shows its page and
// turns the answer into the engine's state (a page hook, a forced step for Back, or false, which
// cancels the run); the waits of the Internet and .NET checks and of the extraction; the finish
// page that ends a run.

#include "CoruApp.h"
#include "MusicCollection.h"
#include "OruProcess.h"
#include "OruSettings.h"
#include "RunOutcome.h"
#include "SetupHelpers.h"
#include "resource.h"

#include "config/SettingsKeys.h"
#include "download/IHttpDownloadProgress.h"
#include "download/IHttpDownloader.h"
#include "support/Folders.h"
#include "support/Language.h"
#include "support/PathUtil.h"
#include "support/Registry.h"
#include "support/ShellExecuteProcess.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"
#include "wizard/AdvertiseDlg.h"
#include "wizard/CheckInternetDlg.h"
#include "wizard/ChooseInstallationTypeDlg.h"
#include "wizard/ChooseLanguageDlg.h"
#include "wizard/DownloadProgressDlg.h"
#include "wizard/FinishedInstallationDlg.h"
#include "wizard/GuiWatchDogDlg.h"
#include "wizard/InstallFolderDlg.h"
#include "wizard/InstallOptionsDlg.h"
#include "wizard/RestartDialogs.h"
#include "wizard/ScanMusicCollectionDlg.h"
#include "wizard/UpdateAvailbleDlg.h"
#include "wizard/resource_dialogs.h"

#include <shlobj.h>

namespace
{
const wchar_t kPartnerKipsy[] = L"11082";
// Below this many audio and video items together the library is scanned without asking.
const int kLargeMediaCollection = 1000;
// How long the Internet check may take before its waiting page is shown.
const DWORD kInternetCheckGraceMs = 10000;

// The application's own pages: each runs modally.
class CShownWizardPages : public IWizardPages
{
public:
    INT_PTR ShowPage(int, CDialog& page) override { return page.DoModal(); }
    INT_PTR ShowFinishPage(CDialog& page, const CString&) override { return page.DoModal(); }
};

CShownWizardPages g_shownPages;

CString LoadResText(UINT nID)
{
    CString text;
    text.LoadString(nID);
    return text;
}

void TraceNotCreated(const wchar_t* pszOperation)
{
    Trace(TRACE_ERROR, L"%s: Dialog box could not be created!", pszOperation);
}

// The step's page through the pages' seam; a page that could not be created is logged.
INT_PTR ShowStepPage(IWizardPages& pages, int nStep, CDialog& page, const wchar_t* pszOperation)
{
    const INT_PTR result = pages.ShowPage(nStep, page);
    if (result == -1)
        TraceNotCreated(pszOperation);
    return result;
}

// The shell folder with a trailing backslash, created when missing; empty when it cannot be had.
CString ShellFolder(int nFolder)
{
    wchar_t path[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, nFolder, TRUE))
        return CString();
    CString folder(path);
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != L'\\')
        folder += L'\\';
    return folder;
}

void WriteMediaFolder(const CString& key, const wchar_t* pszValue, const CString& folder, const wchar_t* pszWritten,
                      const wchar_t* pszNotWritten)
{
    if (WriteRegString(HKEY_CURRENT_USER, key, pszValue, REG_SZ, folder, nullptr, 0))
        Trace(TRACE_TRACE, L"%s%s", pszWritten, folder.GetString());
    else
        Trace(TRACE_ERROR, L"%s", pszNotWritten);
}
}

IWizardPages& CoruApp::Pages()
{
    return m_pWizardPages ? *m_pWizardPages : g_shownPages;
}

void CoruApp::WaitWhileBusy(COruProcess* pProcess)
{
    while (pProcess->GetNextStep(true) == ORU_STEP_BUSY)
        WaitAnsweringMessages();
}

bool CoruApp::RunWatchDogPage(COruProcess* pProcess, const wchar_t* pszOperation, const CString& subHeading,
                              const CString& text, bool bRunStep, bool bCompact)
{
    CGuiWatchDogDlg page(pProcess, L"", subHeading, text, GUIWATCHDOG_WATCH, m_mainWindow.Get(), FALSE);
    page.SetCompact(bCompact);
    if (!page.Create(IDD_MSI_PROGRESS, m_mainWindow.Get()))
    {
        // The wait goes on without a page, and a box the run shows from now on is seen.
        Trace(TRACE_ERROR, L"%s: the waiting page could not be created", pszOperation);
        m_bSilent = false;
        if (bRunStep && !pProcess->RunNextStep())
            return false;
        WaitWhileBusy(pProcess);
        return true;
    }
    // The page has no button: the pump ends when the step's worker has ended, or could not be
    // started, or the engine was stopped.
    const bool started = RunModelessProgress(pProcess, &page, bRunStep, false);
    pProcess->SetProgressWnd(nullptr);
    page.DestroyWindow();
    return started;
}

bool CoruApp::ChooseLanguage(COruProcess* pProcess, CString& rLanguageCode, BOOL& rQuickMode)
{
    const int fullVersion = pProcess->IsArchivePresent() ? 1 : 0;
    if (m_bSilent || m_bUpdateMode)
    {
        const CChooseLanguageDlg page(fullVersion, rLanguageCode, rQuickMode, m_mainWindow.Get());
        rLanguageCode = page.GetLanguageCode();
        rQuickMode = page.IsQuickMode() ? TRUE : FALSE;
        return true;
    }
    for (;;)
    {
        CChooseLanguageDlg page(fullVersion, rLanguageCode, rQuickMode, m_mainWindow.Get());
        const INT_PTR result = ShowStepPage(Pages(), ORU_STEP_LANGUAGE, page, L"ChooseLanguage");
        if (result == -1)
            return false;
        if (result != IDOK)
            return false;
        rLanguageCode = page.GetLanguageCode();
        rQuickMode = page.IsQuickMode() ? TRUE : FALSE;
        if (!page.IsLanguageChanged())
            return true;
        // The page comes back in the language just chosen.
        LANGID language = 0;
        LanguageCodeToLangId(rLanguageCode, language);
        m_interfaceLanguage = language;
        ApplyInterfaceLanguage();
    }
}

bool CoruApp::ChooseMusicLibraryOptions(COruProcess* pProcess, BOOL*, BOOL*, BOOL*, BOOL*, CString*)
{
    DWORD importDone = 0;
    if (!ReadRegDword(HKEY_CURRENT_USER, L"Software\\Quillmark\\Vantolin_2014", L"ImportFromFormerVantolinDone",
                      importDone, 0))
        importDone = 0;
    if (m_bSilent || importDone == 1 || m_bUpdateMode || IsPartner(kPartnerKipsy))
    {
        pProcess->RunNextStep();
        return true;
    }
    Trace(TRACE_TRACE, L"Step: ChooseMusicLibraryOptions");

    int all = 0, audio = 0, video = 0;
    const bool counted = m_countMusicCollection ? m_countMusicCollection(all, audio, video)
                                                : GetMusicCollectionNumbers(all, audio, video);
    if (!counted)
    {
        all = 1001;
        audio = 1001;
        video = 0;
    }
    bool writeFolders = true;
    if (audio + video >= kLargeMediaCollection)
    {
        ScanMusicCollectionDlg page(m_mainWindow.Get());
        page.SetPartnerId(COruSettings::GetInstance().GetPartnerID());
        const INT_PTR result = ShowStepPage(Pages(), ORU_STEP_MUSIC_LIBRARY, page, L"ChooseMusicLibraryOptions");
        if (result == WIZARD_RESULT_BACK)
        {
            // Back goes to the language page in both modes: the steps between run again.
            pProcess->GoToStep3();
            return true;
        }
        if (result == IDCANCEL)
            return false;
        writeFolders = result == IDOK && page.IncludeMusicCollection();
    }

    pProcess->RunNextStep();
    if (!writeFolders)
        return true;

    const CString music = ShellFolder(CSIDL_MYMUSIC);
    if (music.IsEmpty())
        Trace(TRACE_ERROR, L"ChooseMusicLibraryOptions: SHGetSpecialFolderPath CSIDL_MYMUSIC failed");
    const CString videos = ShellFolder(CSIDL_MYVIDEO);
    if (videos.IsEmpty())
        Trace(TRACE_ERROR, L"ChooseMusicLibraryOptions: SHGetSpecialFolderPath CSIDL_MYVIDEO failed");
    CString key;
    key.Format(L"SOFTWARE\\Quillmark\\Vantolin_%s\\MO_Settings", COruSettings::GetInstance().GetGeneration().GetString());
    wchar_t user[256] = {};
    GetEnvironmentVariableW(L"USERNAME", user, 256);
    Trace(TRACE_TRACE, L"ChooseMusicLibraryOptions: reg path is %s Current user is: %s", key.GetString(), user);
    WriteMediaFolder(key, L"InstallerWindowsMusicCollectionFolder", music,
                     L"ChooseMusicLibraryOptions: music path written: ",
                     L"ChooseMusicLibraryOptions: music path NOT written");
    WriteMediaFolder(key, L"InstallerWindowsMoviesCollectionFolder", videos,
                     L"ChooseMusicLibraryOptions: video path written: ",
                     L"ChooseMusicLibraryOptions: video path NOT written");
    return true;
}

bool CoruApp::WaitForInternetCheck(COruProcess* pProcess)
{
    const DWORD start = GetTickCount();
    if (!pProcess->RunNextStep())
    {
        Trace(TRACE_ERROR, L"WaitForInternetCheck: the step could not be started");
        m_bStepNotStarted = true;
        return false;
    }
    for (;;)
    {
        const int next = pProcess->GetNextStep(true);
        if (next != ORU_STEP_BUSY)
            return true;
        if (GetTickCount() - start > kInternetCheckGraceMs)
            break;
        WaitAnsweringMessages();
    }
    CloseDownloadProgressDialog(pProcess);
    RunWatchDogPage(pProcess, L"WaitForInternetCheck", L"", LoadResText(IDS_INTERNET_CHECK_WAIT), false, false);
    return true;
}

bool CoruApp::AskAboutMissingInternet(COruProcess* pProcess)
{
    CloseDownloadProgressDialog(pProcess);
    if (m_bSilent)
    {
        // Nobody is there to answer: the run goes on with the archive at hand, or ends.
        Trace(TRACE_INFO, L"AskAboutMissingInternet: no Internet connection in a silent run");
        return pProcess->ContinueOffline();
    }
    CCheckInternetDlg page(pProcess->IsArchivePresent() ? 1 : 0, m_mainWindow.Get());
    const INT_PTR result = ShowStepPage(Pages(), ORU_STEP_INTERNET_CHECK, page, L"AskAboutMissingInternet");
    if (result == -1)
        return false;
    if (result == IDOK)
        return pProcess->ContinueOffline();
    // Retry: the engine repeats the check.
    return result == WIZARD_RESULT_BACK;
}

bool CoruApp::ChooseUpdateDownload(COruProcess* pProcess)
{
    INT_PTR result = IDOK;
    bool download = true;
    // A silent run takes the page's default: the newer setup.
    if (!m_bUpdateMode && !m_bSilent)
    {
        CUpdateAvailbleDlg page(m_mainWindow.Get());
        result = ShowStepPage(Pages(), ORU_STEP_UPDATE_OFFER, page, L"ChooseUpdateDownload");
        download = page.GetDownloadUpdate() != 0;
    }
    if (result != IDOK)
        return false;
    pProcess->SetUpdateChoice(download);
    return true;
}

bool CoruApp::DownloadInstallerOrDotNet(COruProcess* pProcess, IHttpDownloader* pDownloader, bool bInstaller)
{
    CDownloadProgressDlg* pPage =
        GetDownloadProgressDialog(pProcess, dynamic_cast<IHttpDownloadProgress*>(pDownloader));
    if (!pPage)
    {
        Trace(TRACE_ERROR, L"DownloadInstallerOrDotNet: Progress dialog could not be allocated!");
        return false;
    }
    const CString text = bInstaller ? CString() : FormatResString(IDS_WORKER_DOWNLOADING, LoadResText(IDS_DOTNET_FRAMEWORK).GetString());
    pPage->Initialize(L"", text, 0, FALSE, nullptr);
    if (!pPage->GetSafeHwnd() && !pPage->Create(IDD_DOWNLOAD_PROGRESS, m_mainWindow.Get()))
    {
        TraceNotCreated(L"DownloadInstallerOrDotNet");
        return false;
    }
    if (!RunModelessProgress(pProcess, pPage, true, false))
    {
        Trace(TRACE_ERROR, L"DownloadInstallerOrDotNet: the step could not be started");
        m_bStepNotStarted = true;
        MessageBoxW(pPage->GetSafeHwnd(), LoadResText(IDS_DOWNLOAD_FAILED), LoadResText(IDS_ERROR_CAPTION),
                    MB_OK | MB_ICONERROR);
        pPage->OnAbort();
        return false;
    }
    return !pPage->IsCancelled() && !pPage->IsAborted();
}

bool CoruApp::ChooseInstallationType(COruProcess* pProcess)
{
    CloseDownloadProgressDialog(pProcess);
    if (m_bSilent)
    {
        // A silent run installs on the PC: nobody picks a drive.
        pProcess->SetInstallationType(true, L"", L"");
        return true;
    }
    CChooseInstallationTypeDlg page(m_mainWindow.Get());
    page.SetLanguageId(pProcess->GetLanguage());
    page.SetHelpFileBaseName(COruSettings::GetInstance().GetHelpFilePathBaseName());
    const INT_PTR result = ShowStepPage(Pages(), ORU_STEP_INSTALLATION_TYPE, page, L"ChooseInstallationType");
    if (result == -1)
        return false;
    if (result != IDOK)
        return false;
    CString root, folder;
    const bool usb = page.GetSelectedDrive(root, folder) != FALSE;
    pProcess->SetInstallationType(!usb, root, folder);
    return true;
}

bool CoruApp::ChooseInstallationFolder(COruProcess* pProcess, CString& rInstallFolder)
{
    if (m_bQuickMode)
        return true;
    if (m_bSilent)
    {
        pProcess->RunNextStep();
        return true;
    }
    CInstallFolderDlg page(rInstallFolder, m_mainWindow.Get());
    pProcess->RunNextStep();
    const INT_PTR result = ShowStepPage(Pages(), ORU_STEP_INSTALLATION_FOLDER, page, L"ChooseInstallationFolder");
    if (result == -1)
        return false;
    if (result == WIZARD_RESULT_BACK)
    {
        pProcess->GoToStep16();
        return true;
    }
    return result == IDOK;
}

bool CoruApp::ChooseInstallOptions(COruProcess* pProcess, BOOL& rDownloadEncoder, BOOL& rSendUsageStats,
                                   BOOL& rImportSettings)
{
    int notifier = 1;
    if (IsPartner(kPartnerKipsy))
    {
        notifier = 0;
        rImportSettings = FALSE;
    }
    if (m_bQuickMode)
        return true;
    if (m_bSilent)
    {
        pProcess->RunNextStep();
        return true;
    }
    CInstallOptionsDlg page(rDownloadEncoder, rSendUsageStats, rImportSettings, notifier, m_mainWindow.Get());
    page.SetPartnerId(COruSettings::GetInstance().GetPartnerID());
    pProcess->RunNextStep();
    const INT_PTR result = ShowStepPage(Pages(), ORU_STEP_INSTALL_OPTIONS, page, L"ChooseInstallOptions");
    if (result == -1)
        return false;
    if (result == WIZARD_RESULT_BACK)
    {
        pProcess->GoToStep17();
        return true;
    }
    if (result != IDOK)
        return false;
    SetStartVantolinNotifierWithWindows(notifier != 0);
    return true;
}

bool CoruApp::WaitForDotNetCheck(COruProcess* pProcess)
{
    CloseDownloadProgressDialog(pProcess);
    if (RunWatchDogPage(pProcess, L"WaitForDotNetCheck", L"", LoadResText(IDS_DOTNET_CHECK_WAIT), true, false))
        return true;
    Trace(TRACE_ERROR, L"WaitForDotNetCheck: the step could not be started");
    m_bStepNotStarted = true;
    return false;
}

bool CoruApp::InformAboutRestart()
{
    CloseDownloadProgressDialog(nullptr);
    CloseMsiProgressDialog(nullptr);
    CConfirmRestartDlg page(m_mainWindow.Get());
    const INT_PTR result = ShowStepPage(Pages(), ORU_STEP_CONFIRM_RESTART, page, L"InformAboutRestart");
    if (result == -1)
        return false;
    return result == IDOK;
}

bool CoruApp::ShowAdvertisePage(COruProcess* pProcess)
{
    CAdvertiseDlg page(nullptr);
    if (ShowStepPage(Pages(), ORU_STEP_ADVERTISE, page, L"ShowAdvertisePage") != IDOK)
        return false;
    pProcess->OnAdvertiseAccepted();
    return true;
}

void CoruApp::ExtractSelfUpdateOrArchive(COruProcess* pProcess)
{
    const CString heading = LoadResText(IDS_EXTRACTING_HEADING);
    const CString text = FormatResString(IDS_EXTRACTING_TEXT,
                                         COruSettings::GetInstance().GetProductDisplayName().GetString());
    RunWatchDogPage(pProcess, L"ExtractSelfUpdateOrArchive", heading, text, false, m_bQuickMode != FALSE);
    UpdateProductPropertiesFromMsi(pProcess);
}

void CoruApp::ShowFinishPage(const CString& text, bool bSucceeded, bool bPCInstallation, bool bProductReady,
                             bool bRestartNeeded)
{
    CFinishedInstallationDlg page(text, bSucceeded ? 1 : 0, bPCInstallation ? 1 : 0,
                                  COruSettings::GetInstance().GetTutorialVideoUrl(), bProductReady ? 1 : 0,
                                  bRestartNeeded ? 1 : 0, m_mainWindow.Get(), this);
    if (Pages().ShowFinishPage(page, text) == -1)
    {
        // The message must still reach the user.
        TraceNotCreated(L"FinishedInstallation");
        MessageBoxW(m_mainWindow.Get(), text, m_strAppTitle, MB_OK | MB_ICONINFORMATION);
    }
}

void CoruApp::FinishedInstallation(COruProcess* pProcess)
{
    const bool succeeded = pProcess->IsSuccess() && !pProcess->IsCancelled();
    const int nextStep = pProcess->GetNextStep(true);
    const CString launchCommand = pProcess->GetLaunchCommand();
    const bool rebootPending = pProcess->IsDriverRebootPending();
    CString message;
    Trace(TRACE_TRACE,
          L"CoruApp::FinishedInstallation\nInstallation exited with: strFinishMessage [%s], bInstallationSucceded [%d], "
          L"bMSICanceled [%d], nextStep [%d], strLaunchApplication [%s], bReboot [%d], "
          L"bMSIFailedAnotherMSIInProgress [%d]",
          message.GetString(), succeeded ? 1 : 0, pProcess->IsInstallerCancelled() ? 1 : 0, nextStep,
          launchCommand.GetString(), rebootPending ? 1 : 0, pProcess->IsAnotherInstallRunning() ? 1 : 0);

    if (pProcess->IsInstallerCancelled())
        return;
    const CString title = GetAppTitle();
    if (const UINT textId = GetFinishTextId(*pProcess))
        message = FormatResString(textId, title.GetString(), title.GetString(), title.GetString());
    const CString keptData = succeeded ? CString() : pProcess->GetUSBKeptDataFolder();
    if (!keptData.IsEmpty())
        message += L"\n\n" + FormatResString(IDS_USB_DATA_KEPT, keptData.GetString());
    if (!message.IsEmpty())
        m_bSilent = false;

    const bool pcEnd = nextStep == ORU_STEP_PC_END;
    if (!succeeded)
    {
        ShowFinishPage(message, false, pcEnd, pProcess->IsProductReady(), rebootPending);
        return;
    }

    ReleaseInstanceFlag();
    bool start = !(m_bSilent && IsPartner(kPartnerKipsy));
    if (rebootPending)
    {
        Trace(TRACE_WARNING,
              L"CoruApp::FinishedInstallation: a driver needs the computer restarted, the product is not started");
        start = false;
    }
    if (pProcess->IsPCInstallation())
    {
        pProcess->SetStartProduct(start);
        pProcess->RunNextStep();
    }
    else if (start)
    {
        CShellExecuteProcess launcher;
        if (!launcher.Start(launchCommand, L"", GetDriveAndFolder(launchCommand), false))
            Trace(TRACE_ERROR, L"CoruApp::FinishedInstallation: Failed to start app [%s]", launchCommand.GetString());
    }
    // The restart the driver needs is offered on the finish page; a silent run leaves it to the
    // user.
    if (rebootPending && !m_bSilent)
        ShowFinishPage(message, true, pcEnd, false, true);
}
