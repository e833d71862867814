// PLACEHOLDER (wizard pages, not built yet): every choice page and the download and .NET-check
// waits answer here as a silent run would, without a window: choices keep their values, waits
// let the engine run the step and wait while it is busy. The pages replace these bodies; the
// loop that calls them stays. The installation phases are PhaseHandlers.cpp.

#include "CoruApp.h"
#include "OruProcess.h"
#include "OruSettings.h"
#include "RegistryKeyMap.h"
#include "RunOutcome.h"
#include "SetupHelpers.h"
#include "resource.h"

#include "support/PathUtil.h"
#include "support/ShellExecuteProcess.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"

namespace
{
const int kBack = 1017;
}

int CoruApp::PageAnswer(int nStep)
{
    const int answer = m_pPageAnswers ? m_pPageAnswers->Answer(nStep) : 0;
    return answer ? answer : IDOK;
}

void CoruApp::WaitWhileBusy(COruProcess* pProcess)
{
    while (pProcess->GetNextStep(true) == ORU_STEP_BUSY)
        WaitAnsweringMessages();
}

bool CoruApp::RunPhase(COruProcess* pProcess, const wchar_t* pszHandler, bool bFailureFails)
{
    if (!pProcess->RunNextStep())
    {
        Trace(TRACE_ERROR, L"%s: the step could not be started", pszHandler);
        if (bFailureFails)
        {
            m_bStepNotStarted = true;
            return false;
        }
    }
    WaitWhileBusy(pProcess);
    return true;
}

bool CoruApp::ChooseLanguage(COruProcess*, CString&, BOOL&)
{
    return PageAnswer(ORU_STEP_LANGUAGE) == IDOK;
}

bool CoruApp::ChooseMusicLibraryOptions(COruProcess* pProcess, BOOL*, BOOL*, BOOL*, BOOL*, CString*)
{
    pProcess->RunNextStep();
    return true;
}

void CoruApp::WaitForInternetCheck(COruProcess* pProcess)
{
    pProcess->RunNextStep();
    WaitWhileBusy(pProcess);
}

bool CoruApp::AskAboutMissingInternet(COruProcess* pProcess)
{
    const int answer = m_pPageAnswers ? m_pPageAnswers->Answer(ORU_STEP_INTERNET_CHECK) : 0;
    if (answer == kBack)
        return true; // retry: the engine repeats the check
    if (answer == IDCANCEL)
        return false;
    // Next is offered only with the archive at hand; without it the run cannot go on.
    return pProcess->ContinueOffline();
}

bool CoruApp::ChooseUpdateDownload(COruProcess* pProcess)
{
    if (PageAnswer(ORU_STEP_UPDATE_OFFER) != IDOK)
        return false;
    pProcess->SetUpdateChoice(true);
    return true;
}

bool CoruApp::DownloadInstallerOrDotNet(COruProcess* pProcess, IHttpDownloader*, bool)
{
    return RunPhase(pProcess, L"DownloadInstallerOrDotNet");
}

bool CoruApp::ChooseInstallationType(COruProcess* pProcess)
{
    if (PageAnswer(ORU_STEP_INSTALLATION_TYPE) != IDOK)
        return false;
    pProcess->SetInstallationType(true, L"", L"");
    return true;
}

bool CoruApp::ChooseInstallationFolder(COruProcess* pProcess, CString&)
{
    if (m_bQuickMode)
        return true;
    pProcess->RunNextStep();
    const int answer = PageAnswer(ORU_STEP_INSTALLATION_FOLDER);
    if (answer == kBack)
        pProcess->GoToStep16();
    return answer == IDOK || answer == kBack;
}

bool CoruApp::ChooseInstallOptions(COruProcess* pProcess, BOOL&, BOOL&, BOOL& rImportSettings)
{
    if (IsPartner(L"11082"))
        rImportSettings = FALSE;
    if (m_bQuickMode)
        return true;
    pProcess->RunNextStep();
    const int answer = PageAnswer(ORU_STEP_INSTALL_OPTIONS);
    if (answer == kBack)
        pProcess->GoToStep17();
    return answer == IDOK || answer == kBack;
}

bool CoruApp::WaitForDotNetCheck(COruProcess* pProcess)
{
    return RunPhase(pProcess, L"WaitForDotNetCheck");
}

bool CoruApp::InformAboutRestart()
{
    return PageAnswer(ORU_STEP_CONFIRM_RESTART) == IDOK;
}

void CoruApp::ExtractSelfUpdateOrArchive(COruProcess* pProcess)
{
    WaitWhileBusy(pProcess);
    UpdateProductPropertiesFromMsi(pProcess);
}

void CoruApp::ShowFinishPage(const CString& text)
{
    if (m_pPageAnswers)
    {
        m_pPageAnswers->ShowFinishPage(text);
        return;
    }
    MessageBoxW(m_mainWindow.Get(), text, m_strAppTitle, MB_OK | MB_ICONINFORMATION);
}

void CoruApp::FinishedInstallation(COruProcess* pProcess)
{
    const bool succeeded = pProcess->IsSuccess() && !pProcess->IsCancelled();
    const int nextStep = pProcess->GetNextStep(true);
    const CString launchCommand = pProcess->GetLaunchCommand();
    CString message;
    Trace(TRACE_TRACE,
          L"CoruApp::FinishedInstallation\nInstallation exited with: strFinishMessage [%s], bInstallationSucceded [%d], "
          L"bMSICanceled [%d], nextStep [%d], strLaunchApplication [%s], bReboot [%d], "
          L"bMSIFailedAnotherMSIInProgress [%d]",
          message.GetString(), succeeded ? 1 : 0, pProcess->IsInstallerCancelled() ? 1 : 0, nextStep,
          launchCommand.GetString(), pProcess->IsDriverRebootPending() ? 1 : 0,
          pProcess->IsAnotherInstallRunning() ? 1 : 0);

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

    if (!succeeded)
    {
        ShowFinishPage(message);
        return;
    }

    ReleaseInstanceFlag();
    const bool start = !(m_bSilent && IsPartner(L"11082"));
    if (pProcess->IsPCInstallation())
    {
        pProcess->SetStartProduct(start);
        pProcess->RunNextStep();
        return;
    }
    if (!start)
        return;
    CShellExecuteProcess launcher;
    if (!launcher.Start(launchCommand, L"", GetDriveAndFolder(launchCommand), false))
        Trace(TRACE_ERROR, L"CoruApp::FinishedInstallation: Failed to start app [%s]", launchCommand.GetString());
}
