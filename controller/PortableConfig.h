#pragma once
// The patches of a portable installation: the copied settings files and a drive's autorun.inf
// (the portable folder's name: config/GenerationNames.h).

#include "classlib/String.h"

bool AdaptQMConfig(const wchar_t* pszIni, LANGID language, const wchar_t* pszAffiliateId, int nView);
bool AdaptStartAppConfig(const wchar_t* pszIni, LANGID language, const wchar_t* pszTargetFolder);
// Removes an autorun.inf that starts the portable launcher; any other is left alone.
void DeleteLauncherAutorun(const wchar_t* pszPath);
