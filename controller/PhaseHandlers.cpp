// The installation phases: each runs its step behind the installation progress page and turns
// the page's flags into its result. A phase that cannot start fails the run; only the page's
// Cancel cancels it.

#include "CoruApp.h"
#include "OruProcess.h"
#include "OruSettings.h"
#include "RegistryKeyMap.h"
#include "SetupHelpers.h"
#include "resource.h"

#include "classlib/Handles.h"
#include "support/FileUtil.h"
#include "support/PathUtil.h"
#include "support/TraceLog.h"
#include "wizard/MsiProgressDlg.h"

#include <string>

struct COruPhase
{
    const wchar_t* pszName;
    UINT nHeading;
    UINT nSubHeading;
    UINT nText;
    // The string the text is formatted with here; 0: the page formats it with the product's name.
    UINT nTextArgument;
    int nLowPercent;
    int nHighPercent;
    int nButtonMask;
    bool bPostTicks;
    UINT nErrorText;
};

// One row per handler: texts, percent window, buttons, ticks and the box when the step cannot
// start.
#define ORU_PHASE(name, heading, sub, text, arg, low, high, mask, ticks, error)                                    \
    const COruPhase k##name = { L## #name, heading, sub, text, arg, low, high, mask, ticks, error }

namespace
{
ORU_PHASE(DotNetFrameworkInstallation, IDS_INSTALLING_HEADING, IDS_INSTALLING_SUBHEADING, IDS_INSTALL_TEXT,
          IDS_DOTNET_FRAMEWORK, 5, 20, MSI_PROGRESS_CANCEL, false, IDS_INSTALLER_NOT_STARTED);
ORU_PHASE(VCRedistInstallation, IDS_INSTALLING_HEADING, IDS_INSTALLING_SUBHEADING, IDS_INSTALL_TEXT, IDS_VCREDIST, 0,
          5, MSI_PROGRESS_CANCEL, false, IDS_INSTALLER_NOT_STARTED);
ORU_PHASE(PCInstallationProgress, IDS_INSTALLING_HEADING, IDS_INSTALLING_SUBHEADING, IDS_INSTALL_TEXT, 0, 20, 80,
          MSI_PROGRESS_CANCEL, true, IDS_INSTALLER_NOT_STARTED);
ORU_PHASE(USBInstallationProgress, IDS_INSTALLING_HEADING, IDS_INSTALLING_SUBHEADING, IDS_USB_INSTALL_TEXT, 0, 0, 95,
          0, false, IDS_USB_NOT_INSTALLED);
ORU_PHASE(PrepareRestartInstallation, IDS_FINALIZING_HEADING, IDS_PREPARING_RESTART_SUBHEADING, IDS_RESTART_COPY_TEXT,
          0, 90, 95, 0, false, IDS_NOT_FINALIZED);
ORU_PHASE(HiddenStartProduct, IDS_FINISHING_INSTALLATION, IDS_FIRST_RUN_SUBHEADING, IDS_FIRST_RUN_TEXT, 0, 95, 100, 0,
          false, IDS_PRODUCT_NOT_LAUNCHED);
ORU_PHASE(PostInstallationStepProgress, IDS_FINALIZING_HEADING, IDS_CONFIGURING_SUBHEADING, IDS_CONFIGURING_TEXT, 0,
          80, 90, 0, false, IDS_NOT_FINALIZED);

const DWORD kInstallationTickSpan = 60000;
// generation.ini holds at most this many bytes.
const size_t kGenerationFileLimit = 99;

CString LoadText(UINT nId)
{
    CString text;
    text.LoadString(nId);
    return text;
}

// The text in the thread's ANSI code page, cut to the limit at a character's end.
std::string ToAnsiWithin(const CString& text, size_t nLimit)
{
    std::string result;
    const wchar_t* p = text.GetString();
    const int length = text.GetLength();
    for (int i = 0; i < length;)
    {
        const int units = (IS_HIGH_SURROGATE(p[i]) && i + 1 < length && IS_LOW_SURROGATE(p[i + 1])) ? 2 : 1;
        char bytes[16] = {};
        const int n = WideCharToMultiByte(CP_THREAD_ACP, 0, p + i, units, bytes, sizeof(bytes), nullptr, nullptr);
        if (n <= 0 || result.size() + static_cast<size_t>(n) > nLimit)
            break;
        result.append(bytes, static_cast<size_t>(n));
        i += units;
    }
    return result;
}

// What the post-installation pump asks: busy while the worker runs the list.
class CPostInstallationPumpEngine : public IWatchedStepEngine
{
public:
    explicit CPostInstallationPumpEngine(COruProcess* pProcess) : m_pProcess(pProcess) {}
    void SetProgressWnd(HWND hWnd) override { m_pProcess->SetProgressWnd(hWnd); }
    int RunNextStep() override { return 0; }
    int GetNextStep(bool) override
    {
        return m_pProcess->IsPostInstallationFinished() ? ORU_STEP_NONE : WATCHED_STEP_BUSY;
    }

private:
    COruProcess* m_pProcess;
};
}

CMsiProgressDlg* CoruApp::PreparePhasePage(const COruPhase& phase, IProgressTimerListener* pListener)
{
    CMsiProgressDlg* pPage = GetMsiProgressDialog();
    if (!pPage)
    {
        Trace(TRACE_ERROR, L"%s: Progress dialog could not be allocated!", phase.pszName);
        m_bStepNotStarted = true;
        return nullptr;
    }
    const CString text = phase.nTextArgument
                             ? FormatResString(phase.nText, LoadText(phase.nTextArgument).GetString())
                             : LoadText(phase.nText);
    pPage->Initialize(LoadText(phase.nHeading), LoadText(phase.nSubHeading), text, phase.nLowPercent,
                      phase.nHighPercent, phase.nButtonMask, 0, pListener);
    return pPage;
}

void CoruApp::AbortPhase(CMsiProgressDlg* pPage, const COruPhase& phase, bool bShowSilent)
{
    if (bShowSilent)
        m_bSilent = false;
    MessageBoxW(pPage->GetSafeHwnd(), LoadText(phase.nErrorText), LoadText(IDS_ERROR_CAPTION), MB_OK | MB_ICONERROR);
    pPage->OnAbort();
}

bool CoruApp::PhaseResult(CMsiProgressDlg* pPage, const COruPhase& phase)
{
    if (pPage->IsCancelled())
    {
        Trace(TRACE_WARNING, L"Installation was cancelled during %s!", phase.pszName);
        return false;
    }
    if (pPage->IsAborted())
    {
        Trace(TRACE_WARNING, L"Installation was aborted during %s!", phase.pszName);
        // The step could not start: nothing the user chose.
        m_bStepNotStarted = true;
        return false;
    }
    return true;
}

bool CoruApp::CreatePhaseWindow(CMsiProgressDlg* pPage, const COruPhase& phase)
{
    if (pPage->GetSafeHwnd() || pPage->Create(IDD_MSI_PROGRESS, m_mainWindow.Get()))
        return true;
    Trace(TRACE_ERROR, L"%s: Dialog box could not be created!", phase.pszName);
    // A page that cannot be shown is a phase that cannot start: the run fails.
    m_bStepNotStarted = true;
    return false;
}

bool CoruApp::RunPhasePage(COruProcess* pProcess, const COruPhase& phase)
{
    CMsiProgressDlg* pPage = PreparePhasePage(phase, nullptr);
    if (!pPage)
        return false;
    if (&phase == &kPCInstallationProgress)
    {
        const DWORD now = GetTickCount();
        pPage->SetRange(static_cast<int>(now), static_cast<int>(now + kInstallationTickSpan));
        pPage->RangedProgress_SetPos(0);
    }
    if (!CreatePhaseWindow(pPage, phase))
        return false;
    if (!RunModelessProgress(pProcess, pPage, true, phase.bPostTicks))
        AbortPhase(pPage, phase, true);
    return PhaseResult(pPage, phase);
}

bool CoruApp::DotNetFrameworkInstallation(COruProcess* pProcess)
{
    const COruPhase& phase = kDotNetFrameworkInstallation;
    CMsiProgressDlg* pPage = PreparePhasePage(phase, nullptr);
    if (!pPage)
        return false;
    if (!CreatePhaseWindow(pPage, phase))
        return false;
    // An installer that asks for another round keeps the page as it is.
    do
    {
        if (!RunModelessProgress(pProcess, pPage, true, false))
            AbortPhase(pPage, phase, true);
        if (!PhaseResult(pPage, phase))
            return false;
    } while (pProcess->IsRepeatDotNetStep());
    return true;
}

bool CoruApp::VCRedistInstallation(COruProcess* pProcess)
{
    return RunPhasePage(pProcess, kVCRedistInstallation);
}

bool CoruApp::PCInstallationProgress(COruProcess* pProcess)
{
    CloseDownloadProgressDialog(pProcess);
    return RunPhasePage(pProcess, kPCInstallationProgress);
}

bool CoruApp::USBInstallationProgress(COruProcess* pProcess)
{
    const COruPhase& phase = kUSBInstallationProgress;
    CloseDownloadProgressDialog(pProcess);
    CMsiProgressDlg* pPage = nullptr;
    {
        // The copy worker asks for the page's window under this lock.
        CSingleLock lock(&m_msiPageLock, true);
        pPage = PreparePhasePage(phase, nullptr);
        if (!pPage)
            return false;
        if (!CreatePhaseWindow(pPage, phase))
            return false;
    }
    if (!RunModelessProgress(pProcess, pPage, true, false))
        AbortPhase(pPage, phase, true);
    return PhaseResult(pPage, phase);
}

bool CoruApp::PrepareRestartInstallation(COruProcess* pProcess)
{
    const COruPhase& phase = kPrepareRestartInstallation;
    if (!GetMsiProgressDialog())
    {
        Trace(TRACE_ERROR, L"%s: Progress dialog could not be allocated!", phase.pszName);
        m_bStepNotStarted = true;
        return false;
    }
    // The controller started after the restart reads the choices back.
    const CRegistryKeyMap& map = *m_pRegistryKeyMap;
    SetRegStringValue(map, REGKEY_RESTART_INSTALL_DIR, m_strInstallFolder);
    SetRegStringValue(map, REGKEY_RESTART_INTEGRATE_MUSIC_LIB, m_bIntegrateMusicLib ? L"1" : L"0");
    SetRegStringValue(map, REGKEY_RESTART_COMMON_MUSIC_LIB_DIR, m_bCommonMusicFolder ? L"1" : L"0");
    if (m_bCustomMusicFolderChosen && !m_strCustomMusicFolder.IsEmpty())
        SetRegStringValue(map, REGKEY_RESTART_CUSTOM_MUSIC_LIB_DIR, m_strCustomMusicFolder);
    SetRegStringValue(map, REGKEY_RESTART_DOWNLOAD_LAME, m_bDownloadEncoder ? L"1" : L"0");
    SetRegStringValue(map, REGKEY_RESTART_SEND_USAGE_STATS, m_bSendUsageStats ? L"1" : L"0");
    SetRegStringValue(map, REGKEY_RESTART_IMPORT_SETTINGS, m_bImportSettings ? L"1" : L"0");
    m_bRestartEntriesWritten = true;
    return RunPhasePage(pProcess, phase);
}

bool CoruApp::HiddenStartProduct(COruProcess* pProcess, IHiddenVantolinStarter* pProductStarter)
{
    const COruPhase& phase = kHiddenStartProduct;
    m_pProductStateSource = pProductStarter;
    CMsiProgressDlg* pPage = PreparePhasePage(phase, this);
    if (!pPage)
        return false;
    pPage->SetRange(0, 20);
    pPage->RangedProgress_SetPos(0);
    pPage->SetStep(1);
    if (!CreatePhaseWindow(pPage, phase))
        return false;
    if (!pProcess->RunNextStep())
    {
        // The product is installed by now: one that does not start ends nothing (the run goes
        // on to its end without it).
        AbortPhase(pPage, phase, true);
        m_pProductStateSource = nullptr;
        return true;
    }
    RunModelessProgress(pProcess, pPage, false, false);
    pPage->StopTimer();
    m_pProductStateSource = nullptr;
    return !pPage->IsCancelled();
}

bool CoruApp::WritePostInstallationFiles()
{
    const wchar_t* const pszName = kPostInstallationStepProgress.pszName;
    CString text;
    text.Format(L"[Settings]\r\ngeneration=%s\r\n", COruSettings::GetInstance().GetGeneration().GetString());
    const std::string bytes = ToAnsiWithin(text, kGenerationFileLimit);
    const CString generationFile = BuildPath(m_strInstallFolder, L"generation.ini", nullptr);
    CScopedFileHandle file(CreateFileW(generationFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        Trace(TRACE_ERROR, L"%s: Failed to create generation.ini!", pszName);
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.Get()))
    {
        Trace(TRACE_ERROR, L"%s: Failed to create / write generation.ini!", pszName);
        return false;
    }
    m_bPostInstallFilesWritten = TRUE;

    const CString updateFolder = BuildPath(m_strInstallFolder, L"Update", nullptr);
    if ((!FolderExists(updateFolder) && !CreateFolderTree(updateFolder, nullptr)) ||
        !COruSettings::GetInstance().Write(BuildPath(updateFolder, L"oru.ini", nullptr)))
    {
        Trace(TRACE_ERROR, L"%s: Failed to create / write oru.ini!", pszName);
        return false;
    }
    return true;
}

bool CoruApp::PostInstallationStepProgress(COruProcess* pProcess)
{
    const COruPhase& phase = kPostInstallationStepProgress;
    CMsiProgressDlg* pPage = PreparePhasePage(phase, nullptr);
    if (!pPage)
        return false;
    if (!m_bPostInstallFilesWritten && !WritePostInstallationFiles())
    {
        m_bStepNotStarted = true;
        return false;
    }
    if (!CreatePhaseWindow(pPage, phase))
        return false;
    CPostInstallationPumpEngine engine(pProcess);
    engine.SetProgressWnd(pPage->GetSafeHwnd());
    ::ShowWindow(pPage->GetSafeHwnd(), m_bSilent ? SW_HIDE : SW_SHOW);
    if (!pProcess->RunNextStep())
    {
        Trace(TRACE_ERROR, L"%s: the step could not be started", phase.pszName);
        AbortPhase(pPage, phase, false);
    }
    else if (!pProcess->StartPostInstallationSteps())
    {
        Trace(TRACE_ERROR, L"%s: the post-installation worker could not be started", phase.pszName);
        AbortPhase(pPage, phase, false);
    }
    else
    {
        // The worker drives the page and ends it; the pump also ends once the worker is through.
        ::RunModelessProgress(&engine, pPage, false, false, m_bSilent);
    }
    return PhaseResult(pPage, phase);
}
