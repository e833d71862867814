#pragma once
// PLACEHOLDER (setup helpers, not built yet): what start-up needs of the helpers: the main
// window and package property queries.

#include "classlib/String.h"

// A property of the Property table of a Windows Installer package; empty when missing.
CString GetMsiPackageProperty(const wchar_t* pszPackage, const wchar_t* pszProperty);
// Loads a string-table entry and formats it with the arguments.
CString FormatResString(UINT nID, ...);
// Forgets the pages' saved position (HKLM Software\Quillmark\ORU_WindowPos).
void DeleteWindowPosition();
