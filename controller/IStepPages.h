#pragma once
// The application's side of the steps: the page it shows or the phase it runs for a step of the
// step table (the table's handler column points here). Each handler takes the step itself:
// through a page hook or by letting the engine run it. False cancels the run, or fails it when
// the step could not be started.

#include "OruSteps.h"

class IStepPages
{
public:
    virtual ~IStepPages() {}

    virtual bool OnAdvertisePage(CStepRun& run) = 0;
    virtual bool OnLanguagePage(CStepRun& run) = 0;
    virtual bool OnMusicLibraryPage(CStepRun& run) = 0;
    virtual bool OnInternetCheck(CStepRun& run) = 0;
    virtual bool OnUpdateOfferPage(CStepRun& run) = 0;
    // The setup archive or the newer controller.
    virtual bool OnInstallerDownload(CStepRun& run) = 0;
    virtual bool OnDotNetDownload(CStepRun& run) = 0;
    virtual bool OnUnpackInstaller(CStepRun& run) = 0;
    virtual bool OnSelfUpdateOrExtract(CStepRun& run) = 0;
    virtual bool OnSingleInstanceCheck(CStepRun& run) = 0;
    virtual bool OnInstallationTypePage(CStepRun& run) = 0;
    virtual bool OnInstallationFolderPage(CStepRun& run) = 0;
    virtual bool OnInstallOptionsPage(CStepRun& run) = 0;
    virtual bool OnDotNetInstallation(CStepRun& run) = 0;
    virtual bool OnDotNetCheck(CStepRun& run) = 0;
    // The x86 and the x64 runtime.
    virtual bool OnVCRedistInstallation(CStepRun& run) = 0;
    virtual bool OnPCInstallation(CStepRun& run) = 0;
    virtual bool OnPostInstallation(CStepRun& run) = 0;
    virtual bool OnHiddenStartProduct(CStepRun& run) = 0;
    virtual bool OnUSBInstallation(CStepRun& run) = 0;
    virtual bool OnPrepareRestart(CStepRun& run) = 0;
    virtual bool OnConfirmRestart(CStepRun& run) = 0;
};
