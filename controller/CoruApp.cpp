#include "CoruApp.h"
#include "OruProcess.h"
#include "OruSettings.h"
#include "OruUtil.h"
#include "PackageProperties.h"
#include "RegistryKeyMap.h"
#include "resource.h"
#include "SetupCommandLines.h"
#include "SetupHelpers.h"

#include "config/GenerationNames.h"
#include "config/OruCommunicationConfig.h"
#include "config/QMConfig.h"
#include "config/QMModule.h"
#include "config/SettingsKeys.h"
#include "download/EmbeddedSignature.h"
#include "refresh_rt/refresh_rt.h"
#include "support/FileUtil.h"
#include "support/Folders.h"
#include "support/Language.h"
#include "support/PathUtil.h"
#include "support/ProcessAge.h"
#include "support/ProxySettings.h"
#include "support/SysUtil.h"
#include "support/SystemInfo.h"
#include "support/TraceLog.h"
#include "wizard/DownloadProgressDlg.h"
#include "wizard/EulaDlg.h"
#include "wizard/MsiProgressDlg.h"
#include "wizard/StartPagesHost.h"
#include "wizard/WizardHost.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

namespace
{
const wchar_t kProductWord[] = L"Vantolin";
const wchar_t kPartnerKipsy[] = L"11082";
const wchar_t kPartnerTollex[] = L"61000";
const wchar_t kRunningAppKey[] = L"Software\\Quillmark";
const wchar_t kRunningAppValue[] = L"CurrentlyRunningVantolinApp";
const DWORD kUpdateModeInstanceWaitMs = 30000;
// The copy that hands over (or takes over) ends within moments; as the cleanup program does,
// a process still running after this long is not waited for any more.
const DWORD kHandOverWaitMs = 10 * 60 * 1000;

CString ProgramFilesFolder()
{
    CString folder;
    GetSpecialFolder(nullptr, CSIDL_PROGRAM_FILES, folder);
    AppendBackslash(folder);
    return folder;
}

CString DefaultInstallFolder(const wchar_t* pszVersion)
{
    CString folder;
    folder.Format(L"%s%s\\%s %s", ProgramFilesFolder().GetString(), kProductWord, kProductWord, pszVersion);
    return folder;
}

CString SystemDriveRoot()
{
    wchar_t buf[MAX_PATH + 1] = {};
    GetSystemDirectoryW(buf, MAX_PATH);
    CString root(buf);
    const int sep = root.Find(L'\\');
    return sep < 0 ? CString(L"C:\\") : root.Left(sep + 1);
}
}

namespace
{
// What the pages see of the application.
class CAppWizardHost : public IWizardHost
{
public:
    explicit CAppWizardHost(CoruApp& app) : m_app(app) {}
    CString GetAppTitle() override { return m_app.GetAppTitle(); }
    CString GetProductDisplayName() override { return COruSettings::GetInstance().GetProductDisplayName(); }
    const CBitmap* GetHeaderBitmap() override { return &m_app.GetHeaderBitmap(); }
    const CBitmap* GetWatermarkBitmap() override { return &m_app.GetWatermarkBitmap(); }
    void RestorePagePosition(HWND hPage) override { RestoreWindowPosition(hPage); }
    void SavePagePosition(HWND hInsertAfter, int x, int y) override { SaveWindowPosition(hInsertAfter, x, y); }

private:
    CoruApp& m_app;
};

// What the pages before the installation take from the setup's settings.
class CAppStartPagesHost : public IStartPagesHost
{
public:
    CString GetPartnerId() override { return COruSettings::GetInstance().GetPartnerID(); }
    CString GetVersionText() override { return COruSettings::GetInstance().GetVersionText(); }
    void GetSupportedLanguages(CStringArray& rCodes, int nMode) override
    {
        COruUtil::GetSupportedLanguages(rCodes, nMode);
    }
    void ShowEula(const wchar_t* pszFile, HWND hParent) override
    {
        CEulaDlg eula(pszFile, hParent);
        if (eula.DoModal() == -1)
            Trace(TRACE_ERROR, L"ShowEula: the licence [%s] could not be shown", pszFile);
    }
};
}

CoruApp::CoruApp()
    : m_strInstallFolder(DefaultInstallFolder(L"9")), m_strCustomMusicFolder(SystemDriveRoot())
{
}

CoruApp::~CoruApp()
{
    // Owned objects go in this order; the texts, locks and bitmaps follow as members. The
    // statistics read the module descriptors up to their release.
    m_pUsageStatistics.reset();
    m_pModule.reset();
    m_retiredModules.clear();
    // The pages' windows are children of the main window.
    m_pMsiProgressDlg.reset();
    m_pDownloadProgressDlg.reset();
    m_mainWindow.Close();
    m_pRegistryKeyMap.reset();
}

bool CoruApp::IsPartner(const wchar_t* pszPartnerId) const
{
    return COruSettings::GetInstance().GetPartnerID() == pszPartnerId;
}

CString CoruApp::ReplaceProductWord(const CString& text) const
{
    CString result(text);
    if (IsPartner(kPartnerKipsy))
        result.Replace(kProductWord, COruSettings::GetInstance().GetProductDisplayName());
    return result;
}

BOOL CoruApp::InitInstance()
{
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_WIN95_CLASSES };
    InitCommonControlsEx(&icc);
    CWinApp::InitInstance();
    static CAppWizardHost s_wizardHost(*this);
    SetWizardHost(&s_wizardHost);
    static CAppStartPagesHost s_startPagesHost;
    SetStartPagesHost(&s_startPagesHost);
    AfxEnableControlContainer();
    AfxInitRichEdit2();

    InitializeKernelComponents();
    // Read now, while the program file is the one that was started: the rule every archive,
    // update and download of the run is checked against.
    GetOwnSignerRule();

    if (m_strRestartReason == L"Update")
    {
        RunSelfUpdateHandOver();
        return FALSE;
    }
    if (m_strRestartReason == L"UpdateReady")
        WaitForProcess(m_dwParentPid, L"Waiting for updater (new) ORU process with PID <%lu> to finish...\n");

    // A run that ends in the checks installs nothing, so it must not report success (0).
    const CString refusedGeneration = COruSettings::GetInstance().GetRefusedGeneration();
    if (!refusedGeneration.IsEmpty())
    {
        Trace(TRACE_ERROR, L"CoruApp::InitInstance : the generation [%s] of oru.ini cannot name a folder",
              refusedGeneration.GetString());
        m_nExitCode = ORU_EXIT_PC_FAILED;
    }
    else if (!VerifySystemRequirements())
        m_nExitCode = ORU_EXIT_PC_FAILED;
    else if (!CheckAlreadyRunning(true))
        m_nExitCode = ORU_EXIT_PC_CANCELLED;
    else if (!CheckInstallerServiceIdle())
        m_nExitCode = ORU_EXIT_ANOTHER_INSTALL_RUNNING;
    else
    {
        CreateMainWindow();
        ProcessAsAdminSteps();
    }

    ReleaseInstanceFlag();
    Trace(TRACE_TRACE, L"CoruApp::InitInstance exited");
    return FALSE;
}

int CoruApp::ExitInstance()
{
    // The configuration store goes with the process's exit handlers, before this object: the
    // statistics that read it are released here.
    m_pUsageStatistics.reset();
    // The pages' windows go before the main window that owns them; the objects with this one.
    CloseDownloadProgressDialog(nullptr);
    CloseMsiProgressDialog(nullptr);
    CWinApp::ExitInstance();
    return m_nExitCode;
}

int CoruApp::OnUnhandledException(const wchar_t* pszWhat)
{
    Trace(TRACE_ERROR, L"CoruApp::OnUnhandledException : the run ends on %s", pszWhat ? pszWhat : L"");
    return m_bUSBInstallationRunning ? ORU_EXIT_USB_FAILED : ORU_EXIT_PC_FAILED;
}

void CoruApp::InitializeKernelComponents()
{
    m_strProgramFolder = GetModuleFolder(nullptr);
    m_strSettingsPath = BuildPath(m_strProgramFolder, L"oru.ini", nullptr);

    COruSettings& settings = COruSettings::GetInstance();
    settings.Read(m_strSettingsPath);
    const CString generation = settings.GetGeneration();

    m_instanceFlag.SetName(GetInstanceFlagName(generation));

    m_pConfig = QMConfig::GetInstance();
    m_pConfig->SetRoot(GetGenerationRootName(generation), 0);
    m_pConfig->Initialize();

    m_pModule.reset(new CQMModule(kProductWord, generation));

    InitializeSharedSettingsKeys(m_pConfig);
    InitializeProductSettingsKeys(m_pConfig, m_pModule.get());
    OruCommunicationConfig::Init(m_pConfig);

    SetupTraceLog();

    m_pRegistryKeyMap.reset(new CRegistryKeyMap(10));
    m_pRegistryKeyMap->Fill(generation);

    ReadCommandLine();
    ChooseInterfaceLanguage();
    SetupBranding();

    GetProxySettings().Set(1, L"");

    if (IsPartner(kPartnerKipsy) && !m_bUpdateMode)
    {
        m_strInstallFolder.Replace(kProductWord, settings.GetProductDisplayName());
        m_bDownloadEncoder = FALSE;
        m_bImportSettings = FALSE;
    }

    CString tempFolder = GetTempFolderSetting();
    AppendBackslash(tempFolder);
    if (m_strExtractFolder.IsEmpty())
        m_strExtractFolder = tempFolder + kExtractFolderName;
    m_strRestartCopyFolder = tempFolder + L"Installer\\";

    m_bDotNetPresent = COruUtil::DetectDotNetVersions(&m_bDotNet20, &m_bDotNet30, &m_bDotNet35, &m_bDotNet40);
    Trace(TRACE_TRACE, L"DotNet is %sinstalled", m_bDotNetPresent ? L"" : L"not ");

    Trace(TRACE_TRACE, L"InitializeKernelComponents : initializing usage statistics");
    m_pUsageStatistics.reset(
        CUsageStatisticsFactory::GetUsageStatisticsInstance(ViewToEdition(m_nProductView), m_pConfig, m_pModule.get(), true));

    CreateGuidString(m_strRunId);
}

void CoruApp::ChooseInterfaceLanguage()
{
    CStringArray supported;
    COruUtil::GetSupportedLanguages(supported, IsPartner(kPartnerKipsy) ? 1 : 0);
    if (m_interfaceLanguage == 0)
    {
        wchar_t code[6] = {};
        if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, code, 6))
            for (const CString& candidate : supported)
                if (candidate == code)
                {
                    LanguageCodeToLangId(candidate, m_interfaceLanguage);
                    break;
                }
    }
    ApplyInterfaceLanguage();
}

void CoruApp::ApplyInterfaceLanguage()
{
    if (m_interfaceLanguage == 0)
        return;
    // Resources are loaded in this language explicitly: the thread's UI language is not
    // honoured everywhere.
    AfxSetResourceLanguage(m_interfaceLanguage);
    if (IsWindowsVistaOrLater())
    {
        typedef LANGID(WINAPI * SetThreadUILanguageFn)(LANGID);
        auto fn = reinterpret_cast<SetThreadUILanguageFn>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadUILanguage"));
        if (fn)
            fn(m_interfaceLanguage);
    }
    else
        SetThreadLocale(MAKELCID(m_interfaceLanguage, SORT_DEFAULT));
}

void CoruApp::SetupBranding()
{
    COruSettings& settings = COruSettings::GetInstance();
    settings.Read(m_strSettingsPath);

    m_strAppTitle = FormatResString(IDS_APP_TITLE_FORMAT, settings.GetProductDisplayName().GetString());
    if (m_strAppTitle.IsEmpty())
        m_strAppTitle.LoadString(IDS_APP_TITLE_FALLBACK);
    SetAppName(m_strAppTitle);

    m_pUpdate = CUpdate::GetUpdateInstance(ViewToEdition(settings.GetView()), m_pConfig, m_pModule.get(), true);

    const wchar_t* pszHeader = L"header_neutral.bmp";
    const wchar_t* pszWatermark = L"watermark_neutral.bmp";
    if (IsPartner(kPartnerKipsy))
    {
        pszHeader = L"header_kipsy.bmp";
        pszWatermark = L"watermark_kipsy.bmp";
    }
    else if (IsPartner(kPartnerTollex))
    {
        pszHeader = L"header_tollex.bmp";
        pszWatermark = L"watermark_tollex.bmp";
    }
    const CString gfx = BuildPath(m_strProgramFolder, L"gfx", nullptr);
    if (!m_headerBitmap.Load(BuildPath(gfx, pszHeader, nullptr)))
        Trace(TRACE_ERROR, L"Failed to load header bmp");
    if (!m_watermarkBitmap.Load(BuildPath(gfx, pszWatermark, nullptr)))
        Trace(TRACE_ERROR, L"Failed to load watermark bmp");
}

void CoruApp::WaitForProcess(DWORD pid, const wchar_t* pszFormat)
{
    CScopedHandle process(OpenProcessForWait(pid));
    if (!process)
        return;
    // The process we were told about has ended and its id was given out again (or the id only
    // resembles a live one): waiting for an unrelated program would hold up this run.
    if (!IsProcessNamedBy(process.Get(), pid, GetOwnProcessCreationTime()))
    {
        Trace(TRACE_WARNING, L"CoruApp::WaitForProcess : not waiting for the process with PID <%lu>: it started after this one",
              pid);
        return;
    }
    Trace(TRACE_TRACE, pszFormat, pid);
    if (WaitForSingleObject(process.Get(), kHandOverWaitMs) != WAIT_OBJECT_0)
        Trace(TRACE_WARNING, L"CoruApp::WaitForProcess : the process with PID <%lu> has not ended after %lu minutes, going on",
              pid, kHandOverWaitMs / 60000);
}

void CoruApp::RunSelfUpdateHandOver()
{
    Trace(TRACE_INFO, L"The new ORU is about to update its older copy");

    CString ownName = GetModuleFileNameOnly();
    if (ownName.IsEmpty())
        ownName = L"VantolinSetup.exe";
    const CString target = BuildPath(m_strProgramFolder, ownName, nullptr);
    // Without the older copy's folder (a /module_dir: refused or missing) the target is this
    // program: nothing to replace, and a start would only run this copy again.
    if (IsSamePath(target, GetModuleFilePath()))
    {
        Trace(TRACE_WARNING, L"CoruApp::RunSelfUpdateHandOver : no older copy named, [%s] is this program: nothing is updated",
              target.GetString());
        m_nExitCode = ORU_EXIT_PC_FAILED;
        return;
    }

    WaitForProcess(m_dwParentPid, L"Waiting for old ORU process with PID <%lu> to finish...\n");

    Sleep(1000);
    Trace(TRACE_TRACE, L"ORU is updating the copy of itself at [%s]", target.GetString());
    DeleteFileW(target);
    if (!CopyFileW(GetModuleFilePath(), target, FALSE))
        Trace(TRACE_ERROR, L"ERROR: There was a problem updating the ORU at [%s]", target.GetString());

    CString parameters;
    parameters.Format(L"/restart:%s /pid:%lu", L"UpdateReady", GetCurrentProcessId());

    ReleaseInstanceFlag();

    SHELLEXECUTEINFOW sei = { sizeof(sei) };
    sei.fMask = SEE_MASK_UNICODE;
    sei.lpVerb = L"open";
    sei.lpFile = target;
    sei.lpParameters = parameters;
    sei.lpDirectory = m_strProgramFolder;
    sei.nShow = SW_SHOW;
    if (!ShellExecuteExW(&sei))
    {
        Trace(TRACE_ERROR, L"ERROR: There was a problem running the updated ORU at [%s]", target.GetString());
        CString text, caption;
        text.LoadString(IDS_SELF_UPDATE_FAILED);
        caption.LoadString(IDS_ERROR_CAPTION);
        MessageBoxW(nullptr, ReplaceProductWord(text), caption, MB_ICONERROR);
    }
}

bool CoruApp::VerifySystemRequirements()
{
    const bool ok = COruUtil::MeetsSystemRequirements(IsWindowsXPFamily(), GetServicePackMajor(), IsWindowsXPOrLater());
    if (ok)
        return true;
    ShowFinishedInstallation(IDS_REQUIRES_XP_SP2, nullptr);
    Trace(TRACE_TRACE, L"VerifySystemRequirements failed!");
    return false;
}

bool CoruApp::CheckAlreadyRunning(bool bHandOverAllowed)
{
    if ((m_bUpdateMode && bHandOverAllowed) || m_bSingleInstanceChecked)
        return true;
    m_bSingleInstanceChecked = true;

    const CString caption = RunningAppCaption();

    m_instanceFlag.SetInitialOwner(true);
    // The tick count, not the clock: a clock set back or forward must not stretch or end the wait.
    const DWORD start = GetTickCount();
    for (;;)
    {
        if (m_instanceFlag.Create())
        {
            m_bInstanceFlagHeld = true;
            SetRunningAppRegValue(caption);
            return true;
        }
        // The other holder's mutex must not stay alive through our handle while we wait.
        m_instanceFlag.Close();
        if (m_bUpdateMode && GetTickCount() - start <= kUpdateModeInstanceWaitMs)
        {
            // The product that asked for the update is still closing: give it time.
            WaitAnsweringMessages();
            continue;
        }
        CString running = GetRunningAppRegValue();
        if (running.IsEmpty())
            running = COruSettings::GetInstance().GetProductDisplayName();
        Trace(TRACE_DEBUG, L"CoruApp::InitInstance : [%s] is already running - exit this app !", running.GetString());
        const CString text = FormatResString(IDS_ALREADY_RUNNING, running.GetString(), running.GetString());
        if (MessageBoxW(nullptr, text, caption, MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY)
            return false;
    }
}

bool CoruApp::CheckInstallerServiceIdle()
{
    // The service keeps running for minutes after any installation: only the mutex that an
    // installation holds while it runs makes it busy.
    if (!COruUtil::IsMsiServerRunning() || !COruUtil::IsInstallationRunning())
        return true;
    m_bSilent = false;
    ShowFinishedInstallation(IDS_INSTALLER_BUSY, m_strAppTitle);
    return false;
}

CString CoruApp::GetRunningAppRegValue()
{
    CScopedRegKey key;
    LONG lr = RegOpenKeyExW(HKEY_CURRENT_USER, kRunningAppKey, 0, KEY_READ, key.Receive());
    if (lr != ERROR_SUCCESS)
    {
        Trace(TRACE_ERROR, L"GetRunningAppRegValue : cannot open reg key HKLU\\%s  : lr=%ld", kRunningAppKey, lr);
        return CString();
    }
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.Get(), kRunningAppValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return CString();
    // Room for a terminating zero even when the stored value has none.
    const int chars = static_cast<int>(size / sizeof(wchar_t)) + 1;
    CString value;
    wchar_t* pBuf = value.GetBuffer(chars);
    ZeroMemory(pBuf, chars * sizeof(wchar_t));
    DWORD cb = size;
    if (RegQueryValueExW(key.Get(), kRunningAppValue, nullptr, &type, reinterpret_cast<BYTE*>(pBuf), &cb) != ERROR_SUCCESS)
        return CString();
    value.ReleaseBuffer();
    return value;
}

void CoruApp::SetRunningAppRegValue(const CString& text)
{
    CScopedRegKey key;
    LONG lr = RegCreateKeyExW(HKEY_CURRENT_USER, kRunningAppKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.Receive(), nullptr);
    if (lr != ERROR_SUCCESS)
    {
        Trace(TRACE_ERROR, L"SetRunningAppRegValue : cannot open reg key HKLU\\%s  : lr=%ld", kRunningAppKey, lr);
        return;
    }
    lr = RegSetValueExW(key.Get(), kRunningAppValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.GetString()),
                        static_cast<DWORD>((text.GetLength() + 1) * sizeof(wchar_t)));
    if (lr != ERROR_SUCCESS)
        Trace(TRACE_ERROR, L"SetRunningAppRegValue : cannot set %s in %s  : lr=%ld", text.GetString(), kRunningAppValue, lr);
}

CString CoruApp::RunningAppCaption() const
{
    CString caption;
    caption.LoadString(AFX_IDS_APP_TITLE);
    return ReplaceProductWord(caption);
}

bool CoruApp::ReleaseInstanceFlag()
{
    if (!m_bInstanceFlagHeld)
        return false;
    m_bInstanceFlagHeld = false;
    SetRunningAppRegValue(CString());
    m_instanceFlag.Release();
    m_instanceFlag.Close();
    return true;
}

bool CoruApp::RetakeInstanceFlag()
{
    if (m_bInstanceFlagHeld)
        return true;
    m_instanceFlag.SetInitialOwner(true);
    if (!m_instanceFlag.Create())
    {
        m_instanceFlag.Close();
        return false;
    }
    m_bInstanceFlagHeld = true;
    SetRunningAppRegValue(RunningAppCaption());
    return true;
}

void CoruApp::UpdateProductPropertiesFromMsi(COruProcess* pProcess)
{
    CString folder(pProcess ? pProcess->GetExtractSFXDir() : m_strExtractFolder);
    folder.TrimRight(L"\\");
    folder += L"\\";
    ResolveRelativePath(folder);
    const CString package = BuildPath(folder, L"msi\\VantolinSetup.msi", nullptr);
    PackageProperties properties;
    const PackageReadResult result = ReadPackageProperties(package, L"UpdateProductPropertiesFromMsi", properties);
    if (result == PACKAGE_MISSING)
    {
        Trace(TRACE_WARNING, L"Cannot find .msi file to UpdateProductPropertiesFromMsi: [%s]", package.GetString());
        return;
    }

    COruSettings& settings = COruSettings::GetInstance();
    if (!properties.strAdvertisedVersion.IsEmpty() && !m_bUpdateMode)
        m_strInstallFolder = ReplaceProductWord(DefaultInstallFolder(properties.strAdvertisedVersion));

    if (result == PACKAGE_REFUSED)
    {
        // The run cannot install a package whose settings have no place: it fails.
        if (pProcess)
            pProcess->MarkFailed();
        else
            m_bPackageRefused = true;
        return;
    }
    if (!properties.strGeneration.IsEmpty())
        settings.SetGeneration(properties.strGeneration);
    if (!properties.strVersion.IsEmpty())
    {
        settings.SetVersion(properties.strVersion);
        settings.SetVersionText(properties.strVersion);
    }

    m_pConfig->Uninitialize();
    m_pConfig->SetRoot(GetGenerationRootName(settings.GetGeneration()), 0);
    m_pConfig->Initialize();

    std::unique_ptr<CQMModule> pOld = std::move(m_pModule);
    m_pModule.reset(new CQMModule(kProductWord, settings.GetGeneration()));
    InitializeSharedSettingsKeys(m_pConfig);
    InitializeProductSettingsKeys(m_pConfig, m_pModule.get());
    OruCommunicationConfig::Init(m_pConfig);
    m_retiredModules.push_back(std::move(pOld));

    m_pRegistryKeyMap->FillGenerationEntries(settings.GetGeneration());
    if (pProcess)
        pProcess->ReadProductKey(settings.GetVersion());
}

CDownloadProgressDlg* CoruApp::GetDownloadProgressDialog(COruProcess* pProcess, IHttpDownloadProgress* pDownloadProgress)
{
    CSingleLock lock(&m_downloadPageLock, true);
    try
    {
        if (!m_pDownloadProgressDlg)
            m_pDownloadProgressDlg.reset(new CDownloadProgressDlg(pProcess, pDownloadProgress));
    }
    catch (...)
    {
        Trace(TRACE_INFO, L"CoruApp::GetDownloadProgressDialog : Exception while creating progress dialog!");
    }
    if (m_bQuickMode && m_pDownloadProgressDlg)
        m_pDownloadProgressDlg->SetCompact(true);
    return m_pDownloadProgressDlg.get();
}
