#pragma once
// PLACEHOLDER (folders and settings accessors, not built yet): the standard folders start-up
// needs, in the registry mode of the configuration store only. The full accessors, which
// read the TempFolder setting and know the portable mode, replace this.

#include "classlib/String.h"

// Windows temporary folder, ending with a backslash.
CString GetWindowsTempDir();
// CSIDL_LOCAL_APPDATA with a backslash; empty when it cannot be had.
CString GetLocalAppDataFolder();
// The edition name that names the product's folder (the generation, as "2011").
void SetProductEditionName(const wchar_t* pszEdition);
CString GetProductEditionName();
// <local app data>\Quillmark\Vantolin_<edition>\ (created); empty on failure.
CString GetLocalAppDataProductFolder();
// <product folder>Log\ (created); empty on failure.
CString GetTraceLogFolder();
// The configured temporary folder: the default one, <Windows temp>\Quillmark (created).
CString GetTempFolderSetting();
