#pragma once
// The external user-interface handler of an in-process installation: it answers the
// installer's messages, keeps the progress page's texts and Cancel button current and turns
// the user's cancel into the installer's cancel answer.

#include "classlib/String.h"

#include <windows.h>
#include <msi.h>

// One installation's state, handed to the installer as the handler's context.
struct MsiUIContext
{
    MsiUIContext(const wchar_t* pszCommandLine, volatile LONG* pStopFlag, HWND hProgressWnd);

    CString strCommandLine;
    MSIHANDLE hPackage = 0;
    HWND hProgressWnd;
    LANGID language = 0;
    // The last common-data record.
    int nCommonType = 0;
    int nCommonField2 = 0;
    // Progress: the total and the fields of the last progress record.
    int nProgressTotal = 0;
    int nProgressType = 0;
    int nProgressField2 = 0;
    int nProgressField3 = 0;
    int nProgressField4 = 0;
    bool bFirstMessage = true;
    bool bActionDataEnabled = false;
    volatile LONG* pStopFlag;
    // Messages seen since the cancel.
    int nCancelCount = 0;
};

// The messages the handler asks for: every kind up to SHOWDIALOG except RESOLVESOURCE, and
// files in use through the restart manager.
const DWORD kMsiUIHandlerFilter = 0x2007FBF;

int WINAPI MsiUIHandler(LPVOID pvContext, UINT nMessageType, LPCWSTR pszMessage);

// The boxes the handler shows and the first call's installer calls, so that tests answer the
// boxes and see their owner, caption and language without an installer. Null restores the
// system's calls; the previous table comes back.
struct MsiUIHandlerCalls
{
    int(WINAPI* pMessageBoxEx)(HWND hWnd, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType, WORD wLanguageId);
    BOOL(WINAPI* pMessageBeep)(UINT uType);
    INSTALLUILEVEL(WINAPI* pMsiSetInternalUI)(INSTALLUILEVEL dwUILevel, HWND* phWnd);
    UINT(WINAPI* pMsiSetProperty)(MSIHANDLE hInstall, LPCWSTR pszName, LPCWSTR pszValue);
};
const MsiUIHandlerCalls* SetMsiUIHandlerCalls(const MsiUIHandlerCalls* pCalls);

// Record parsers: "1: <type> 2: <value> ..." texts. False for a record that cannot be read.
bool ParseCommonDataRecord(const wchar_t* pszRecord, int& rType, int& rField2);
bool ParseProgressRecord(const wchar_t* pszRecord, int& rType, int& rField2, int& rField3, int& rField4);
