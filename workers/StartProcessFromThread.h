#pragma once
// Runs one program or installer package on a worker thread and keeps the outcome for the step
// engine: started, cancelled, exit code, and whether the success rules held.

#include "IProcessExecuter.h"
#include "WorkerThread.h"

#include "classlib/Handles.h"
#include "classlib/String.h"

class CStartProcessFromThread : public CWorkerThread
{
public:
    CStartProcessFromThread(IProcessExecuter* pProcessExecuter, IWorkerListener* pListener);
    ~CStartProcessFromThread() override;

    // A program, always waited for. With bCheckReturnCode its exit code must be 0 (0 or 5 for
    // the controller itself); with a success value (root, key and name all given) that registry
    // text must be "1". 1 started, 0 not. With pHeldFile (the program file, opened so that
    // nobody may write it) the worker takes the handle and closes it once the program has ended:
    // the file that was checked stays the file that runs.
    int Start(const wchar_t* pszCommand, const wchar_t* pszParameters, bool bAsAdmin, bool bCheckReturnCode,
              HKEY hSuccessRoot, const wchar_t* pszSuccessKey, const wchar_t* pszSuccessValue,
              CScopedFileHandle* pHeldFile = nullptr);
    // An installer package with an msiexec-style command line; the progress window hears its end.
    int StartInstaller(const wchar_t* pszPackage, const wchar_t* pszCommandLine, bool bAsAdmin, HWND hProgressWnd,
                       HKEY hSuccessRoot, const wchar_t* pszSuccessKey, const wchar_t* pszSuccessValue);
    // Passes the request to the executer and returns at once: the running program is not
    // killed, an installation cancels itself. Always false.
    bool Stop(bool bRequestStop = true);
    // Waits for the run's thread to end (answering messages sent to this thread's windows);
    // for a caller that must know the program has ended.
    void WaitForEnd();
    // The finished flag; the outcome through the out-parameters. With bPrintProgress a
    // running worker writes a dot to the debugger output.
    bool ProcessFinished(bool& rbSuccess, bool& rbCancelled, bool& rbCheckReturnCode, DWORD& rExitCode,
                         bool bPrintProgress);

protected:
    int run() override;

private:
    int StartRun(const wchar_t* pszCommand, const wchar_t* pszParameters, bool bAsAdmin, bool bCheckReturnCode,
                 bool bInstaller, HWND hProgressWnd, HKEY hSuccessRoot, const wchar_t* pszSuccessKey,
                 const wchar_t* pszSuccessValue, const wchar_t* pszCreateFailed);
    bool RunProcess(DWORD& rExitCode);
    bool IsOwnProgram() const;

    IProcessExecuter* m_pProcessExecuter;
    CString m_strCommand;
    CString m_strCommandParams;
    bool m_bSuccess = false;
    bool m_bCancelled = false;
    DWORD m_dwExitCode = 0;
    bool m_bInstaller = false;
    HWND m_hProgressWnd = nullptr;
    bool m_bCheckReturnCode = false;
    bool m_bCheckSuccessKey = false;
    HKEY m_hSuccessRoot = nullptr;
    CString m_strSuccessKey;
    CString m_strSuccessValue;
    int m_nProgressDots = 0;
    CScopedFileHandle m_heldFile;
};
