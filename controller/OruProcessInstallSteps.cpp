// The installation and finishing steps: runtimes, the product's package, its registry values,
// the post-installation commands, the restart, the product start and the portable copy.

#include "OruProcess.h"
#include "OruSettings.h"
#include "OruUtil.h"
#include "PortableConfig.h"
#include "RegistryKeyMap.h"
#include "SetupCommandLines.h"
#include "SetupHelpers.h"
#include "resource.h"

#include "config/GenerationNames.h"
#include "refresh_rt/refresh_rt.h"
#include "support/FileUtil.h"
#include "support/PathUtil.h"
#include "support/ShellExecuteProcess.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"
#include "support/WorkFolder.h"
#include "workers/CopyFoldersFromThread.h"
#include "workers/CopyUSBInstallationFromThread.h"
#include "workers/IHiddenVantolinStarter.h"
#include "workers/PostInstallationStepsUtil.h"
#include "workers/WindowMessages.h"
#include "workers/WorkerStrings.h"

#include <oleauto.h>

namespace
{
const wchar_t kRuntimeMsiParams[] = L"/l* \"%s\" USING_EXUIH=1 REBOOT=ReallySuppress REBOOTPROMPT=Suppress";

CString RuntimeLogFile(const CString& folder, const wchar_t* pszPrefix)
{
    return folder + pszPrefix + GetTimestampString() + L"_msi.log";
}

bool HoldsQuote(const CString& value)
{
    return value.Find(L'"') >= 0;
}
}

void COruProcess::PostPageText(int nControlId, const CString& text)
{
    // Posted, not set: the page's thread may be waiting for this engine.
    BSTR message = SysAllocString(text);
    if (message && !PostMessageW(m_hProgressWnd, PROGRESSDLG_SET_MESSAGE, static_cast<WPARAM>(nControlId),
                                 reinterpret_cast<LPARAM>(message)))
        SysFreeString(message);
}

bool COruProcess::Step_VCRedistTestBeforeInstall()
{
    Trace(TRACE_TRACE, L"Step_VCRedistTestBeforeInstall");
    if (m_bDotNetRestart && !Step_ReadConfig())
        return false;
    return LaunchProcess(strExtractSFXDir + L"msi\\RuntimeProbe.exe", L"", true);
}

bool COruProcess::VCRedistTestAfterInstall()
{
    Trace(TRACE_TRACE, L"VCRedistTestAfterInstall");
    if (m_bVCRedistRestart && !Step_ReadConfig())
        return false;
    return LaunchProcess(strExtractSFXDir + L"msi\\RuntimeProbe.exe", L"", true);
}

bool COruProcess::Step_InstallVCRedistributable()
{
    Trace(TRACE_TRACE, L"Step_InstallVCRedistributable");
    m_bVCRedistInstallRan = TRUE;
    CString params;
    const CString package = strExtractSFXDir + L"msi\\vcredist_x86\\vc_red.msi";
    const CString program = strExtractSFXDir + L"msi\\vcredist_x86.exe";
    if (FileExists(package))
    {
        params.Format(kRuntimeMsiParams, RuntimeLogFile(strMSILogDir, L"vcredist_x86_").GetString());
        return LaunchMsiInstall(package, params, m_hProgressWnd);
    }
    if (FileExists(program))
    {
        params.Format(L"/q:a /c:\"msiexec /i vcredist.msi /qb!\" \"/T:%%TEMP\" /l \"%s\" REBOOT=ReallySuppress "
                      L"REBOOTPROMPT=Suppress",
                      RuntimeLogFile(strMSILogDir, L"vcredist_x86_").GetString());
        return LaunchProcess(program, params, false);
    }
    Trace(TRACE_ERROR, L"Step_InstallVCRedistributable failed because there is no VC++ redistributable to install!");
    return false;
}

bool COruProcess::Step_InstallVCRedistributable64()
{
    Trace(TRACE_TRACE, L"Step_InstallVCRedistributable64");
    if (!COruUtil::Is64BitOS())
    {
        Trace(TRACE_TRACE, L"no need to install vcredist64, 32bit OS!");
        return true;
    }
    const CString package = strExtractSFXDir + L"msi\\vcredist_x64\\vc_red.msi";
    if (FileExists(package))
    {
        CString params;
        params.Format(kRuntimeMsiParams, RuntimeLogFile(strMSILogDir, L"vcredist_x64_").GetString());
        return LaunchMsiInstall(package, params, m_hProgressWnd);
    }
    else
        Trace(TRACE_ERROR, L"Step_InstallVCRedistributable failed because there is no VC++ redistributable to install!");
    return true;
}

bool COruProcess::Step_LaunchPCInstallation()
{
    Trace(TRACE_TRACE, L"Step_LaunchPCInstallation");
    const COruSettings& settings = COruSettings::GetInstance();
    const CString package = strExtractSFXDir + L"msi\\VantolinSetup.msi";
    const CString installFolder = m_pInstallFolder ? *m_pInstallFolder : CString();
    const CString customFolder = m_pCustomMusicFolder ? *m_pCustomMusicFolder : CString();
    // A quote would end the value early and let the rest pass as properties of its own.
    const struct
    {
        const wchar_t* name;
        const CString* value;
    } quoted[] = { { L"APPDIR", &installFolder }, { L"CUSTOM_MUSIC_FOLDER", &customFolder },
                   { L"SHORTCUT_PRODUCT_NAME", &settings.GetProductShortcutName() },
                   { L"PARTNER_ID", &settings.GetPartnerID() } };
    for (const auto& q : quoted)
    {
        if (HoldsQuote(*q.value))
        {
            Trace(TRACE_ERROR, L"Step_LaunchPCInstallation: the value of %s holds a double quote [%s]", q.name,
                  q.value->GetString());
            return false;
        }
    }
    const bool scan = m_pIntegrateMusicLib && *m_pIntegrateMusicLib;
    const bool common = m_pCommonMusicFolder && *m_pCommonMusicFolder;
    const bool myMusic = m_pNoMusicFolder && *m_pNoMusicFolder;
    // Without a scan the package is told no folder to scan; the custom folder goes along anyway.
    CString music;
    if (scan)
        music.Format(L"SCAN_MUSIC_FOLDER_SELECTION=%s",
                     common ? L"CommonMusicFolder" : (myMusic ? L"MyMusicFolder" : L"CustomMusicFolder"));
    music += L" CUSTOM_MUSIC_FOLDER=\"" + customFolder + L"\"";
    const CString logFile = strMSILogDir + L"Vantolin_" + GetTimestampString() + L"_msi.log";
    CString controllerPath;
    GetModuleFileNameString(controllerPath);
    const int lame = m_pDownloadLame && *m_pDownloadLame ? 1 : 0;
    const int statistics = m_pSendUsageStatistics && *m_pSendUsageStatistics ? 1 : 0;
    CString params;
    params.Format(L"/l*vx \"%s\" SETUP_FOLDER=\"%s\" AI_SETUPEXEPATH=\"%s\" APPDIR=\"%s\" PERFORM_MUSIC_SCAN=%d %s "
                  L"AUTO_DOWNLOAD_LAME=%d CHK_AUTO_DOWNLOAD_LAME=%d CHK_SEND_USAGE_STATISTICS=%d SEND_USAGE_STATISTICS=%d "
                  L"CHK_IMPORT_OLD_SETTINGS=%d %s SHORTCUT_PRODUCT_NAME=\"%s\" PARTNER_ID=\"%s\"",
                  logFile.GetString(), GetControllerFolder().GetString(), controllerPath.GetString(),
                  installFolder.GetString(), scan ? 1 : 0, music.GetString(),
                  lame, lame, statistics, statistics, m_pImportOldSettings && *m_pImportOldSettings ? 1 : 0, L"",
                  settings.GetProductShortcutName().GetString(), settings.GetPartnerID().GetString());
    Trace(TRACE_TRACE, L"Step_LaunchPCInstallation [%s]", params.GetString());
    RegistryKey entry;
    if (!m_pRegistryKeys || !m_pRegistryKeys->Lookup(REGKEY_PC_INSTALLATION_SUCCESSFUL, entry))
    {
        Trace(TRACE_TRACE, L"Step_LaunchPCInstallation: Lookup failed for registry key PC_Installation_Succesfull");
        return false;
    }
    return LaunchMsiInstall_VerifyKey(package, params, m_hProgressWnd, entry.hRoot, entry.strKeyPath,
                                      entry.strValueName);
}

bool COruProcess::Step_AdaptRegistryForPCInstallation()
{
    Trace(TRACE_TRACE, L"AdaptRegistryForPCInstallation");
    RegistryKey entry;
    if (COruSettings::GetInstance().GetAffiliateID().IsEmpty() && !m_strAffiliateId.IsEmpty())
    {
        if (!m_pRegistryKeys || !m_pRegistryKeys->Lookup(REGKEY_PC_AFFILIATE_ID, entry))
        {
            Trace(TRACE_TRACE, L"Step_AdaptRegistryForPCInstallation: PCAffiliateID is missing");
            return false;
        }
        if (!SetRegStringValue(*m_pRegistryKeys, REGKEY_PC_AFFILIATE_ID, m_strAffiliateId))
        {
            Trace(TRACE_TRACE, L"Step_AdaptRegistryForPCInstallation: could not write the AffiliateID key");
            return false;
        }
    }
    if (m_nView != -1)
    {
        if (!m_pRegistryKeys || !m_pRegistryKeys->Lookup(REGKEY_PC_INSTALLED_VIEW, entry))
        {
            Trace(TRACE_TRACE, L"Step_AdaptRegistryForPCInstallation: PC_InstalledVantolinView is missing");
            return false;
        }
        CString view;
        view.Format(L"%d", m_nView);
        if (!SetRegStringValue(*m_pRegistryKeys, REGKEY_PC_INSTALLED_VIEW, view))
        {
            Trace(TRACE_TRACE, L"Step_AdaptRegistryForPCInstallation: could not write the PC_InstalledVantolinView key");
            return false;
        }
    }
    return true;
}

bool COruProcess::RefreshPostInstallationSteps(bool* pLoaded)
{
    if (pLoaded)
        *pLoaded = false;
    if (m_strProductKey.IsEmpty() || !m_PostInstallationSteps.empty())
        return true;
    CString key(m_strProductKey);
    AppendBackslash(key);
    key += g_strPostStepAdmin;
    if (pLoaded)
        *pLoaded = true;
    return CPostInstallationStepsUtil::FillPostInstallationStepsForKey(m_hProductKeyRoot, key, m_PostInstallationSteps);
}

bool COruProcess::Step_PostInstallationStep(int* pStepsLeft)
{
    Trace(TRACE_TRACE, L"Step_PostInstallationStep");
    bool loaded = false;
    RefreshPostInstallationSteps(&loaded);
    bool result = true;
    if (!loaded && !m_PostInstallationSteps.empty())
    {
        const CPostInstallationStepData step = m_PostInstallationSteps.front();
        const DWORD start = GetTickCount();
        CString params(step.m_strCommandParams);
        // The switch always carries a handle: the page's, or zero once its window is gone.
        const bool bPage = IsWindow(m_hProgressWnd) != FALSE;
        if (bPage)
        {
            PostPageText(IDC_PROGRESS_MAIN_TEXT, step.m_strProgressMessage);
            PostPageText(IDC_PROGRESS_EXTRA_TEXT, step.m_strExtraMessage);
            PostMessageW(m_hProgressWnd, PROGRESSDLG_PBM_STEPIT, 0, 0);
        }
        else
            Trace(TRACE_ERROR, L"The progress dialog no longer exists in COruProcess::Step_PostInstallationStepsAdminLevel !!!");
        CString withHandle;
        withHandle.Format(L"-%s:%08X", L"hwndoru",
                          bPage ? static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(m_hProgressWnd)) : 0u);
        params.Replace(L"-hwndoru", withHandle);
        result = LaunchProcess(step.m_strCommand, params, step.m_bCheckReturnCode);
        m_PostInstallationSteps.erase(m_PostInstallationSteps.begin());
        if (result)
        {
            m_strPostStepFileName = step.m_strCommand.Mid(step.m_strCommand.ReverseFind(L'\\') + 1);
            m_dwPostStepStart = start;
            m_bPostStepTimePending = true;
        }
    }
    if (pStepsLeft)
        *pStepsLeft = static_cast<int>(m_PostInstallationSteps.size());
    return result;
}

void COruProcess::ReportPostInstallationTime()
{
    if (!m_bPostStepTimePending)
        return;
    m_bPostStepTimePending = false;
    if (m_pStatistics)
        m_pStatistics->SetIntValue(L"InstallationPostTime_" + m_strPostStepFileName,
                                   static_cast<int>(GetTickCount() - m_dwPostStepStart));
}

bool COruProcess::Step_VerifyIfRequiresRestart()
{
    Trace(TRACE_TRACE, L"Step_VerifyIfRequiresRestart");
    RegistryKey entry;
    if (!m_pRegistryKeys || !m_pRegistryKeys->Lookup(REGKEY_PC_RESTART_INSTALLATION, entry))
    {
        Trace(TRACE_TRACE, L"Step_VerifyIfRequiresRestart: PCRestartInstallation is missing");
        return false;
    }
    CString value;
    bool requested = false;
    if (GetRegStringValue(*m_pRegistryKeys, REGKEY_PC_RESTART_INSTALLATION, value))
        requested = value == BuildRestartCommandLine(strCopyForRestartDir, true, m_nLanguage, m_bQuickMode, strExtractSFXDir) ||
                    value == BuildRestartCommandLine(strCopyForRestartDir, false, m_nLanguage, m_bQuickMode, strExtractSFXDir);
    Trace(TRACE_TRACE, L"Step_VerifyIfRequiresRestart return [%d]", requested ? 1 : 0);
    if (requested && IsContinuation() && !m_bDriverRebootPending)
    {
        Trace(TRACE_ERROR, L"Step_VerifyIfRequiresRestart detected a second restart during an install, setup fails!");
        m_bSuccess = FALSE;
        DeleteRegistryKey(*m_pRegistryKeys, REGKEY_PC_RESTART_INSTALLATION);
        m_nForcedNextStep = m_bPCInstallation ? ORU_STEP_PC_END : ORU_STEP_USB_END;
        return true;
    }
    if (requested)
        m_nForcedNextStep = ORU_STEP_CONFIRM_RESTART;
    return requested;
}

bool COruProcess::Step_PostInstallCleanRegistry()
{
    Trace(TRACE_TRACE, L"Step_PostInstallCleanRegistry");
    if (m_pRegistryKeys)
    {
        if (m_strLaunchCommand.IsEmpty())
            GetRegStringValue(*m_pRegistryKeys, REGKEY_LAUNCH, m_strLaunchCommand);
        CString reboot;
        m_bDriverRebootPending = GetRegStringValue(*m_pRegistryKeys, REGKEY_DRIVER_REBOOT, reboot) && reboot == L"1";
    }
    if (m_strProductKey.IsEmpty())
        return true;
    return COruUtil::DeleteRegistryKey(m_hProductKeyRoot, m_strProductKey);
}

bool COruProcess::Step_HiddenStartProduct()
{
    if (!m_bSuccess)
        return false;
    Trace(TRACE_TRACE, L"Step_HiddenStartProduct");
    return m_pProductStarter && m_pProductStarter->StartHiddenVantolin(m_strLaunchCommand, m_hProgressWnd);
}

bool COruProcess::Step_StartProduct()
{
    Trace(TRACE_TRACE, L"Step_StartProduct %d", m_bStartProduct ? 1 : 0);
    if (!m_pProductStarter)
        return false;
    if (m_bStartProduct)
        m_pProductStarter->StartVantolin();
    else
        m_pProductStarter->CloseVantolin();
    return true;
}

bool COruProcess::Step_LaunchUSBInstallation()
{
    Trace(TRACE_TRACE, L"Step_LaunchUSBInstallation");
    if (!FolderExists(m_strUSBRoot))
    {
        Trace(TRACE_ERROR, L"Step_LaunchUSBInstallation, destination root [%s] dose not exists", m_strUSBRoot.GetString());
        return false;
    }
    if (!FolderExists(m_strUSBFolder))
    {
        Trace(TRACE_ERROR, L"Step_LaunchUSBInstallation, destination directory [%s] dose not exists",
              m_strUSBFolder.GetString());
        return false;
    }
    if (!FolderExists(strExtractSFXDir))
    {
        Trace(TRACE_ERROR, L"Step_LaunchUSBInstallation, source directory [%s] dose not exists",
              strExtractSFXDir.GetString());
        return false;
    }
    m_strLaunchCommand = m_strUSBRoot + L"StartVantolin.exe";
    if (m_pRegistryKeys)
        SetRegStringValue(*m_pRegistryKeys, REGKEY_LAUNCH_USB, m_strLaunchCommand);
    if (!m_pUSBCopyThread)
        m_pUSBCopyThread.reset(new CCopyUSBInstallationFromThread(m_pUSBListener, &GetPortableFolderName));
    // The generation names the portable folder and the user data's paths, as steps 35 and 36
    // expect them: the product version would name another folder.
    const CString& generation = COruSettings::GetInstance().GetGeneration();
    return m_pUSBCopyThread->CopyUSBInstallation(strExtractSFXDir, m_strUSBRoot, m_strUSBFolder, generation,
                                                 generation) == 1;
}

CString COruProcess::GetUSBKeptDataFolder()
{
    return m_pUSBCopyThread ? m_pUSBCopyThread->GetKeptPreviousFolder() : CString();
}

CString COruProcess::GetPortableFolder() const
{
    CString folder(m_strUSBFolder);
    AppendPathPart(folder, GetPortableFolderName(COruSettings::GetInstance().GetGeneration()));
    return folder;
}

bool COruProcess::Step_AdaptFilesForUSBInstallation()
{
    Trace(TRACE_TRACE, L"Step_AdaptFilesForUSBInstallation");
    if (IsWindow(m_hProgressWnd))
    {
        PostPageText(IDC_PROGRESS_MAIN_TEXT, FormatResString(IDS_CONFIGURING_INSTALLATION));
        PostPageText(IDC_PROGRESS_EXTRA_TEXT, L" ");
    }
    const bool qmConfig = AdaptQMConfig(GetPortableFolder() + L"\\QMConfig.ini", m_nLanguage, m_strAffiliateId, m_nView);
    const bool startApp = AdaptStartAppConfig(m_strUSBRoot + L"StartVantolin.ini", m_nLanguage, m_strUSBFolder);
    // An autorun that starts the launcher is not left behind; none is written.
    DeleteLauncherAutorun(m_strUSBRoot + L"autorun.inf");
    return qmConfig && startApp;
}

bool COruProcess::Step_USBSetupCloser()
{
    Trace(TRACE_TRACE, L"Step_USBSetupCloser");
    const COruSettings& settings = COruSettings::GetInstance();
    if (IsWindow(m_hProgressWnd))
        PostPageText(IDC_PROGRESS_MAIN_TEXT, FormatResString(IDS_FINALIZING_INSTALLATION, settings.GetProductDisplayName().GetString()));
    // The copy on the drive is anyone's to replace, and a program started elevated there would
    // load what lies beside it: the closer runs from the run's own extraction folder, whose
    // msi\ folder the drive's portable folder was copied from.
    const CString program = strExtractSFXDir + L"msi\\SetupCloser.exe";
    CString params;
    params.Format(L"\"/path=%s%s\" /product=Vantolin /package=%s", strOruProcessDir.GetString(),
                  GetProgramFileName().GetString(), settings.GetGeneration().GetString());
    if (!FileExists(program))
    {
        Trace(TRACE_ERROR, L"Step_USBSetupCloser file not exist [%s]", program.GetString());
        return false;
    }
    return LaunchProcess(program, params, false);
}

bool COruProcess::Step_LaunchUninstaller()
{
    Trace(TRACE_TRACE, L"Step_LaunchUninstaller");
    m_bSuccess = FALSE;
    CString command;
    if (!m_pRegistryKeys || !GetRegStringValue(*m_pRegistryKeys, REGKEY_PC_UNINSTALLER, command))
    {
        Trace(TRACE_TRACE, L"Step_LaunchUninstaller: GetRegStringValue failed for PC_Uninstaller!");
        return false;
    }
    Trace(TRACE_TRACE, L"Step_LaunchUninstaller [%s]", command.GetString());
    // The shell starts a file, not a command line.
    CString program, arguments;
    SplitProgramAndArguments(command, program, arguments);
    return LaunchProcess(program, arguments, false);
}

bool COruProcess::Step_PrepareRestartInstallation()
{
    Trace(TRACE_TRACE, L"Step_PrepareRestartInstallation");
    RegistryKey entry;
    if (!m_pRegistryKeys || !m_pRegistryKeys->Lookup(REGKEY_PC_RESTART_INSTALLATION, entry))
    {
        Trace(TRACE_TRACE, L"Step_PrepareRestartInstallation: PCRestartInstallation is missing from key map");
        return false;
    }
    const CString command =
        BuildRestartCommandLine(strCopyForRestartDir, !m_bRestartRequired, m_nLanguage, m_bQuickMode, strExtractSFXDir);
    Trace(TRACE_TRACE, L"Setting RunOnce command to [%s]", command.GetString());
    if (!SetRegStringValue(*m_pRegistryKeys, REGKEY_PC_RESTART_INSTALLATION, command))
    {
        Trace(TRACE_TRACE, L"Step_PrepareRestartInstallation: could not write the RunOnce key");
        return false;
    }
    // RunOnce starts the copy elevated: no other account may have prepared its folder.
    CreateFolderTree(GetFolderOfPath(RemoveTrailingBackslashes(strCopyForRestartDir)), nullptr);
    if (!PrepareWorkFolder(strCopyForRestartDir, true))
        return false;
    Trace(TRACE_TRACE, L"Copy folder for restart [%s] -> [%s]", strOruProcessDir.GetString(),
          strCopyForRestartDir.GetString());
    if (!m_pCopyFoldersThread)
        m_pCopyFoldersThread.reset(new CCopyFoldersFromThread(m_hProgressWnd));
    CStringArray sources, targets;
    sources.Add(strOruProcessDir);
    targets.Add(strCopyForRestartDir);
    return m_pCopyFoldersThread->Copy(sources, targets) != 0;
}

bool COruProcess::StartCleanupProgram()
{
    CString source, folder, copyFolder;
    {
        CSingleLock lock(&m_lock, true);
        source = strOruProcessDir + L"VantolinSetupCleanup.exe";
        folder = strOruProcessDir;
        copyFolder = strCopyForRestartDir;
    }
    Trace(TRACE_TRACE, L"StartCleanupProgram");
    // The cleanup program deletes the folder this run started from: only the restart copy may
    // go, never a setup folder a continuation was started from by hand.
    if (!IsSamePath(folder, copyFolder))
    {
        Trace(TRACE_WARNING, L"StartCleanupProgram: the program folder [%s] is not the restart copy [%s], not cleaning it up",
              folder.GetString(), copyFolder.GetString());
        return false;
    }
    // A folder of its own, made new: nothing another account placed can sit beside it or
    // take its name.
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    CString cleanupFolder, target;
    if (n == 0 || n > MAX_PATH || !CreateFreshWorkFolder(temp, L"VantolinSetupCleanup", cleanupFolder))
    {
        Trace(TRACE_ERROR, L"StartCleanupProgram: no folder of its own for the cleanup program under [%s]", temp);
        return false;
    }
    target = cleanupFolder + L"\\VantolinSetupCleanup.exe";
    if (!MoveFileWithRetry(source, target))
    {
        Trace(TRACE_ERROR, L"StartCleanupProgram: could not move [%s] to [%s]", source.GetString(), target.GetString());
        return false;
    }
    CString params;
    params.Format(L"/p %lu /d \"%s\"", GetCurrentProcessId(), folder.GetString());
    CShellExecuteProcess process;
    const bool started = process.Start(target, params, cleanupFolder, false);
    Trace(TRACE_TRACE, L"StartCleanupProgram [%s] %s started=%d", target.GetString(), params.GetString(), started ? 1 : 0);
    return started;
}
