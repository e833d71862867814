#pragma once
// Application object and entry. The program's wWinMain (AppEntry.cpp) runs the one
// application object's InitInstance; when that returns false the run is over and the
// result of ExitInstance becomes the process exit code.

#include "String.h"

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
// every system); a string missing in that language falls back to US English, then to any.
void AfxSetResourceLanguage(LANGID langId);
LANGID AfxGetResourceLanguage();
bool AfxLoadString(UINT nID, CString& rString, LANGID langId = 0);

// Both load their control libraries; false when the library is missing.
bool AfxEnableControlContainer();
bool AfxInitRichEdit2();
