#pragma once
// Application object and entry. The program's wWinMain (AppEntry.cpp) runs the one
// application object's InitInstance; when that returns false the run is over and the
// result of ExitInstance becomes the process exit code.

#include "String.h"

#include <vector>

class CWinApp
{
public:
    explicit CWinApp(const wchar_t* pszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // Message loop for applications whose InitInstance returns true.
    virtual int Run();
    // A fault nothing else caught: an exception out of InitInstance or Run, the runtime's
    // terminate (an uncaught exception on any thread, a pure virtual call) or a structured
    // exception. The answer is the process exit code; no box is shown. pszWhat describes it.
    virtual int OnUnhandledException(const wchar_t* pszWhat);

    void SetAppName(const wchar_t* pszName) { m_strAppName = pszName; m_pszAppName = m_strAppName.GetString(); }

    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_pszAppName = nullptr;
    const wchar_t* m_lpCmdLine = L"";
    int m_nCmdShow = SW_SHOWNORMAL;

private:
    CString m_strAppName;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
const wchar_t* AfxGetAppName();
// Runs the application; every fault ends in CWinApp::OnUnhandledException (see there).
int AfxWinMain(HINSTANCE hInstance, LPWSTR lpCmdLine, int nCmdShow);

// Resources are looked up in an explicit language (the thread UI language is not reliable on
// every system). One order for strings and dialogs: the language asked for, then another of the
// same primary language (its default sublanguage first), then US English. A langId of 0 means
// the one set by AfxSetResourceLanguage.
void AfxSetResourceLanguage(LANGID langId);
LANGID AfxGetResourceLanguage();
bool AfxLoadString(UINT nID, CString& rString, LANGID langId = 0);
// The languages to try for a resource, in that order, each present in the module at most once.
std::vector<LANGID> AfxResourceLanguageOrder(HMODULE hModule, LPCWSTR pszType, LPCWSTR pszName, LANGID langId);
// The first resource of the order: its handle (null when there is none) and its language.
HRSRC AfxFindResourceInOrder(HMODULE hModule, LPCWSTR pszType, LPCWSTR pszName, LANGID langId,
                             LANGID* pFoundLanguage = nullptr);

// Faults the class library catches itself (an exception out of a window procedure) are reported
// through this sink, one line each; the default one writes to the debugger output. The sink
// must not throw. Null restores the default; the previous sink comes back.
typedef void (*AFX_ERROR_SINK)(const wchar_t* pszText);
AFX_ERROR_SINK AfxSetErrorSink(AFX_ERROR_SINK pfnSink);
void AfxReportError(const wchar_t* pszFormat, ...);

// Both load their control libraries; false when the library is missing.
bool AfxEnableControlContainer();
bool AfxInitRichEdit2();
