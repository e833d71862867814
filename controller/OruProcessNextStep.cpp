// The choice of the next step from the last step's outcome.

#include "OruProcess.h"
#include "SetupHelpers.h"

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
    if (!m_bShowAdvertise && m_CurrentStep == 1)
        return 3;
    if (m_nForcedNextStep == 33)
        return 33;
    if (m_CurrentStep == ORU_STEP_PC_END || m_CurrentStep == ORU_STEP_USB_END)
        return m_CurrentStep;

    switch (m_CurrentStep)
    {
    case 14:
        // The newer controller runs on: nothing of this run is waited for any more.
        if (m_bNewerOruAvailable)
            break;
        // fall through
    case 20: case 22: case 23: case 24: case 25: case 26: case 28: case 39:
    {
        int busy = 0;
        if (!CheckStartProcessWorker(m_CurrentStep, bPrintDots, busy))
            return ORU_STEP_BUSY;
        if (m_CurrentStep == 28)
            ReportPostInstallationTime();
        break;
    }
    case 10: case 11: case 12:
        if (!ReadDownloadOutcome(m_CurrentStep))
            return ORU_STEP_BUSY;
        break;
    case 34:
    {
        // A copy that could not start, or that ended without success, ends the USB installation.
        bool bCopied = false;
        if (!m_bStepStartFailed && m_pUSBCopyThread && !m_pUSBCopyThread->IsFinished(bCopied))
            return ORU_STEP_BUSY;
        if (m_bStepStartFailed || !bCopied)
        {
            m_bSuccess = FALSE;
            m_nForcedNextStep = ORU_STEP_USB_END;
        }
        break;
    }
    case 36:
    {
        int busy = 0;
        if (!CheckStartProcessWorker(m_CurrentStep, bPrintDots, busy))
            return ORU_STEP_BUSY;
        break;
    }
    case 21:
        if (m_bStepStartFailed)
        {
            // A check that cannot run cannot switch .NET on: the run cannot go on without it.
            FailRun(L"COruProcess::GetNextStep the .NET check could not be started, setup fails!");
            break;
        }
        if (m_pDotNetCheckThread)
        {
            int result = 0;
            if (!m_pDotNetCheckThread->IsFinished(result))
                return ORU_STEP_BUSY;
        }
        break;
    case 6:
        if (!ReadInternetCheckOutcome())
            return ORU_STEP_BUSY;
        break;
    case 40:
        if (!ReadFolderCopyOutcome())
            return ORU_STEP_BUSY;
        break;
    case 30:
        if (m_bCancelled || !m_bSuccess)
            m_nForcedNextStep = ORU_STEP_PC_END;
        break;
    case 31:
    {
        int busy = 0;
        ReadProductState(busy);
        if (busy)
            return ORU_STEP_BUSY;
        break;
    }
    case 13:
        if (!m_bExtractionNeeded)
            m_nForcedNextStep = m_bQuickMode ? 19 : 16;
        break;
    case 19:
        m_nForcedNextStep = (m_bDotNetInstalled && !m_bForceDotNet) ? 22 : 20;
        break;
    case ORU_STEP_CONFIRM_RESTART:
        return ORU_STEP_NONE;
    case 1:
        if (m_bVCRedistRestart)
            m_nForcedNextStep = 24;
        if (m_bDotNetRestart)
            m_nForcedNextStep = 21;
        if (m_bUpdateReady)
            m_nForcedNextStep = 13;
        if (m_bUnpackAfresh)
        {
            m_nResumeStep = m_nForcedNextStep;
            m_nForcedNextStep = 13;
        }
        else if (m_bVCRedistRestart || m_bDotNetRestart)
        {
            const CString package = strExtractSFXDir + L"msi\\VantolinSetup.msi";
            const CString version = GetMsiProperty(package, L"ProductVersion");
            const CString generation = GetMsiProperty(package, L"VANTOLIN_GENERATION");
            if (!version.IsEmpty())
                m_strProductVersion = version;
            if (!generation.IsEmpty())
                m_strGeneration = generation;
        }
        break;
    default:
        break;
    }

    // Unpacked afresh (or found unpacked beside the program): the continuation goes on where
    // the restart left it.
    if (m_nResumeStep != -1 &&
        ((m_CurrentStep == 13 && !m_bExtractionNeeded) || (m_CurrentStep == 14 && m_nForcedNextStep == -1)))
        m_nForcedNextStep = m_nResumeStep;

    if (!m_bSuccess)
        Trace(TRACE_ERROR, L"One critical installation step failed [%d]", m_CurrentStep);

    if (m_nForcedNextStep != -1)
    {
        if (m_nForcedNextStep == 12)
            m_nForcedNextStep = 13;
        return m_nForcedNextStep;
    }

    int next = m_CurrentStep + 1;
    if (next == 7)
        next = 8;
    if (m_bQuickMode && next == 16)
    {
        next = 19;
        m_bPCInstallation = TRUE;
    }
    return next;
}

// False while the program of the step still runs.
bool COruProcess::CheckStartProcessWorker(int nStep, bool bPrintDots, int& rBusy)
{
    bool success = false, cancelled = false, checkReturnCode = m_bLastCheckReturnCode;
    DWORD exitCode = 0;
    if (!m_bStepStartFailed)
    {
        if (!m_pStartProcessThread)
        {
            rBusy = 1;
            return false;
        }
        if (!m_pStartProcessThread->ProcessFinished(success, cancelled, checkReturnCode, exitCode, bPrintDots))
        {
            rBusy = 1;
            return false;
        }
    }
    ApplyProgramRule(nStep, success, cancelled, checkReturnCode, exitCode);
    return true;
}

void COruProcess::MarkInstallerCancelled()
{
    m_bInstallerCancelled = TRUE;
    m_bCancelled = TRUE;
    m_nForcedNextStep = 30;
}

void COruProcess::FailRun(const wchar_t* pszReason)
{
    Trace(TRACE_ERROR, L"%s", pszReason);
    m_bSuccess = FALSE;
    m_nForcedNextStep = 30;
}

void COruProcess::ApplyProgramRule(int nStep, bool bSuccess, bool bCancelled, bool bCheckReturnCode, DWORD exitCode)
{
    switch (nStep)
    {
    case 14:
        if (!bSuccess)
        {
            m_bSuccess = FALSE;
            m_nForcedNextStep = 30;
        }
        break;
    case 20:
        if (bCancelled)
            MarkInstallerCancelled();
        else if (bSuccess && exitCode == 0)
            break;
        else if (exitCode == kExitRebootRequired)
            m_bRestartRequired = TRUE;
        else if (exitCode == kExitDotNetNotInstallable)
        {
            Trace(TRACE_TRACE, L"You can not install .NET framework on Vista or up!");
            m_nForcedNextStep = 22;
        }
        else
        {
            // An installer that could not start is a failure too, not a success with code 0.
            Trace(TRACE_ERROR, L"%d", static_cast<int>(exitCode));
            m_bSuccess = FALSE;
        }
        break;
    case 22:
        if (!bSuccess)
            m_nForcedNextStep = 23;
        else if (m_bRestartRequired && IsContinuation())
            FailRun(L"COruProcess::GetNextStep the runtime asks for another restart after a restart, setup fails!");
        else if (m_bRestartRequired || (m_bRestartOption && m_bDotNetInstallRan))
            m_nForcedNextStep = 40;
        else
            m_nForcedNextStep = 25;
        break;
    case 23:
    case 25:
        if (bCancelled)
            MarkInstallerCancelled();
        break;
    case 24:
        if (!bSuccess || m_bRestartRequired)
        {
            // Only the runtime's own restart may not repeat: after a .NET restart the runtime
            // was installed for the first time and may need a restart of its own.
            if (m_bVCRedistRestart)
                FailRun(bSuccess ? L"COruProcess::GetNextStep the runtime asks for another restart after a restart, setup fails!"
                                 : L"COruProcess::GetNextStep the runtime is still missing after a restart, setup fails!");
            else
                m_nForcedNextStep = 40;
        }
        else if (m_bRestartOption && (m_bDotNetInstallRan || m_bVCRedistInstallRan))
        {
            Trace(TRACE_TRACE,
                  L"Attention: Restart after redistributables install was requested from ini, should be used only for "
                  L"test purposes!");
            m_nForcedNextStep = 40;
        }
        break;
    case 26:
        if (bCancelled)
            MarkInstallerCancelled();
        else if (!bSuccess)
        {
            m_bSuccess = FALSE;
            m_nForcedNextStep = 30;
        }
        break;
    case 28:
        if (!bSuccess && bCheckReturnCode)
        {
            if (exitCode == kExitAnotherInstall)
                m_bAnotherInstallRunning = TRUE;
            m_bSuccess = FALSE;
            m_nForcedNextStep = 39;
        }
        else if (!m_PostInstallationSteps.empty())
            m_nForcedNextStep = 28;
        break;
    case 39:
        m_nForcedNextStep = ORU_STEP_PC_END;
        break;
    default:
        break;
    }
}

// False while the download still runs.
bool COruProcess::ReadDownloadOutcome(int nStep)
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
        if (nStep == 10 && m_bNewerOruAvailable)
            m_nForcedNextStep = 11;
        else if (nStep == 12)
            m_nForcedNextStep = 13;
        else
            m_nForcedNextStep = m_bDotNetInstalled ? 13 : 12;
    }
    else if (m_nDownloadAttempts > 2)
    {
        m_nForcedNextStep = 30;
        m_bSuccess = FALSE;
        m_bCancelled = TRUE;
    }
    else
        m_nForcedNextStep = nStep;
    return true;
}

// False while the check still runs.
bool COruProcess::ReadInternetCheckOutcome()
{
    int result = 0;
    if (!m_bStepStartFailed)
    {
        if (!m_pInternetCheckThread || !m_pInternetCheckThread->IsFinished(result))
            return false;
    }
    m_bInternetIsWorking = result != 0;
    if (m_bInternetIsWorking && !m_bArchivePresent)
        m_nForcedNextStep = 10;
    else if (!m_bInternetIsWorking)
        m_nForcedNextStep = m_bContinueOffline ? 13 : 6;
    return true;
}

// False while the copy still runs.
bool COruProcess::ReadFolderCopyOutcome()
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
