#include "StartProcessFromThread.h"

#include "support/Registry.h"
#include "support/TraceLog.h"

namespace
{
const int kDotsPerLine = 91;

// The exit codes of a controller started as a child: 0 and 5 a PC and a USB installation
// that succeeded, 2 and 7 cancelled ones.
bool IsOwnSuccess(DWORD code) { return code == 0 || code == 5; }
bool IsOwnCancel(DWORD code) { return code == 2 || code == 7; }
}

CStartProcessFromThread::CStartProcessFromThread(IProcessExecuter* pProcessExecuter, IWorkerListener* pListener)
    : CWorkerThread(pListener), m_pProcessExecuter(pProcessExecuter)
{
}

CStartProcessFromThread::~CStartProcessFromThread()
{
    Stop(true);
    // Nothing of this object may go while a program or an installation still reports into it.
    WaitForEnd();
    Trace(TRACE_TRACE, L"CStartProcessFromThread::~CStartProcessFromThread");
}

int CStartProcessFromThread::Start(const wchar_t* pszCommand, const wchar_t* pszParameters, bool bAsAdmin,
                                   bool bCheckReturnCode, HKEY hSuccessRoot, const wchar_t* pszSuccessKey,
                                   const wchar_t* pszSuccessValue, CScopedFileHandle* pHeldFile)
{
    if (!CanStart(L"Worker thread is already live in CStartProcessFromThread::Start"))
        return 0;
    if (pHeldFile)
        m_heldFile = std::move(*pHeldFile);
    Trace(TRACE_TRACE,
          L"CStartProcessFromThread::Start strCommand=[%s] strCommandParams=[%s] bAsAdmin=[%d] bCheckReturnCode=[%d] hSucceesKey=[%08X] strSucceesKey=[%s] strSucceesKeyValue=[%s]",
          pszCommand ? pszCommand : L"", pszParameters ? pszParameters : L"", bAsAdmin ? 1 : 0, bCheckReturnCode ? 1 : 0,
          static_cast<unsigned>(reinterpret_cast<UINT_PTR>(hSuccessRoot)), pszSuccessKey ? pszSuccessKey : L"",
          pszSuccessValue ? pszSuccessValue : L"");
    return StartRun(pszCommand, pszParameters, bAsAdmin, bCheckReturnCode, false, nullptr, hSuccessRoot, pszSuccessKey,
                    pszSuccessValue, L"CStartProcessFromThread::Start : could not create process executer thread");
}

int CStartProcessFromThread::StartInstaller(const wchar_t* pszPackage, const wchar_t* pszCommandLine, bool bAsAdmin,
                                            HWND hProgressWnd, HKEY hSuccessRoot, const wchar_t* pszSuccessKey,
                                            const wchar_t* pszSuccessValue)
{
    if (!CanStart(L"Worker thread is already live in CStartProcessFromThread::StartInstaller"))
        return 0;
    Trace(TRACE_TRACE,
          L"CStartProcessFromThread::StartInstaller strCommand=[%s] strCommandParams=[%s] bAsAdmin=[%d] wndProgress=[%08X]",
          pszPackage ? pszPackage : L"", pszCommandLine ? pszCommandLine : L"", bAsAdmin ? 1 : 0,
          static_cast<unsigned>(reinterpret_cast<UINT_PTR>(hProgressWnd)));
    return StartRun(pszPackage, pszCommandLine, bAsAdmin, true, true, hProgressWnd, hSuccessRoot, pszSuccessKey,
                    pszSuccessValue, L"CStartProcessFromThread::StartInstaller : could not create process executer thread");
}

int CStartProcessFromThread::StartRun(const wchar_t* pszCommand, const wchar_t* pszParameters, bool bAsAdmin,
                                      bool bCheckReturnCode, bool bInstaller, HWND hProgressWnd, HKEY hSuccessRoot,
                                      const wchar_t* pszSuccessKey, const wchar_t* pszSuccessValue,
                                      const wchar_t* pszCreateFailed)
{
    m_strCommand = pszCommand;
    m_strCommandParams = pszParameters;
    m_bCheckReturnCode = bCheckReturnCode;
    m_bInstaller = bInstaller;
    m_hProgressWnd = hProgressWnd;
    m_hSuccessRoot = hSuccessRoot;
    m_strSuccessKey = pszSuccessKey;
    m_strSuccessValue = pszSuccessValue;
    m_bCheckSuccessKey = hSuccessRoot && !m_strSuccessKey.IsEmpty() && !m_strSuccessValue.IsEmpty();
    if (m_pProcessExecuter)
        m_pProcessExecuter->SetAsAdmin(bAsAdmin ? 1 : 0);
    {
        CSingleLock lock(&m_lock, true);
        m_bFinished = 0;
        m_bSuccess = false;
        m_bCancelled = false;
        m_dwExitCode = 0;
    }
    if (LaunchThread(pszCreateFailed))
        return 1;
    m_heldFile.Close();
    return 0;
}

bool CStartProcessFromThread::Stop(bool bRequestStop)
{
    Trace(TRACE_TRACE, L"CStartProcessFromThread::Stop");
    if (m_pProcessExecuter)
    {
        m_pProcessExecuter->RequestStop(bRequestStop);
        Trace(TRACE_TRACE, L"CStartProcessFromThread::Stop() process execution stop request");
    }
    // Recorded only: a program runs to its end and an installation cancels itself through the
    // executer. A caller that must know the run has ended waits with WaitForEnd.
    if (IsThreadLive())
        Kill();
    return false;
}

void CStartProcessFromThread::WaitForEnd()
{
    WaitForThreadEnd();
}

bool CStartProcessFromThread::ProcessFinished(bool& rbSuccess, bool& rbCancelled, bool& rbCheckReturnCode,
                                              DWORD& rExitCode, bool bPrintProgress)
{
    bool bFinished;
    {
        CSingleLock lock(&m_lock, true);
        bFinished = m_bFinished != 0;
        rbSuccess = m_bSuccess;
        rbCancelled = m_bCancelled;
        rbCheckReturnCode = m_bCheckReturnCode;
        rExitCode = m_dwExitCode;
    }
    if (bFinished)
    {
        Trace(TRACE_TRACE, L"CStartProcessFromThread::ProcessFinished(%d,%d,%d,%lu)", rbSuccess ? 1 : 0, rbCancelled ? 1 : 0,
              rbCheckReturnCode ? 1 : 0, rExitCode);
    }
    else if (bPrintProgress)
    {
        OutputDebugStringW(L".");
        if (++m_nProgressDots >= kDotsPerLine)
        {
            OutputDebugStringW(L"\n");
            m_nProgressDots = 0;
        }
    }
    return bFinished;
}

bool CStartProcessFromThread::IsOwnProgram() const
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return n > 0 && n < MAX_PATH && m_strCommand.CompareNoCase(path) == 0;
}

bool CStartProcessFromThread::RunProcess(DWORD& rExitCode)
{
    if (!m_pProcessExecuter)
    {
        Trace(TRACE_TRACE, L"CStartProcessFromThread::run m_pProcessExecuter is NULL");
        return false;
    }
    bool bStarted;
    if (m_bInstaller)
    {
        bStarted = m_pProcessExecuter->ExecuteInstall(m_strCommand, m_strCommandParams, m_hProgressWnd, rExitCode);
        Trace(TRACE_TRACE, L"CStartProcessFromThread::run m_strCommand=[%s] m_strCommandParams=[%s] wndMsiProgress=[%08X] exitCode=[%d]",
              m_strCommand.GetString(), m_strCommandParams.GetString(),
              static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m_hProgressWnd)), static_cast<int>(rExitCode));
    }
    else
    {
        bStarted = m_pProcessExecuter->Execute(m_strCommand, m_strCommandParams, true, rExitCode);
        Trace(TRACE_TRACE, L"CStartProcessFromThread::run m_strCommand=[%s] m_strCommandParams=[%s] bExecute=[%d] exitCode=[%d]",
              m_strCommand.GetString(), m_strCommandParams.GetString(), 1, static_cast<int>(rExitCode));
    }
    return bStarted;
}

int CStartProcessFromThread::run()
{
    m_nProgressDots = 0;
    bool bStarted = false;
    DWORD exitCode = 0;
    try
    {
        bStarted = RunProcess(exitCode);
    }
    catch (...)
    {
        Trace(TRACE_ERROR, L"CStartProcessFromThread::run : the run failed with an exception");
        bStarted = false;
    }
    m_heldFile.Close();
    const bool bSelf = IsOwnProgram();
    const bool bCancelled = (m_bCheckReturnCode && exitCode == ERROR_INSTALL_USEREXIT) || (bSelf && IsOwnCancel(exitCode));
    bool bReturnCodeMet = bSelf ? IsOwnSuccess(exitCode) : exitCode == 0;
    if (m_bInstaller)
        bReturnCodeMet = IsInstallerSuccess(exitCode);
    if (!m_pProcessExecuter)
        bReturnCodeMet = false;

    bool bSuccess = bStarted;
    if (m_bCheckReturnCode)
        bSuccess = bSuccess && bReturnCodeMet;
    if (m_bCheckSuccessKey)
    {
        const bool bKeySet = GetRegString(m_hSuccessRoot, m_strSuccessKey, m_strSuccessValue, 0) == L"1";
        Trace(TRACE_TRACE, L"Success key [%d] [%s] [%s] = [%d]",
              static_cast<int>(reinterpret_cast<INT_PTR>(m_hSuccessRoot)), m_strSuccessKey.GetString(),
              m_strSuccessValue.GetString(), bKeySet ? 1 : 0);
        bSuccess = bSuccess && bKeySet;
    }
    // The listener before the flag: once the flag is set the next start may wait for this thread.
    NotifyListener(bSuccess ? 1 : 0);
    CSingleLock lock(&m_lock, true);
    m_dwExitCode = exitCode;
    m_bCancelled = bCancelled;
    m_bSuccess = bSuccess;
    m_bFinished = 1;
    return 0;
}
