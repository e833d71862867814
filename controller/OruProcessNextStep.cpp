// The choice of the next step from the last step's outcome.

#include "OruProcess.h"
#include "RegistryKeyMap.h"

#include "support/PathUtil.h"
#include "support/TraceLog.h"
#include "workers/CheckDisabledDotNetFromThread.h"
#include "workers/CheckInternetConnectionFromThread.h"
#include "workers/CopyFoldersFromThread.h"
#include "workers/CopyUSBInstallationFromThread.h"
#include "workers/DownloadInstallerFromThread.h"
#include "workers/IHiddenVantolinStarter.h"
#include "workers/StartProcessFromThread.h"

namespace
{
OruTickCount g_pfnTickCount = nullptr;

// The product gets this long to report that it waits for a command.
const DWORD kProductWaitMs = 120000;

const DWORD kExitRebootRequired = 3010;
const DWORD kExitAnotherInstall = 1618;
const DWORD kExitDotNetNotInstallable = 5100;
}

void SetOruTickCount(OruTickCount pfnTickCount)
{
    g_pfnTickCount = pfnTickCount;
}

DWORD GetOruTickCount()
{
    return g_pfnTickCount ? g_pfnTickCount() : GetTickCount();
}

int COruProcess::GetNextStep(bool bPrintDots)
{
    CSingleLock lock(&m_lock, true);
    return DecideNextStep(bPrintDots);
}

int COruProcess::DecideNextStep(bool bPrintDots)
{
    if (!m_bShowAdvertise && m_CurrentStep == ORU_STEP_READ_CONFIG)
        return ORU_STEP_LANGUAGE;
    if (m_nForcedNextStep == ORU_STEP_START_PRODUCT)
        return ORU_STEP_START_PRODUCT;

    const COruStepRow* pRow = FindOruStepRow(m_CurrentStep);
    // The ends stay where they are; after the last question nothing follows.
    if (pRow && (pRow->nNext == pRow->nStep || pRow->nNext == ORU_STEP_NONE))
        return pRow->nNext;
    if (pRow)
    {
        CProgramOutcome program;
        if (pRow->outcome && !(this->*pRow->outcome)(bPrintDots, program))
            return ORU_STEP_BUSY;
        if (pRow->rule)
            (this->*pRow->rule)(program);
    }

    // Unpacked afresh (or found unpacked beside the program): the continuation goes on where
    // the restart left it.
    if (m_nResumeStep != -1 &&
        ((m_CurrentStep == ORU_STEP_UNPACK_INSTALLER && !m_bExtractionNeeded) ||
         (m_CurrentStep == ORU_STEP_SELF_UPDATE_OR_EXTRACT && m_nForcedNextStep == -1)))
        m_nForcedNextStep = m_nResumeStep;

    if (!m_bSuccess)
        Trace(TRACE_ERROR, L"One critical installation step failed [%d]", m_CurrentStep);

    if (m_nForcedNextStep != -1)
    {
        if (m_nForcedNextStep == ORU_STEP_DOWNLOAD_DOTNET)
            m_nForcedNextStep = ORU_STEP_UNPACK_INSTALLER;
        return m_nForcedNextStep;
    }

    // Before the first step the current one is 0.
    int next = pRow ? pRow->nNext : m_CurrentStep + 1;
    if (m_bQuickMode && next == ORU_STEP_INSTALLATION_TYPE)
    {
        next = ORU_STEP_DOTNET_DECISION;
        m_bPCInstallation = TRUE;
    }
    return next;
}

void COruProcess::MarkInstallerCancelled()
{
    m_bInstallerCancelled = TRUE;
    m_bCancelled = TRUE;
    m_nForcedNextStep = ORU_STEP_CLEAN_UP;
}

void COruProcess::FailRun(const wchar_t* pszReason)
{
    Trace(TRACE_ERROR, L"%s", pszReason);
    m_bSuccess = FALSE;
    m_nForcedNextStep = ORU_STEP_CLEAN_UP;
}

// Outcome readers ------------------------------------------------------------------------------

bool COruProcess::ReadProgramOutcome(bool bPrintDots, CProgramOutcome& rProgram)
{
    rProgram.bCheckReturnCode = m_bLastCheckReturnCode;
    // A program that could not start is read as a failure at once.
    if (m_bStepStartFailed)
        return true;
    return m_pStartProcessThread &&
           m_pStartProcessThread->ProcessFinished(rProgram.bSuccess, rProgram.bCancelled, rProgram.bCheckReturnCode,
                                                  rProgram.exitCode, bPrintDots);
}

bool COruProcess::ReadSelfUpdateOutcome(bool bPrintDots, CProgramOutcome& rProgram)
{
    if (!m_bNewerOruAvailable)
        return ReadProgramOutcome(bPrintDots, rProgram);
    // The newer controller runs on: nothing of this run is waited for any more.
    rProgram.bSuccess = true;
    return true;
}

bool COruProcess::ReadDownloadOutcome(bool, CProgramOutcome&)
{
    bool success = false;
    if (!m_bStepStartFailed)
    {
        if (!m_pDownloadThread)
            return false;
        int result = 0, runs = 0;
        if (!m_pDownloadThread->IsFinished(result, runs))
            return false;
        m_nDownloadAttempts = runs;
        success = result != 0;
    }
    if (success)
    {
        m_nDownloadAttempts = 0;
        if (m_CurrentStep == ORU_STEP_DOWNLOAD_INSTALLER && m_bNewerOruAvailable)
            m_nForcedNextStep = ORU_STEP_DOWNLOAD_ORU;
        else if (m_CurrentStep == ORU_STEP_DOWNLOAD_DOTNET)
            m_nForcedNextStep = ORU_STEP_UNPACK_INSTALLER;
        else
            m_nForcedNextStep = m_bDotNetInstalled ? ORU_STEP_UNPACK_INSTALLER : ORU_STEP_DOWNLOAD_DOTNET;
    }
    else if (m_nDownloadAttempts > 2)
    {
        // Failed, not cancelled: no one chose to stop, and the exit code and the finish page
        // must say that setup could not get its files.
        m_nForcedNextStep = ORU_STEP_CLEAN_UP;
        m_bSuccess = FALSE;
    }
    else
        m_nForcedNextStep = m_CurrentStep;
    return true;
}

bool COruProcess::ReadUSBCopyOutcome(bool, CProgramOutcome&)
{
    // A copy that could not start, or that ended without success, ends the USB installation.
    bool bCopied = false;
    if (!m_bStepStartFailed && m_pUSBCopyThread && !m_pUSBCopyThread->IsFinished(bCopied))
        return false;
    if (m_bStepStartFailed || !bCopied)
    {
        m_bSuccess = FALSE;
        m_nForcedNextStep = ORU_STEP_USB_END;
    }
    return true;
}

bool COruProcess::ReadDotNetCheckOutcome(bool, CProgramOutcome&)
{
    if (m_bStepStartFailed)
    {
        // A check that cannot run cannot switch .NET on: the run cannot go on without it.
        FailRun(L"COruProcess::GetNextStep the .NET check could not be started, setup fails!");
        return true;
    }
    int result = 0;
    return !m_pDotNetCheckThread || m_pDotNetCheckThread->IsFinished(result);
}

bool COruProcess::ReadInternetCheckOutcome(bool, CProgramOutcome&)
{
    int result = 0;
    if (!m_bStepStartFailed)
    {
        if (!m_pInternetCheckThread || !m_pInternetCheckThread->IsFinished(result))
            return false;
    }
    m_bInternetIsWorking = result != 0;
    if (m_bInternetIsWorking && !m_bArchivePresent)
        m_nForcedNextStep = ORU_STEP_DOWNLOAD_INSTALLER;
    else if (!m_bInternetIsWorking)
        m_nForcedNextStep = m_bContinueOffline ? ORU_STEP_UNPACK_INSTALLER : ORU_STEP_INTERNET_CHECK;
    return true;
}

bool COruProcess::ReadFolderCopyOutcome(bool, CProgramOutcome&)
{
    bool copied = false;
    if (!m_bStepStartFailed)
    {
        if (!m_pCopyFoldersThread || !m_pCopyFoldersThread->IsFinished(copied))
            return false;
        Trace(TRACE_TRACE, L"CopyFolder for restart finished!");
    }
    // A restart into a partial copy would continue from missing files.
    if (!copied)
        FailRun(L"COruProcess::GetNextStep the setup files could not be copied for the restart, setup fails!");
    return true;
}

bool COruProcess::ReadProductOutcome(bool, CProgramOutcome&)
{
    int busy = 0;
    ReadProductState(busy);
    return !busy;
}

// Rules ----------------------------------------------------------------------------------------

void COruProcess::ReadConfigRule(const CProgramOutcome&)
{
    if (m_bVCRedistRestart)
        m_nForcedNextStep = ORU_STEP_VCREDIST_TEST_AFTER;
    if (m_bDotNetRestart)
        m_nForcedNextStep = ORU_STEP_DOTNET_CHECK;
    if (m_bUpdateReady)
        m_nForcedNextStep = ORU_STEP_UNPACK_INSTALLER;
    if (m_bUnpackAfresh)
    {
        m_nResumeStep = m_nForcedNextStep;
        m_nForcedNextStep = ORU_STEP_UNPACK_INSTALLER;
    }
    else if (m_bVCRedistRestart || m_bDotNetRestart)
        TakePackageProperties(strExtractSFXDir + L"msi\\VantolinSetup.msi");
}

void COruProcess::UnpackInstallerRule(const CProgramOutcome&)
{
    if (!m_bExtractionNeeded)
        m_nForcedNextStep = m_bQuickMode ? ORU_STEP_DOTNET_DECISION : ORU_STEP_INSTALLATION_TYPE;
}

void COruProcess::SelfUpdateRule(const CProgramOutcome& program)
{
    if (!program.bSuccess)
    {
        m_bSuccess = FALSE;
        m_nForcedNextStep = ORU_STEP_CLEAN_UP;
    }
}

void COruProcess::DotNetDecisionRule(const CProgramOutcome&)
{
    m_nForcedNextStep = (m_bDotNetInstalled && !m_bForceDotNet) ? ORU_STEP_VCREDIST_TEST : ORU_STEP_INSTALL_DOTNET;
}

void COruProcess::DotNetInstallerRule(const CProgramOutcome& program)
{
    if (program.bCancelled)
        MarkInstallerCancelled();
    else if (program.bSuccess && program.exitCode == 0)
        return;
    else if (program.exitCode == kExitRebootRequired)
        m_bRestartRequired = TRUE;
    else if (program.exitCode == kExitDotNetNotInstallable)
    {
        Trace(TRACE_TRACE, L"You can not install .NET framework on Vista or up!");
        m_nForcedNextStep = ORU_STEP_VCREDIST_TEST;
    }
    else
    {
        // An installer that could not start is a failure too, not a success with code 0.
        Trace(TRACE_ERROR, L"%d", static_cast<int>(program.exitCode));
        m_bSuccess = FALSE;
    }
}

void COruProcess::VCRedistTestRule(const CProgramOutcome& program)
{
    if (!program.bSuccess)
        m_nForcedNextStep = ORU_STEP_INSTALL_VCREDIST;
    else if (m_bRestartRequired && IsContinuation())
        FailRun(L"COruProcess::GetNextStep the runtime asks for another restart after a restart, setup fails!");
    else if (m_bRestartRequired || (m_bRestartOption && m_bDotNetInstallRan))
        m_nForcedNextStep = ORU_STEP_PREPARE_RESTART;
    else
        m_nForcedNextStep = ORU_STEP_INSTALL_VCREDIST64;
}

void COruProcess::InstallerCancelRule(const CProgramOutcome& program)
{
    if (program.bCancelled)
        MarkInstallerCancelled();
}

void COruProcess::VCRedistTestAfterRule(const CProgramOutcome& program)
{
    if (!program.bSuccess || m_bRestartRequired)
    {
        // Only the runtime's own restart may not repeat: after a .NET restart the runtime
        // was installed for the first time and may need a restart of its own.
        if (m_bVCRedistRestart)
            FailRun(program.bSuccess
                        ? L"COruProcess::GetNextStep the runtime asks for another restart after a restart, setup fails!"
                        : L"COruProcess::GetNextStep the runtime is still missing after a restart, setup fails!");
        else
            m_nForcedNextStep = ORU_STEP_PREPARE_RESTART;
    }
    else if (m_bRestartOption && (m_bDotNetInstallRan || m_bVCRedistInstallRan))
    {
        Trace(TRACE_TRACE,
              L"Attention: Restart after redistributables install was requested from ini, should be used only for "
              L"test purposes!");
        m_nForcedNextStep = ORU_STEP_PREPARE_RESTART;
    }
}

void COruProcess::PCInstallationRule(const CProgramOutcome& program)
{
    if (program.bCancelled)
        MarkInstallerCancelled();
    else if (!program.bSuccess)
    {
        m_bSuccess = FALSE;
        m_nForcedNextStep = ORU_STEP_CLEAN_UP;
    }
    else
        m_bPackageInstalled = TRUE;
}

void COruProcess::PostInstallationRule(const CProgramOutcome& program)
{
    if (!program.bSuccess && program.bCheckReturnCode)
    {
        if (program.exitCode == kExitAnotherInstall)
            m_bAnotherInstallRunning = TRUE;
        m_bSuccess = FALSE;
        m_nForcedNextStep = ORU_STEP_UNINSTALL;
    }
    else if (!m_PostInstallationSteps.empty())
        m_nForcedNextStep = ORU_STEP_POST_INSTALLATION;
    ReportPostInstallationTime();
}

void COruProcess::CleanUpRule(const CProgramOutcome&)
{
    if (m_bCancelled || !m_bSuccess)
        m_nForcedNextStep = ORU_STEP_PC_END;
}

void COruProcess::UninstallerRule(const CProgramOutcome&)
{
    // The uninstaller reports nothing we could trust: the package's own success value, which
    // its removal takes along, tells whether it is gone.
    CString value;
    if (!m_pRegistryKeys || !GetRegStringValue(*m_pRegistryKeys, REGKEY_PC_INSTALLATION_SUCCESSFUL, value) ||
        value != L"1")
        m_bPackageInstalled = FALSE;
}

void COruProcess::ReadProductState(int& rBusy)
{
    if (!m_pProductStarter || m_bProductStateRead)
        return;
    const bool alive = m_pProductStarter->IsVantolinAlive();
    if (alive && !m_pProductStarter->IsVantolinWaitingForCommand())
    {
        if (!m_bProductWaitStarted)
        {
            m_bProductWaitStarted = true;
            m_dwProductWaitStart = GetOruTickCount();
        }
        if (GetOruTickCount() - m_dwProductWaitStart < kProductWaitMs)
        {
            rBusy = 1;
            return;
        }
        m_bProductStateRead = true;
        Trace(TRACE_TRACE, L"Vantolin failed to launch silently, exited or crashed !");
        return;
    }
    m_bProductStateRead = true;
    if (alive)
    {
        m_bProductReady = TRUE;
        Trace(TRACE_TRACE,
              L"Vantolin finished initalization and is waiting for a command, we can show the finish dialog");
        if (m_bDriverRebootPending)
        {
            Trace(TRACE_TRACE, L"DEVurudeZivizor requires restart, so close Vantolin now");
            m_pProductStarter->CloseVantolin();
        }
        return;
    }
    Trace(TRACE_TRACE, L"Vantolin failed to launch silently, exited or crashed !");
}
