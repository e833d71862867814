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
