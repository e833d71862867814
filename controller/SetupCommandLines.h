#pragma once
// The addresses and command lines the setup builds, the affiliate id of the program that
// started the setup, and where its own program is.

#include "classlib/String.h"

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
// The extraction folder's name in the temporary folder; a fresh one adds a number to it.
extern const wchar_t kExtractFolderName[];
// The extraction folder is removed at the end of the run and a continuation starts programs
// from it, so /extract_dir: is the controller's own switch: it counts only with /restart: (the
// continuation's command line) and only for an extraction folder in the temporary folder that
// an elevated run made (SYSTEM or the Administrators own it). Logs why not at level 20.
bool IsOwnExtractFolder(const CString& folder, const CString& restartReason, const CString& tempFolder);
// The self-update hand-over copies the newer controller over the older one in the /module_dir:
// folder and starts it there: the switch counts only in the hand-over (restart reason "Update")
// for the folder that holds the running copy's OruUpdate\ folder, and for the running copy's
// own folder after it ("UpdateReady"). Logs why not at level 20.
bool IsOlderCopyFolder(const CString& folder, const CString& restartReason, const CString& programFolder);
// The running program's file name, "VantolinSetup.exe" when it cannot be had.
CString GetProgramFileName();

// The executable name of the process that started this one; empty when unknown.
CString GetNameOfParentProcess();
// The id after "__" in a file name ("Setup__AB12 (1).exe" gives "AB12 "); empty when none.
CString GetAffiliateIdFromFileName(const wchar_t* pszPath);
// The program file's folder with a trailing backslash.
CString GetControllerFolder();

// A stored command line as a program and its arguments: a quoted program ends at its closing
// quote; unquoted text is the program when it names a file, else it is split at the first
// blank before which a file is named (found as the system finds programs).
void SplitProgramAndArguments(const wchar_t* pszCommandLine, CString& rProgram, CString& rArguments);
