// The step table: one row per step, in step order.

#include "IStepPages.h"
#include "OruProcess.h"

#include <algorithm>

namespace
{
typedef COruProcess P;
typedef IStepPages A;
}

const COruStepRow* GetOruStepRows(size_t& rCount)
{
    // step, function, after run, outcome, rule, taken by hook, handler, next
    static const COruStepRow kRows[] = {
        { ORU_STEP_READ_CONFIG, &P::Step_ReadConfig, nullptr, nullptr, &P::ReadConfigRule, false, nullptr,
          ORU_STEP_ADVERTISE },
        { ORU_STEP_ADVERTISE, nullptr, nullptr, nullptr, nullptr, false, &A::OnAdvertisePage, ORU_STEP_LANGUAGE },
        { ORU_STEP_LANGUAGE, nullptr, nullptr, nullptr, nullptr, true, &A::OnLanguagePage, ORU_STEP_MUSIC_LIBRARY },
        { ORU_STEP_MUSIC_LIBRARY, nullptr, nullptr, nullptr, nullptr, false, &A::OnMusicLibraryPage,
          ORU_STEP_CLEAN_REGISTRY },
        { ORU_STEP_CLEAN_REGISTRY, &P::Step_CleanRegistry, nullptr, nullptr, nullptr, false, nullptr,
          ORU_STEP_INTERNET_CHECK },
        { ORU_STEP_INTERNET_CHECK, &P::Step_CheckForWorkingInternetConnection, nullptr, &P::ReadInternetCheckOutcome,
          nullptr, false, &A::OnInternetCheck, ORU_STEP_UPDATE_REQUEST },
        { ORU_STEP_UPDATE_REQUEST, &P::Step_UpdateRequest, nullptr, nullptr, nullptr, false, nullptr,
          ORU_STEP_UPDATE_OFFER },
        { ORU_STEP_UPDATE_OFFER, nullptr, nullptr, nullptr, nullptr, true, &A::OnUpdateOfferPage,
          ORU_STEP_DOWNLOAD_INSTALLER },
        { ORU_STEP_DOWNLOAD_INSTALLER, &P::Step_DownloadInstaller, &P::CountDownloadStart, &P::ReadDownloadOutcome,
          nullptr, false, &A::OnInstallerDownload, ORU_STEP_DOWNLOAD_ORU },
        { ORU_STEP_DOWNLOAD_ORU, &P::Step_DownloadOru, &P::CountDownloadStart, &P::ReadDownloadOutcome, nullptr, false,
          &A::OnInstallerDownload, ORU_STEP_DOWNLOAD_DOTNET },
        { ORU_STEP_DOWNLOAD_DOTNET, &P::DownloadDotNetOnPage, &P::CountDownloadStart, &P::ReadDownloadOutcome, nullptr,
          false, &A::OnDotNetDownload, ORU_STEP_UNPACK_INSTALLER },
        { ORU_STEP_UNPACK_INSTALLER, &P::Step_UnpackInstaller, nullptr, nullptr, &P::UnpackInstallerRule, false,
          &A::OnUnpackInstaller, ORU_STEP_SELF_UPDATE_OR_EXTRACT },
        { ORU_STEP_SELF_UPDATE_OR_EXTRACT, &P::Step_SelfUpdateOrExtract, nullptr, &P::ReadSelfUpdateOutcome,
          &P::SelfUpdateRule, false, &A::OnSelfUpdateOrExtract, ORU_STEP_SINGLE_INSTANCE },
        { ORU_STEP_SINGLE_INSTANCE, nullptr, nullptr, nullptr, nullptr, false, &A::OnSingleInstanceCheck,
          ORU_STEP_INSTALLATION_TYPE },
        { ORU_STEP_INSTALLATION_TYPE, nullptr, nullptr, nullptr, nullptr, true, &A::OnInstallationTypePage,
          ORU_STEP_INSTALLATION_FOLDER },
        { ORU_STEP_INSTALLATION_FOLDER, nullptr, nullptr, nullptr, nullptr, false, &A::OnInstallationFolderPage,
          ORU_STEP_INSTALL_OPTIONS },
        { ORU_STEP_INSTALL_OPTIONS, nullptr, nullptr, nullptr, nullptr, false, &A::OnInstallOptionsPage,
          ORU_STEP_DOTNET_DECISION },
        { ORU_STEP_DOTNET_DECISION, nullptr, nullptr, nullptr, &P::DotNetDecisionRule, false, nullptr,
          ORU_STEP_INSTALL_DOTNET },
        { ORU_STEP_INSTALL_DOTNET, &P::Step_InstallDotNetFramework, &P::RepeatDotNetStep, &P::ReadProgramOutcome,
          &P::DotNetInstallerRule, false, &A::OnDotNetInstallation, ORU_STEP_DOTNET_CHECK },
        { ORU_STEP_DOTNET_CHECK, &P::Step_CheckForDisabledDotNet, nullptr, &P::ReadDotNetCheckOutcome, nullptr, false,
          &A::OnDotNetCheck, ORU_STEP_VCREDIST_TEST },
        { ORU_STEP_VCREDIST_TEST, &P::Step_VCRedistTestBeforeInstall, nullptr, &P::ReadProgramOutcome,
          &P::VCRedistTestRule, false, nullptr, ORU_STEP_INSTALL_VCREDIST },
        { ORU_STEP_INSTALL_VCREDIST, &P::Step_InstallVCRedistributable, nullptr, &P::ReadProgramOutcome,
          &P::InstallerCancelRule, false, &A::OnVCRedistInstallation, ORU_STEP_VCREDIST_TEST_AFTER },
        { ORU_STEP_VCREDIST_TEST_AFTER, &P::VCRedistTestAfterInstall, nullptr, &P::ReadProgramOutcome,
          &P::VCRedistTestAfterRule, false, nullptr, ORU_STEP_INSTALL_VCREDIST64 },
        { ORU_STEP_INSTALL_VCREDIST64, &P::Step_InstallVCRedistributable64, nullptr, &P::ReadProgramOutcome,
          &P::InstallerCancelRule, false, &A::OnVCRedistInstallation, ORU_STEP_PC_INSTALLATION },
        { ORU_STEP_PC_INSTALLATION, &P::Step_LaunchPCInstallation, &P::KeepFailure, &P::ReadProgramOutcome,
          &P::PCInstallationRule, false, &A::OnPCInstallation, ORU_STEP_ADAPT_REGISTRY },
        { ORU_STEP_ADAPT_REGISTRY, &P::Step_AdaptRegistryForPCInstallation, nullptr, nullptr, nullptr, false, nullptr,
          ORU_STEP_POST_INSTALLATION },
        { ORU_STEP_POST_INSTALLATION, &P::RunPostInstallationStep, &P::RepeatWhileCommandsLeft, &P::ReadProgramOutcome,
          &P::PostInstallationRule, false, &A::OnPostInstallation, ORU_STEP_VERIFY_RESTART },
        { ORU_STEP_VERIFY_RESTART, &P::Step_VerifyIfRequiresRestart, nullptr, nullptr, nullptr, false, nullptr,
          ORU_STEP_CLEAN_UP },
        { ORU_STEP_CLEAN_UP, &P::Step_PostInstallCleanRegistry, nullptr, nullptr, &P::CleanUpRule, false, nullptr,
          ORU_STEP_HIDDEN_START },
        { ORU_STEP_HIDDEN_START, &P::Step_HiddenStartProduct, &P::BeginProductWait, &P::ReadProductOutcome, nullptr,
          false, &A::OnHiddenStartProduct, ORU_STEP_PC_END },
        { ORU_STEP_PC_END, nullptr, nullptr, nullptr, nullptr, false, nullptr, ORU_STEP_PC_END },
        // The end of the run runs it last: nothing asks for a step after it.
        { ORU_STEP_START_PRODUCT, &P::Step_StartProduct, nullptr, nullptr, nullptr, false, nullptr, ORU_STEP_PC_END },
        { ORU_STEP_USB_INSTALLATION, &P::Step_LaunchUSBInstallation, &P::KeepFailure, &P::ReadUSBCopyOutcome, nullptr,
          false, &A::OnUSBInstallation, ORU_STEP_ADAPT_USB_FILES },
        { ORU_STEP_ADAPT_USB_FILES, &P::Step_AdaptFilesForUSBInstallation, nullptr, nullptr, nullptr, false, nullptr,
          ORU_STEP_USB_CLOSER },
        { ORU_STEP_USB_CLOSER, &P::Step_USBSetupCloser, nullptr, &P::ReadProgramOutcome, nullptr, false, nullptr,
          ORU_STEP_USB_END },
        { ORU_STEP_USB_END, nullptr, nullptr, nullptr, nullptr, false, nullptr, ORU_STEP_USB_END },
        // Only a failed post-installation command runs the uninstaller; the run ends failed after it.
        { ORU_STEP_UNINSTALL, &P::Step_LaunchUninstaller, nullptr, &P::ReadProgramOutcome, &P::UninstallerRule, false,
          nullptr, ORU_STEP_PC_END },
        { ORU_STEP_PREPARE_RESTART, &P::Step_PrepareRestartInstallation, nullptr, &P::ReadFolderCopyOutcome, nullptr,
          false, &A::OnPrepareRestart, ORU_STEP_CONFIRM_RESTART },
        { ORU_STEP_CONFIRM_RESTART, nullptr, nullptr, nullptr, nullptr, false, &A::OnConfirmRestart, ORU_STEP_NONE },
    };
    rCount = sizeof(kRows) / sizeof(kRows[0]);
    return kRows;
}

const COruStepRow* FindOruStepRow(int nStep)
{
    size_t count = 0;
    const COruStepRow* pRows = GetOruStepRows(count);
    const COruStepRow* pEnd = pRows + count;
    const COruStepRow* pRow =
        std::lower_bound(pRows, pEnd, nStep, [](const COruStepRow& row, int step) { return row.nStep < step; });
    return pRow != pEnd && pRow->nStep == nStep ? pRow : nullptr;
}
