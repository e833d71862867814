#pragma once
// PLACEHOLDER (issue #3): the setup checks start-up needs. The full setup utilities (.NET
// versions, operating system, pending reboot) replace this.

#include "classlib/String.h"

class COruUtil
{
public:
    // Fills the four version flags; returns whether .NET is present.
    static BOOL DetectDotNet(BOOL* pb20, BOOL* pb30, BOOL* pb35, BOOL* pb40);
    static bool Is64BitWindows();
    // The service msiserver runs and an installation holds the installer's mutex.
    static bool IsInstallerServiceBusy();
    // Codes of the interface languages; the partner build (1) has fewer.
    static CStringArray GetSupportedLanguages(int nPartnerBuild);
};
