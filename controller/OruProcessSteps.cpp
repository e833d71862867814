// PLACEHOLDER (step functions, not built yet): each step function logs its name and reports
// that it did nothing, so the run ends where a step's work would begin. The step functions
// replace these bodies; the engine, the launchers and the loop stay as they are.

#include "OruProcess.h"

#include "support/TraceLog.h"

namespace
{
bool NotBuilt(const wchar_t* pszName)
{
    Trace(TRACE_TRACE, L"%s", pszName);
    return false;
}
}

bool COruProcess::Step_ReadConfig() { return NotBuilt(L"Step_ReadConfig"); }
bool COruProcess::Step_CleanRegistry() { return NotBuilt(L"Step_CleanRegistry"); }
bool COruProcess::Step_CheckForWorkingInternetConnection() { return NotBuilt(L"Step_CheckForWorkingInternetConnection"); }
bool COruProcess::Step_UpdateRequest() { return NotBuilt(L"Step_UpdateRequest"); }
bool COruProcess::Step_DownloadInstaller() { return NotBuilt(L"Step_DownloadInstaller"); }
bool COruProcess::Step_DownloadOru() { return NotBuilt(L"Step_DownloadOru"); }
bool COruProcess::Step_UnpackInstaller() { return NotBuilt(L"Step_UnpackInstaller"); }
bool COruProcess::Step_SelfUpdateOrExtract() { return NotBuilt(L"Step_SelfUpdateOrExtract"); }
bool COruProcess::Step_InstallDotNetFramework() { return NotBuilt(L"Step_InstallDotNetFramework"); }
bool COruProcess::Step_CheckForDisabledDotNet() { return NotBuilt(L"Step_CheckForDisabledDotNet"); }
bool COruProcess::Step_VCRedistTestBeforeInstall() { return NotBuilt(L"Step_VCRedistTestBeforeInstall"); }
bool COruProcess::Step_InstallVCRedistributable() { return NotBuilt(L"Step_InstallVCRedistributable"); }
bool COruProcess::VCRedistTestAfterInstall() { return NotBuilt(L"VCRedistTestAfterInstall"); }
bool COruProcess::Step_InstallVCRedistributable64() { return NotBuilt(L"Step_InstallVCRedistributable64"); }
bool COruProcess::Step_LaunchPCInstallation() { return NotBuilt(L"Step_LaunchPCInstallation"); }
bool COruProcess::Step_AdaptRegistryForPCInstallation() { return NotBuilt(L"AdaptRegistryForPCInstallation"); }
bool COruProcess::Step_PostInstallationStep(int* pStepsLeft)
{
    if (pStepsLeft)
        *pStepsLeft = 0;
    return NotBuilt(L"Step_PostInstallationStep");
}
bool COruProcess::Step_VerifyIfRequiresRestart() { return NotBuilt(L"Step_VerifyIfRequiresRestart"); }
bool COruProcess::Step_PostInstallCleanRegistry() { return NotBuilt(L"Step_PostInstallCleanRegistry"); }
bool COruProcess::Step_HiddenStartProduct() { return NotBuilt(L"Step_HiddenStartProduct"); }
bool COruProcess::Step_StartProduct() { return NotBuilt(L"Step_StartProduct"); }
bool COruProcess::Step_LaunchUSBInstallation() { return NotBuilt(L"Step_LaunchUSBInstallation"); }
bool COruProcess::Step_AdaptFilesForUSBInstallation() { return NotBuilt(L"Step_AdaptFilesForUSBInstallation"); }
bool COruProcess::Step_USBSetupCloser() { return NotBuilt(L"Step_USBSetupCloser"); }
bool COruProcess::Step_LaunchUninstaller() { return NotBuilt(L"Step_LaunchUninstaller"); }
bool COruProcess::Step_PrepareRestartInstallation() { return NotBuilt(L"Step_PrepareRestartInstallation"); }

bool COruProcess::RefreshPostInstallationSteps(bool* pLoaded)
{
    if (pLoaded)
        *pLoaded = false;
    return NotBuilt(L"RefreshPostInstallationSteps");
}

bool COruProcess::StartCleanupProgram()
{
    return NotBuilt(L"StartCleanupProgram");
}
