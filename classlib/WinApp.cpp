#include "WinApp.h"
#include "SystemLibrary.h"

#include <ole2.h>

#include <exception>

namespace
{
CWinApp* g_pApp = nullptr;
LANGID g_resourceLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// One string of a string-table block: blocks hold 16 counted strings each.
bool LoadStringInLanguage(HINSTANCE hModule, UINT nID, LANGID langId, CString& rString)
{
    HRSRC hRes = FindResourceExW(hModule, reinterpret_cast<LPCWSTR>(RT_STRING),
                                 MAKEINTRESOURCEW((nID >> 4) + 1), langId);
    if (!hRes)
        return false;
    HGLOBAL hData = LoadResource(hModule, hRes);
    const WCHAR* p = hData ? static_cast<const WCHAR*>(LockResource(hData)) : nullptr;
    if (!p)
        return false;
    const WCHAR* pEnd = p + SizeofResource(hModule, hRes) / sizeof(WCHAR);
    for (UINT i = 0; i < (nID & 15) && p < pEnd; ++i)
        p += 1 + *p;
    if (p >= pEnd || *p == 0 || p + 1 + *p > pEnd)
        return false;
    rString = CString(p + 1, *p);
    return true;
}

// The answer of the application object, taken once: a second fault while the first is being
// reported ends the process at once.
int AnswerUnhandled(const wchar_t* pszWhat)
{
    static LONG s_reporting = 0;
    if (InterlockedExchange(&s_reporting, 1) != 0)
        ExitProcess(1);
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->OnUnhandledException(pszWhat) : 1;
}

// The runtime's own handler shows a box and exits with 3, which callers read as a cancel.
void OnTerminate()
{
    ExitProcess(static_cast<UINT>(
        AnswerUnhandled(L"the runtime's terminate handler (an uncaught exception or a pure virtual call)")));
}

}

// The runtime's own handler for a call of a pure virtual function (a body called through an
// object under construction or already destroyed) writes to a console that a windowed program
// does not have; this one reports the fault as every other one is.
extern "C" void __cxa_pure_virtual()
{
    if (AfxGetApp())
        ExitProcess(static_cast<UINT>(AnswerUnhandled(L"a pure virtual call")));
    // A program without an application object answers through its exception filter.
    RaiseException(EXCEPTION_NONCONTINUABLE_EXCEPTION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    ExitProcess(1);
}

namespace
{
LONG WINAPI OnStructuredException(EXCEPTION_POINTERS* pPointers)
{
    wchar_t what[64] = {};
    _snwprintf(what, 63, L"the structured exception 0x%08lx",
               pPointers && pPointers->ExceptionRecord ? pPointers->ExceptionRecord->ExceptionCode : 0ul);
    ExitProcess(static_cast<UINT>(AnswerUnhandled(what)));
}

int RunApp(CWinApp* pApp)
{
    try
    {
        if (pApp->InitInstance())
            return pApp->Run();
        return pApp->ExitInstance();
    }
    catch (const std::exception& e)
    {
        const char* pszText = e.what() ? e.what() : "";
        wchar_t what[256] = {};
        _snwprintf(what, 255, L"the exception \"%hs\"", pszText);
        return AnswerUnhandled(what);
    }
    catch (...)
    {
        return AnswerUnhandled(L"an exception of unknown type");
    }
}
}

CWinApp::CWinApp(const wchar_t* pszAppName)
{
    if (pszAppName)
        SetAppName(pszAppName);
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

int CWinApp::Run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ExitInstance();
}

int CWinApp::OnUnhandledException(const wchar_t* pszWhat)
{
    OutputDebugStringW(pszWhat);
    return 1;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetInstanceHandle();
}

const wchar_t* AfxGetAppName()
{
    return g_pApp && g_pApp->m_pszAppName ? g_pApp->m_pszAppName : L"";
}

int AfxWinMain(HINSTANCE hInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine ? lpCmdLine : L"";
    pApp->m_nCmdShow = nCmdShow;
    if (!pApp->m_pszAppName)
    {
        CString title;
        if (AfxLoadString(57344 /* application title */, title))
            pApp->SetAppName(title);
    }
    std::set_terminate(OnTerminate);
    SetUnhandledExceptionFilter(OnStructuredException);
    return RunApp(pApp);
}

void AfxSetResourceLanguage(LANGID langId)
{
    g_resourceLanguage = langId;
}

LANGID AfxGetResourceLanguage()
{
    return g_resourceLanguage;
}

namespace
{
BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD wLanguage, LONG_PTR lParam)
{
    reinterpret_cast<std::vector<LANGID>*>(lParam)->push_back(wLanguage);
    return TRUE;
}
}

// Built from the languages the module holds (not from FindResourceExW's own fallbacks).
std::vector<LANGID> AfxResourceLanguageOrder(HMODULE hModule, LPCWSTR pszType, LPCWSTR pszName, LANGID langId)
{
    const LANGID wanted = langId ? langId : g_resourceLanguage;
    std::vector<LANGID> present;
    EnumResourceLanguagesW(hModule, pszType, pszName, &CollectLanguage, reinterpret_cast<LONG_PTR>(&present));
    const auto isPresent = [&present](LANGID lang) {
        for (LANGID p : present)
            if (p == lang)
                return true;
        return false;
    };
    std::vector<LANGID> order;
    const auto add = [&order, &isPresent](LANGID lang) {
        for (LANGID o : order)
            if (o == lang)
                return;
        if (isPresent(lang))
            order.push_back(lang);
    };
    add(wanted);
    add(MAKELANGID(PRIMARYLANGID(wanted), SUBLANG_DEFAULT));
    for (LANGID lang : present)
        if (PRIMARYLANGID(lang) == PRIMARYLANGID(wanted))
            add(lang);
    add(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    return order;
}

HRSRC AfxFindResourceInOrder(HMODULE hModule, LPCWSTR pszType, LPCWSTR pszName, LANGID langId,
                             LANGID* pFoundLanguage)
{
    for (LANGID lang : AfxResourceLanguageOrder(hModule, pszType, pszName, langId))
    {
        if (HRSRC hRes = FindResourceExW(hModule, pszType, pszName, lang))
        {
            if (pFoundLanguage)
                *pFoundLanguage = lang;
            return hRes;
        }
    }
    return nullptr;
}

bool AfxLoadString(UINT nID, CString& rString, LANGID langId)
{
    HINSTANCE hModule = AfxGetResourceHandle();
    // A block of one language may lack a string that another language's block has.
    const LPCWSTR pszBlock = MAKEINTRESOURCEW((nID >> 4) + 1);
    for (LANGID lang : AfxResourceLanguageOrder(hModule, reinterpret_cast<LPCWSTR>(RT_STRING), pszBlock, langId))
        if (LoadStringInLanguage(hModule, nID, lang, rString))
            return true;
    return false;
}

namespace
{
void DebuggerSink(const wchar_t* pszText)
{
    OutputDebugStringW(pszText);
}

AFX_ERROR_SINK volatile g_pfnErrorSink = nullptr;
}

AFX_ERROR_SINK AfxSetErrorSink(AFX_ERROR_SINK pfnSink)
{
    return reinterpret_cast<AFX_ERROR_SINK>(
        InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&g_pfnErrorSink), reinterpret_cast<PVOID>(pfnSink)));
}

void AfxReportError(const wchar_t* pszFormat, ...)
{
    wchar_t text[512] = {};
    va_list args;
    va_start(args, pszFormat);
    _vsnwprintf(text, 511, pszFormat, args);
    va_end(args);
    AFX_ERROR_SINK pfnSink = g_pfnErrorSink;
    (pfnSink ? pfnSink : &DebuggerSink)(text);
}

bool AfxEnableControlContainer()
{
    // The control container is COM: make sure it is initialised on the UI thread.
    HRESULT hr = OleInitialize(nullptr);
    return SUCCEEDED(hr);
}

bool AfxInitRichEdit2()
{
    static HMODULE hRichEdit = LoadSystemLibrary(L"riched20.dll");
    return hRichEdit != nullptr;
}
