#pragma once
// Small operations several steps share: package properties, texts from the string table and
// the pages' saved position. The command lines and addresses the setup builds:
// SetupCommandLines.h; the patches of a portable installation: PortableConfig.h.

#include "classlib/String.h"

// A property of the Property table of a Windows Installer package; empty when missing, when the
// package cannot be read or when the value has 50 characters or more.
CString GetMsiProperty(const wchar_t* pszPackage, const wchar_t* pszProperty);
// Loads a string-table entry and formats it with the arguments.
CString FormatResString(UINT nID, ...);

// The pages' position, kept for a restarted copy (HKLM Software\Quillmark\ORU_WindowPos).
void SaveWindowPosition(HWND hWnd, int x, int y);
// Places the page at the saved position, else centres it on its monitor's work area.
bool RestoreWindowPosition(HWND hPage);
void DeleteWindowPosition();
// The work area of the monitor nearest to the window, else the primary one, else empty.
RECT GetWorkAreaOfWindow(HWND hWnd);
// Where the main window puts the pages: centred on the primary work area, its origin not added.
POINT GetCentredPagePosition();
