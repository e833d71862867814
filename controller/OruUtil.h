#pragma once
// The system queries that decide which prerequisites the setup installs and how it behaves on
// the machine. Stateless.

#include "classlib/String.h"

class COruUtil
{
public:
    // Fills the four version flags; true when .NET 3.5 or the full .NET 4 is installed.
    static bool DetectDotNetVersions(BOOL* pb20, BOOL* pb30, BOOL* pb35, BOOL* pb40);
    // True when the system's own .NET 3.x feature is switched off (Vista: 3.0, Windows 7 on: 3.5).
    static bool IsDotNetFrameworkDisabled(BOOL* pb20, BOOL* pb30, BOOL* pb35, BOOL* pb40);
    // The detection on a given registry base key and version flags.
    static void DetectDotNetVersionsAt(HKEY hRoot, const wchar_t* pszBaseKey, bool bVista, bool bWin7OrLater,
                                       BOOL* pb20, BOOL* pb30, BOOL* pb35, BOOL* pb40);

    // The key with all its subkeys; an absent key counts as deleted.
    static bool DeleteRegistryKey(HKEY hRoot, const wchar_t* pszKeyPath);
    // An absent value counts as deleted; an absent key does not.
    static bool DeleteRegistryValue(HKEY hRoot, const wchar_t* pszKeyPath, const wchar_t* pszValueName);

    static bool IsRebootPending();
    static bool IsMsiServerRunning();
    // Windows Installer holds this mutex while an installation runs.
    static bool IsInstallationRunning();
    static bool Is64BitOS();
    // The XP family needs its second service pack; any other system must be XP or later.
    static bool MeetsSystemRequirements(bool bXPFamily, int servicePackMajor, bool bXPOrLater);
    // ISO 639 codes of the interface languages: mode 0 the retail set, 1 the partner set.
    static void GetSupportedLanguages(CStringArray& rCodes, int nMode);
};
