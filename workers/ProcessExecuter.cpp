#include "ProcessExecuter.h"
#include "MsiUIHandler.h"
#include "WindowMessages.h"

#include "support/FileUtil.h"
#include "support/MsiCommandLine.h"
#include "support/MsiHandle.h"
#include "support/ShellExecuteProcess.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"

#include <msi.h>
#include <msiquery.h>
#include <objbase.h>

namespace
{
// The installer's own dialogs stay off; it asks only for a source it cannot find.
const INSTALLUILEVEL kInternalUiLevel = static_cast<INSTALLUILEVEL>(INSTALLUILEVEL_NONE | INSTALLUILEVEL_SOURCERESONLY);
const DWORD kLogAllModes = 0xFDF;

// Installs the external handler and puts back what was there before, on every path.
class CExternalUiScope
{
public:
    explicit CExternalUiScope(MsiUIContext* pContext)
        : m_previous(MsiSetExternalUIW(MsiUIHandler, kMsiUIHandlerFilter, pContext))
    {
    }
    ~CExternalUiScope() { MsiSetExternalUIW(m_previous, 0, nullptr); }
    CExternalUiScope(const CExternalUiScope&) = delete;
    CExternalUiScope& operator=(const CExternalUiScope&) = delete;

private:
    INSTALLUI_HANDLERW m_previous;
};

class CInternalUiScope
{
public:
    CInternalUiScope() : m_previous(MsiSetInternalUI(kInternalUiLevel, nullptr)) {}
    ~CInternalUiScope() { MsiSetInternalUI(m_previous, nullptr); }
    CInternalUiScope(const CInternalUiScope&) = delete;
    CInternalUiScope& operator=(const CInternalUiScope&) = delete;

private:
    INSTALLUILEVEL m_previous;
};

class CComScope
{
public:
    explicit CComScope(DWORD model) : m_bInitialized(SUCCEEDED(CoInitializeEx(nullptr, model))) {}
    ~CComScope()
    {
        if (m_bInitialized)
            CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    bool m_bInitialized;
};

DWORD LogModeOfLetter(wchar_t letter)
{
    switch (letter)
    {
    case L'I': return INSTALLLOGMODE_INFO;
    case L'W': return INSTALLLOGMODE_WARNING;
    case L'E': return INSTALLLOGMODE_ERROR;
    case L'A': return INSTALLLOGMODE_ACTIONSTART;
    case L'R': return INSTALLLOGMODE_ACTIONDATA;
    case L'U': return INSTALLLOGMODE_USER;
    case L'C': return INSTALLLOGMODE_COMMONDATA;
    case L'M': return INSTALLLOGMODE_FATALEXIT;
    case L'O': return INSTALLLOGMODE_OUTOFDISKSPACE;
    case L'P': return INSTALLLOGMODE_PROPERTYDUMP;
    case L'V': return INSTALLLOGMODE_VERBOSE;
    case L'X': return INSTALLLOGMODE_EXTRADEBUG;
    // "*" is every mode but verbose and extra debug, on top of the letters given with it.
    case L'*': return kLogAllModes;
    default: return 0;
    }
}

void EnableInstallerLog(const CString& logFile, const CMsiLetterList& letters)
{
    DWORD attributes = 0;
    const DWORD mode = GetMsiLogMode(letters, attributes);
    const int lastBackslash = logFile.ReverseFind(L'\\');
    if (lastBackslash > 0)
    {
        const CString folder = logFile.Left(lastBackslash);
        if (!FolderExists(folder))
            CreateFolderTree(folder, nullptr);
    }
    if (MsiEnableLogW(mode, logFile, attributes) != ERROR_SUCCESS)
        Trace(TRACE_TRACE, L"WARNING: Could not set MSI logging using the specified parameters.\n");
}

}

DWORD GetMsiLogMode(const CMsiLetterList& letters, DWORD& rAttributes)
{
    DWORD mode = letters.empty() ? (INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_ERROR) : 0;
    rAttributes = 0;
    for (wchar_t letter : letters)
    {
        const wchar_t upper = static_cast<wchar_t>(towupper(letter));
        if (upper == L'+')
            rAttributes |= INSTALLLOGATTRIBUTES_APPEND;
        else if (upper == L'!')
            rAttributes |= INSTALLLOGATTRIBUTES_FLUSHEACHLINE;
        else
            mode |= LogModeOfLetter(upper);
    }
    return mode;
}

CProcessExecuter::CProcessExecuter() = default;

CProcessExecuter::~CProcessExecuter() = default;

bool CProcessExecuter::Execute(const wchar_t* pszCommand, const wchar_t* pszParameters, bool bWait, DWORD& rExitCode)
{
    CShellExecuteProcess shell;
    const bool bStarted = shell.Start(pszCommand, pszParameters, GetModuleFolder(nullptr), GetAsAdmin() == 1);
    {
        HANDLE hCopy = nullptr;
        if (bStarted && shell.GetProcessHandle())
            DuplicateHandle(GetCurrentProcess(), shell.GetProcessHandle(), GetCurrentProcess(), &hCopy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS);
        CSingleLock lock(&m_lock, true);
        m_process.Reset(hCopy);
    }
    if (bWait && bStarted)
        rExitCode = shell.WaitForExit();
    return bStarted;
}

bool CProcessExecuter::ExecuteInstall(const wchar_t* pszPackage, const wchar_t* pszCommandLine, HWND hProgressWnd,
                                      DWORD& rResult)
{
    DWORD result = 0;
    {
        CComScope com(COINIT_MULTITHREADED);
        try
        {
            MsiUIContext context(pszCommandLine, &m_nStopFlag, hProgressWnd);
            // The package to open is the one given; the command line's own target is not used.
            CString action = L"INSTALL", target, logFile, secondTarget;
            bool bProductCode = false;
            WORD reserved = 0;
            CMsiLetterList reservedLetters, uiLetters, logLetters;
            CMapStringToString properties;
            if (!ParseMsiCommandLine(pszCommandLine, action, target, bProductCode, logFile, secondTarget, reserved,
                                     reservedLetters, uiLetters, logLetters, properties))
            {
                Trace(TRACE_TRACE, L"ERROR: Unsupported MSI command line:\n%s\n", pszCommandLine);
                result = ERROR_INVALID_PARAMETER;
            }
            else
            {
                CInternalUiScope internalUi;
                if (!logFile.IsEmpty())
                    EnableInstallerLog(logFile, logLetters);
                CScopedMsiHandle package;
                const UINT openResult = MsiOpenPackageW(pszPackage, package.Receive());
                if (openResult != ERROR_SUCCESS || !package)
                {
                    Trace(TRACE_TRACE, L"CProcessExecuter::ExecuteInstall: Failed to open %s database.\n", pszPackage);
                    result = 1;
                }
                else
                {
                    context.hPackage = package.Get();
                    CString name, value;
                    for (POSITION pos = properties.GetStartPosition(); pos;)
                    {
                        properties.GetNextAssoc(pos, name, value);
                        MsiSetPropertyW(package.Get(), name, value);
                    }
                    CExternalUiScope externalUi(&context);
                    result = MsiDoActionW(package.Get(), action);
                }
            }
        }
        catch (...)
        {
            Trace(TRACE_TRACE, L"CProcessExecuter::ExecuteInstall: Unhandled exception\n");
            result = 1;
        }
    }
    if (result == ERROR_INSTALL_USEREXIT)
        Trace(TRACE_TRACE, L"CProcessExecuter::ExecuteInstall: Cancelled by user\n");
    rResult = result;
    const bool bSucceeded = IsInstallerSuccess(result);
    if (IsWindow(hProgressWnd))
        PostMessageW(hProgressWnd, PROGRESSDLG_END_DIALOG, bSucceeded ? 1 : 3, 0);
    return bSucceeded;
}

void CProcessExecuter::RequestStop(bool bStop)
{
    if (bStop)
        InterlockedExchange(&m_nStopFlag, 1);
}

void CProcessExecuter::SetAsAdmin(int nAsAdmin)
{
    CSingleLock lock(&m_lock, true);
    m_nAsAdmin = nAsAdmin;
}

int CProcessExecuter::GetAsAdmin()
{
    CSingleLock lock(&m_lock, true);
    return m_nAsAdmin;
}

DWORD CProcessExecuter::GetProcessId()
{
    CSingleLock lock(&m_lock, true);
    return m_process ? ::GetProcessId(m_process.Get()) : 0;
}
