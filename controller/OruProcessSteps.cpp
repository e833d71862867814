// The preparation steps: settings, Internet, update service, downloads, unpacking, self-update
// and .NET. Each prepares its paths and command line, starts at most one worker and returns.

#include "OruProcess.h"
#include "DotNetFrameworkSeam.h"
#include "OruSettings.h"
#include "OruUtil.h"
#include "PackageProperties.h"
#include "RegistryKeyMap.h"
#include "SetupCommandLines.h"

#include "download/EmbeddedSignature.h"
#include "refresh_rt/refresh_rt.h"
#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "support/PathUtil.h"
#include "support/ShellExecuteProcess.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"
#include "support/WorkFolder.h"
#include "workers/CheckDisabledDotNetFromThread.h"
#include "workers/CheckInternetConnectionFromThread.h"
#include "workers/DownloadInstallerFromThread.h"
#include "workers/IPatchQMConfig.h"

namespace
{
const DWORD kInternetCheckTimeoutMs = 5000;
// A self-extractor that runs longer than this is taken for hanging.
const DWORD kSelfExtractorLimitMs = 10 * 60 * 1000;
const DWORD kSelfExtractorPollMs = 100;

// Empties the folder by removing and creating it again.
bool EmptyFolder(const CString& folder)
{
    if (FolderExists(folder) && !RemoveDirectoryRec(folder))
        return false;
    return CreateFolderTree(folder, nullptr);
}
}

bool COruProcess::Step_ReadConfig()
{
    Trace(TRACE_TRACE, L"Step_ReadConfig");
    if (!FileExists(strOruIni))
    {
        Trace(TRACE_TRACE, L"Step_ReadConfig failed for [%s]", strOruIni.GetString());
        return false;
    }
    COruSettings& settings = COruSettings::GetInstance();
    settings.Read(strOruIni);
    m_strArchiveFile = strOruProcessDir + L"VantolinSetupArchive.exe";
    const CString archiveFolder = strOruProcessDir + L"VantolinSetupArchive";
    m_strOruUpdateFile.Format(L"%sOruUpdate\\%s", strOruProcessDir.GetString(), L"VantolinSetupUpdate.exe");
    m_bArchivePresent = FileExists(m_strArchiveFile) || FolderExists(archiveFolder);

    m_strProductVersion = settings.GetVersion();
    m_strAffiliateId = settings.GetAffiliateID();
    if (m_strAffiliateId.IsEmpty())
        m_strAffiliateId = GetAffiliateIdFromFileName(GetNameOfParentProcess());
    m_strPartnerId = settings.GetPartnerID();

    if (m_pUpdateAvailable)
    {
        m_pUpdateAvailable->SetProductEdition(settings.GetView());
        m_pUpdateAvailable->SetProductVersion(m_strProductVersion);
    }
    if (m_pPatchConfig)
    {
        if (!m_strAffiliateId.IsEmpty())
            m_pPatchConfig->SetNewAffilateID(m_strAffiliateId);
        if (!m_strPartnerId.IsEmpty())
            m_pPatchConfig->SetNewPartnerID(m_strPartnerId);
    }
    m_bRestartOption = settings.GetRestartOption();
    m_bShowAdvertise = settings.GetShowAdvertiseDlg();
    return true;
}

void COruProcess::TakePackageProperties(const CString& package)
{
    PackageProperties properties;
    const PackageReadResult result = ReadPackageProperties(package, L"COruProcess::DecideNextStep", properties);
    if (result == PACKAGE_REFUSED)
        MarkFailed();
    if (result != PACKAGE_READ)
        return;
    if (!properties.strVersion.IsEmpty())
        m_strProductVersion = properties.strVersion;
    if (!properties.strGeneration.IsEmpty())
        COruSettings::GetInstance().SetGeneration(properties.strGeneration);
}

bool COruProcess::Step_CleanRegistry()
{
    Trace(TRACE_TRACE, L"Step_CleanRegistry");
    if (!Step_ReadConfig())
        return false;
    if (m_pRegistryKeys)
    {
        DeleteRegistryKey(*m_pRegistryKeys, REGKEY_DRIVER_REBOOT);
        DeleteRegistryKey(*m_pRegistryKeys, REGKEY_PC_RESTART_INSTALLATION);
    }
    if (m_strProductKey.IsEmpty())
        return true;
    return COruUtil::DeleteRegistryKey(m_hProductKeyRoot, m_strProductKey);
}

bool COruProcess::Step_CheckForWorkingInternetConnection()
{
    Trace(TRACE_TRACE, L"Step_CheckForWorkingInternetConnection");
    if (!m_pCheckInternet)
    {
        Trace(TRACE_ERROR, L"Cannot check for working Internet connection because m_pCheckInternet is NULL");
        return false;
    }
    if (!m_pInternetCheckThread)
        m_pInternetCheckThread.reset(new CCheckInternetConnectionFromThread(m_pCheckInternet, m_pWorkerListener));
    return m_pInternetCheckThread->Check(kInternetCheckTimeoutMs) != 0;
}

bool COruProcess::Step_UpdateRequest()
{
    Trace(TRACE_TRACE, L"Step_UpdateRequest");
    m_bUpdateOffered = FALSE;
    m_bNewerOruAvailable = FALSE;
    const int offline = m_bNewerOruAvailable ? ORU_STEP_DOWNLOAD_ORU
                                             : (m_bDotNetInstalled ? ORU_STEP_UNPACK_INSTALLER : ORU_STEP_DOWNLOAD_DOTNET);
    if (!m_bInternetIsWorking || !m_pUpdateAvailable)
    {
        Trace(TRACE_TRACE, L"COruProcess::Step_UpdateRequest m_bInternetIsWorking: [%d], m_pUpdateAvailable: [%d]",
              m_bInternetIsWorking ? 1 : 0, m_pUpdateAvailable ? 1 : 0);
        m_nForcedNextStep = offline;
        return false;
    }
    const int status = m_pUpdateAvailable->QueryUpdateStatus();
    Trace(TRACE_TRACE, L"COruProcess::Step_UpdateRequest there is %s newer ORU%s", m_bNewerOruAvailable ? L"a" : L"no",
          m_bNewerOruAvailable ? L", will download and restart setup before unpacking setup archive" : L"");
    switch (status)
    {
    case 0:
        Trace(TRACE_TRACE, L"COruProcess::Step_UpdateRequest updateStatus is [%d], will run local installer file.", status);
        m_nForcedNextStep = offline;
        return true;
    case 1:
        Trace(TRACE_TRACE,
              L"COruProcess::Step_UpdateRequest updateStatus is [%d], will ask user if want to download and install new version.",
              status);
        m_bUpdateOffered = TRUE;
        m_nForcedNextStep = m_bQuickMode ? ORU_STEP_DOWNLOAD_INSTALLER : ORU_STEP_UPDATE_OFFER;
        return true;
    case 3:
        Trace(TRACE_TRACE, L"COruProcess::Step_UpdateRequest updateStatus is [%d], will download a new version.", status);
        m_bUpdateOffered = TRUE;
        m_nForcedNextStep = ORU_STEP_DOWNLOAD_INSTALLER;
        return true;
    case -1:
        Trace(TRACE_TRACE, L"COruProcess::Step_UpdateRequest updateStatus is [%d], means there is no internet", status);
        break;
    default:
        Trace(TRACE_WARNING, L"COruProcess::Step_UpdateRequest unhandled updateStatus(%d) value!", status);
        break;
    }
    // Without a usable answer the local files are used: an update offer needs a known update.
    m_nForcedNextStep = offline;
    return false;
}

namespace
{
// The download steps' folder preparation; false (logged) when the folder cannot be had.
bool PrepareDownloadFolder(const wchar_t* pszStep, const CString& folder)
{
    if (!FolderExists(folder))
    {
        if (!CreateFolderTree(folder, nullptr))
        {
            Trace(TRACE_ERROR, L"%s: could not create directory [%s]", pszStep, folder.GetString());
            return false;
        }
        if (!FolderExists(folder))
        {
            Trace(TRACE_ERROR, L"%s: invalid directory name [%s]", pszStep, folder.GetString());
            return false;
        }
    }
    return true;
}
}

bool COruProcess::StartDownload(bool bInstaller)
{
    const wchar_t* pszStep = bInstaller ? L"Step_DownloadInstaller" : L"Step_DownloadOru";
    Trace(TRACE_TRACE, L"%s", pszStep);
    if (!m_bInternetIsWorking || !m_pHttpDownloader)
    {
        Trace(TRACE_ERROR, L"%s: m_bInternetIsWorking: [%d], m_pHttpDownloader: [%d]", pszStep,
              m_bInternetIsWorking ? 1 : 0, m_pHttpDownloader ? 1 : 0);
        return false;
    }
    const CString folder = bInstaller ? strOruProcessDir : GetFolderOfPath(m_strOruUpdateFile);
    if (!PrepareDownloadFolder(pszStep, folder))
        return false;
    if (!m_pDownloadThread)
        m_pDownloadThread.reset(new CDownloadInstallerFromThread(m_pHttpDownloader, m_pWorkerListener));
    CStringArray urls, targets;
    urls.Add(bInstaller ? BuildInstallerDownloadUrl(strOruIni, m_strAffiliateId, m_strProductVersion, m_nDownloadAttempts + 1)
                        : BuildOruDownloadUrl(strOruIni, m_strAffiliateId, m_strProductVersion, m_nDownloadAttempts + 1));
    targets.Add(bInstaller ? m_strArchiveFile : m_strOruUpdateFile);
    const std::vector<UINT> nameIds(1, 0);
    // A newer controller takes over the run elevated: it is checked as the archive is.
    return m_pDownloadThread->Download(urls, targets, nameIds, true, m_hProgressWnd) != 0;
}

bool COruProcess::Step_DownloadInstaller()
{
    return StartDownload(true);
}

bool COruProcess::Step_DownloadOru()
{
    return StartDownload(false);
}

bool COruProcess::Step_UnpackInstaller()
{
    Trace(TRACE_TRACE, L"Step_UnpackInstaller");
    m_bExtractionNeeded = TRUE;
    const CString folder = strOruProcessDir + L"VantolinSetupArchive\\";
    if (!FileExists(m_strArchiveFile) && FolderExists(folder))
    {
        if (!CopyUnpackedArchive(folder))
        {
            FailRun(L"Step_UnpackInstaller: the unpacked archive could not be copied into a folder of the run, setup fails!");
            return false;
        }
        Trace(TRACE_TRACE, L"Step_UnpackInstaller finish. no need to extract. folder: [%s]", strExtractSFXDir.GetString());
        m_bExtractionNeeded = FALSE;
    }
    return true;
}

bool COruProcess::CopyUnpackedArchive(const CString& source)
{
    // The folder beside the program is the user's to change at any time, also while its
    // programs run elevated: they run from a copy in a folder of the run.
    CString copy;
    if (!PrepareExtractionFolder(L"Step_UnpackInstaller", copy))
        return false;
    Trace(TRACE_TRACE, L"Step_UnpackInstaller: copying [%s] to [%s]", source.GetString(), copy.GetString());
    if (!CopyFolderRec(RemoveTrailingBackslashes(source), RemoveTrailingBackslashes(copy), false, nullptr, nullptr))
    {
        Trace(TRACE_ERROR, L"Step_UnpackInstaller: could not copy [%s] to [%s]", source.GetString(), copy.GetString());
        return false;
    }
    strExtractSFXDir = copy;
    return true;
}

bool COruProcess::PrepareExtractionFolder(const wchar_t* pszStep, CString& rFolder)
{
    // The archive and the running program lie in the program folder: emptying it, or a folder
    // above it, would delete the setup itself.
    CString extract(strExtractSFXDir), program(strOruProcessDir);
    ResolveRelativePath(extract);
    ResolveRelativePath(program);
    AppendBackslash(extract);
    AppendBackslash(program);
    if (extract.IsEmpty() || StartsWithNoCase(program, extract))
    {
        Trace(TRACE_ERROR, L"%s: the extraction folder [%s] holds the setup folder [%s], not emptying it", pszStep,
              extract.GetString(), program.GetString());
        return false;
    }
    // The installers run elevated from here: only a folder no program without elevation could
    // have prepared is used, made new with a protected list. An old one that is not the
    // setup's own, or that cannot be emptied, stays as it is: a fresh one beside it is used.
    const CString folder = RemoveTrailingBackslashes(extract);
    const CString parent = GetFolderOfPath(folder);
    bool bFresh = false;
    if (FolderExists(folder))
    {
        CString owner;
        if (!IsTrustedWorkFolder(folder, owner))
        {
            Trace(TRACE_WARNING, L"%s: the extraction folder [%s] is %s%s, leaving it", pszStep, folder.GetString(),
                  owner.IsEmpty() ? L"a link" : L"owned by ", owner.GetString());
            bFresh = true;
        }
        else if (!RemoveDirectoryRec(folder))
        {
            Trace(TRACE_ERROR, L"%s: could not empty [%s]", pszStep, extract.GetString());
            bFresh = true;
        }
    }
    CreateFolderTree(parent, nullptr);
    if (bFresh || !PrepareWorkFolder(folder, true))
    {
        CString fresh;
        if (!CreateFreshWorkFolder(parent, folder.Mid(folder.ReverseFind(L'\\') + 1), fresh))
            return false;
        extract = fresh + L"\\";
        Trace(TRACE_TRACE, L"%s: unpacking into the fresh folder [%s]", pszStep, extract.GetString());
    }
    m_bExtractFolderMade = true;
    // Whatever of an earlier run could not be removed stays apart: this run's files go into a
    // folder that did not exist before (the end of the run removes it with the extraction folder).
    if (!CreateFreshWorkFolder(RemoveTrailingBackslashes(extract), L"run", rFolder))
        return false;
    AppendBackslash(rFolder);
    return true;
}

bool COruProcess::Step_SelfUpdateOrExtract()
{
    Trace(TRACE_TRACE, L"Step_SelfUpdateOrExtract");
    if (FileExists(m_strOruUpdateFile))
    {
        Trace(TRACE_TRACE, L"ORU will self-update from downloaded file [%s]", m_strOruUpdateFile.GetString());
        switch (RunSelfUpdate())
        {
        case SelfUpdateHandedOver:
            return true;
        case SelfUpdateFailed:
            return false;
        case SelfUpdateNotStarted:
            break;
        }
    }
    if (m_bUpdateReady)
    {
        const CString folder = GetFolderOfPath(m_strOruUpdateFile);
        Trace(TRACE_TRACE, L"ORU restarted after a self-update, cleanup folder %s", folder.GetString());
        EmptyFolder(folder);
    }
    Trace(TRACE_TRACE, L"Step_UnpackInstaller [%s]", m_strArchiveFile.GetString());
    // The archive beside the program, downloaded or not, runs elevated: it is checked as a
    // download is, through a handle that keeps it as checked until its run has ended.
    CCheckedFile archive;
    if (!archive.Open(m_strArchiveFile))
    {
        Trace(TRACE_ERROR, L"Step_SelfUpdateOrExtract: the setup archive [%s] failed its check, setup fails!",
              m_strArchiveFile.GetString());
        return false;
    }
    CString folder;
    if (!PrepareExtractionFolder(L"Step_SelfUpdateOrExtract", folder))
        return false;
    strExtractSFXDir = folder;
    CScopedFileHandle held = archive.Release();
    return LaunchProcess_VerifyKey(m_strArchiveFile, L"-d" + QuoteArgument(strExtractSFXDir) + L" -s", false, nullptr, L"",
                                   L"", &held);
}

COruProcess::ESelfUpdate COruProcess::RunSelfUpdate()
{
    // A controller that fails its check fails the run: the setup the user started is not one
    // that a file beside it can replace.
    CCheckedFile update;
    if (!update.Open(m_strOruUpdateFile))
    {
        Trace(TRACE_ERROR, L"Step_SelfUpdateOrExtract: the downloaded controller [%s] failed its check, setup fails!",
              m_strOruUpdateFile.GetString());
        return SelfUpdateFailed;
    }
    const CString folder = GetFolderOfPath(m_strOruUpdateFile);
    if (!RunSelfExtractor(update, folder))
        return SelfUpdateFailed;
    const CString program = folder + GetProgramFileName();
    // The unpacked controller lies in the setup folder too, and takes over this run elevated: one
    // that fails its check fails the run. A missing one is a start that failed: the run goes on
    // with the archive.
    const bool bUnpacked = FileExists(program);
    CCheckedFile newer;
    if (bUnpacked && !newer.Open(program))
    {
        Trace(TRACE_ERROR, L"Step_SelfUpdateOrExtract: the unpacked controller [%s] failed its check, setup fails!",
              program.GetString());
        m_bNewerOruAvailable = FALSE;
        return SelfUpdateFailed;
    }
    CString params;
    params.Format(L"/restart:%s /pid:%lu /module_dir:%s", L"Update", GetCurrentProcessId(),
                  QuoteArgument(strOruProcessDir).GetString());
    Trace(TRACE_TRACE, L"Running new ORU to update the current instance, command:[%s] params:[%s] ", program.GetString(),
          params.GetString());
    CShellExecuteProcess starter;
    if (bUnpacked && starter.Start(program, params, strOruProcessDir, false) && starter.GetProcessHandle())
    {
        // The newer copy carries on: this run ends without waiting for anything more.
        m_bNewerOruAvailable = TRUE;
        return SelfUpdateHandedOver;
    }
    Trace(TRACE_ERROR, L"ERROR: There was a problem running new ORU in update mode at [%s]", program.GetString());
    m_bNewerOruAvailable = FALSE;
    return SelfUpdateNotStarted;
}

bool COruProcess::RunSelfExtractor(CCheckedFile& rFile, const CString& folder)
{
    const CString file = rFile.GetPath();
    const CString params = L"-s -Y -d" + QuoteArgument(folder);
    CreateFolderTree(folder, nullptr);
    Trace(TRACE_TRACE, L"Running self-extractor file [%s]", file.GetString());
    CShellExecuteProcess extractor;
    const bool started = extractor.Start(file, params, nullptr, false) && extractor.GetProcessHandle();
    // Started (or not): the file the process runs is the one checked; the hold would keep the
    // delete below from working.
    rFile.Close();
    if (started && !WaitForSelfExtractor(extractor.GetProcessHandle()))
    {
        // Killing it could leave a half-written controller behind; the run fails instead.
        Trace(TRACE_ERROR, L"COruProcess::RunSelfExtractor : the self-extractor [%s] has not ended after %lu minutes, leaving it running",
              file.GetString(), kSelfExtractorLimitMs / 60000);
        return false;
    }
    Sleep(100);
    Trace(TRACE_TRACE, L"Deleting self-extractor file [%s]", file.GetString());
    CScopedFileHandle(CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    DeleteFileW(file);
    return true;
}

bool COruProcess::WaitForSelfExtractor(HANDLE hProcess)
{
    // The wait is long and this thread answers messages meanwhile: whoever asks the engine then
    // must not find it locked (it answers "busy" for step 14).
    m_lock.Unlock();
    const DWORD start = GetOruTickCount();
    bool bEnded = false;
    while (!(bEnded = WaitPumpingMessages(hProcess, kSelfExtractorPollMs)) &&
           GetOruTickCount() - start < kSelfExtractorLimitMs)
    {
    }
    m_lock.Lock();
    return bEnded;
}

bool COruProcess::Step_InstallDotNetFramework()
{
    Trace(TRACE_TRACE, L"Step_InstallDotNetFramework");
    m_bDotNetInstallRan = TRUE;
    m_bRepeatDotNetStep = TRUE;
    const bool started = LaunchProcess(strExtractSFXDir + L"msi\\dotNetFx40_Full_setup.exe", L"/qb /norestart", true);
    m_bRepeatDotNetStep = FALSE;
    Trace(TRACE_TRACE, L"Step_InstallDotNetFramework returned [%d]", started ? 1 : 0);
    if (started && m_bForceDotNet)
    {
        // The product's own configuration for .NET 4 replaces the one for older frameworks.
        CString source = GetControllerFolder() + L"..\\Vantolin.exe.config4";
        CString target = GetControllerFolder() + L"..\\Vantolin.exe.config";
        ResolveRelativePath(source);
        ResolveRelativePath(target);
        if (!CopyFileW(source, target, FALSE))
            Trace(TRACE_WARNING, L"Step_InstallDotNetFramework: could not copy [%s] to [%s]", source.GetString(),
                  target.GetString());
    }
    return started;
}

bool COruProcess::Step_CheckForDisabledDotNet()
{
    Trace(TRACE_TRACE, L"Step_CheckForDisabledDotNet");
    if (!NeedsDotNetCheck())
        return true;
    if (!m_pDotNetCheckThread)
    {
        // The seam holds no state: one serves every run.
        static CDotNetFrameworkSeam s_dotNetSeam;
        m_pDotNetCheckThread.reset(new CCheckDisabledDotNetFromThread(m_pWorkerListener, &s_dotNetSeam));
    }
    return m_pDotNetCheckThread->Check(m_hProgressWnd) != 0;
}
