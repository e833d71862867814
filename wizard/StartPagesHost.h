#pragma once
// What the pages shown before anything is installed take from the application beyond
// IWizardHost: the partner id and version text of the setup's settings, the interface
// languages, and the licence viewer; and the system calls they make, behind a seam.

#include "classlib/String.h"

#include <windows.h>

class IStartPagesHost
{
public:
    virtual CString GetPartnerId() = 0;
    virtual CString GetVersionText() = 0;
    // ISO 639 codes: mode 0 the retail set, 1 the partner set.
    virtual void GetSupportedLanguages(CStringArray& rCodes, int nMode) = 0;
    // The licence file shown modally over the page.
    virtual void ShowEula(const wchar_t* pszFile, HWND hParent) = 0;

protected:
    ~IStartPagesHost() {}
};

// Null: no partner, no version text, English alone, no licence viewer. The previous host comes
// back.
IStartPagesHost* SetStartPagesHost(IStartPagesHost* pHost);
IStartPagesHost* GetStartPagesHost();

// The partner whose licence is a web page and whose texts name the product itself, and the
// one with its own branding; neither offers the choice of installation type.
extern const wchar_t kStartPartnerOwnBrand[];   // "61000"
// The licence page of partner 11082.
extern const wchar_t kPartnerEulaAddress[];

struct StartPageCalls
{
    BOOL(WINAPI* pIsValidLocale)(LCID locale, DWORD flags);
    HINSTANCE(WINAPI* pShellExecuteW)(HWND hWnd, LPCWSTR pszVerb, LPCWSTR pszFile, LPCWSTR pszParameters,
                                      LPCWSTR pszDirectory, INT showCommand);
    int(WINAPI* pGetLocaleInfoW)(LCID locale, LCTYPE type, LPWSTR pszData, int cchData);
    int(WINAPI* pGetDeviceCaps)(HDC hDC, int index);
};
// Null restores the system's own calls; gives back the previous table.
const StartPageCalls* SetStartPageCalls(const StartPageCalls* pCalls);
const StartPageCalls& GetStartPageCalls();
