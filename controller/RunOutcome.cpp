#include "RunOutcome.h"

#include "OruProcess.h"
#include "resource.h"

bool KeepsRunChanges(COruProcess& process)
{
    return process.IsPCInstallation() && process.IsPackageInstalled() && !process.IsSuccess() &&
           !process.IsCancelled();
}

UINT GetFinishTextId(COruProcess& process)
{
    if (process.IsInstallerCancelled())
        return 0;
    // The other texts say the system was not modified: not true while the package stays.
    if (KeepsRunChanges(process))
        return IDS_FINISH_FAILED_PACKAGE_KEPT;
    if (process.IsAnotherInstallRunning())
        return IDS_FINISH_ANOTHER_INSTALL;
    if (process.IsCancelled())
        return IDS_FINISH_CANCELLED;
    if (!process.IsSuccess())
        return IDS_FINISH_FAILED;
    return 0;
}
