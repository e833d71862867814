#pragma once
// Reads the post-installation list the installed product leaves in the registry: one subkey per
// command, taken in the registry's order.

#include "PostInstallationStepData.h"

class CPostInstallationStepsUtil
{
public:
    // Replaces the list with the subkeys of the key; false (and an empty list) when the key
    // cannot be opened. An empty key gives an empty list and true.
    static bool FillPostInstallationStepsForKey(HKEY hRoot, const wchar_t* pszKeyPath,
                                                CPostInstallationStepArray& rSteps);
};
