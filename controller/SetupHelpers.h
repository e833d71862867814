#pragma once
// Small operations several steps share: package properties, texts from the string table, the
// pages' saved position, the command lines and addresses the setup builds, the affiliate id of
// the program that started the setup, and the patches of a portable installation.

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

// Addresses of the setup archive and of a newer controller, with every query value encoded
// (UrlEncode of support/TextEncoding.h).
CString BuildInstallerDownloadUrl(const wchar_t* pszOruIni, const wchar_t* pszAffiliateId, const wchar_t* pszVersion,
                                  int nAttempt);
CString BuildOruDownloadUrl(const wchar_t* pszOruIni, const wchar_t* pszAffiliateId, const wchar_t* pszVersion,
                            int nAttempt);

// A path quoted for a command line read with the runtime's argument rules: trailing
// backslashes are doubled so that the closing quote stays a quote.
CString QuoteArgument(const wchar_t* pszPath);
// The RunOnce command that continues the setup after a restart (bRuntime: the runtime
// redistributable asked for it, else .NET).
CString BuildRestartCommandLine(const wchar_t* pszFolder, bool bRuntime, LANGID language, BOOL bQuickMode,
                                const wchar_t* pszExtractDir);
// The running program's file name, "VantolinSetup.exe" when it cannot be had.
CString GetProgramFileName();

// The executable name of the process that started this one; empty when unknown.
CString GetNameOfParentProcess();
// The id after "__" in a file name ("Setup__AB12 (1).exe" gives "AB12 "); empty when none.
CString GetAffiliateIdFromFileName(const wchar_t* pszPath);
// The program file's folder with a trailing backslash.
CString GetControllerFolder();

// Portable installation (the portable folder's name: config/GenerationNames.h).
bool AdaptQMConfig(const wchar_t* pszIni, LANGID language, const wchar_t* pszAffiliateId, int nView);
bool AdaptStartAppConfig(const wchar_t* pszIni, LANGID language, const wchar_t* pszTargetFolder);
// Removes an autorun.inf that starts the portable launcher; any other is left alone.
void DeleteLauncherAutorun(const wchar_t* pszPath);

// A stored command line as a program and its arguments: a quoted program ends at its closing
// quote; unquoted text is the program when it names a file, else it is split at the first
// blank before which a file is named (found as the system finds programs).
void SplitProgramAndArguments(const wchar_t* pszCommandLine, CString& rProgram, CString& rArguments);
