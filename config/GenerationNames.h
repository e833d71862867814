#pragma once
// The names the product generation gives: the store's root and registry keys, the product's
// folder, the portable folder and the instance flag. The generation becomes part of paths and
// key names, so one that could leave its folder or is no file name gives no name at all: every
// name below is empty for it, and whoever read it refuses it with a log line of its own.

#include "classlib/String.h"

// False for a text holding "..", a path or drive separator, a character no file name may hold
// or a control character. An empty generation is usable: it names as the others do.
bool IsUsableGeneration(const wchar_t* pszGeneration);

// The store's keys of a root name: "SOFTWARE\Quillmark\<root>" and its user defaults
// "SOFTWARE\Quillmark\<root>.default".
CString GetStoreRootKey(const wchar_t* pszRootName);
CString GetStoreDefaultsKey(const wchar_t* pszRootName);

// "Vantolin_<generation>": the store's root of the generation.
CString GetGenerationRootName(const wchar_t* pszGeneration);
// "SOFTWARE\Quillmark\Vantolin_<generation>", with a section "...\<section>".
CString GetGenerationKey(const wchar_t* pszGeneration, const wchar_t* pszSection = nullptr);
// "SOFTWARE\Quillmark\Vantolin_<generation>.default".
CString GetGenerationDefaultsKey(const wchar_t* pszGeneration);
// "Software\Quillmark\Vantolin_<generation>": the same key as the product's start commands
// spell it in the registry-entry table.
CString GetGenerationLaunchKey(const wchar_t* pszGeneration);
// "Quillmark\Vantolin_<generation>\": the product's folder below a base folder.
CString GetGenerationFolder(const wchar_t* pszGeneration);
// "Vantolin_<generation>_portable", every "." of the generation made "_".
CString GetPortableFolderName(const wchar_t* pszGeneration);
// True when the name has the form every generation's portable folder name has
// ("Vantolin_<something>_portable"), whatever the generation.
bool HasPortableFolderForm(const wchar_t* pszName);
// "VANTOLIN_INSTANCE<generation>": the flag one running setup of the generation holds.
CString GetInstanceFlagName(const wchar_t* pszGeneration);
