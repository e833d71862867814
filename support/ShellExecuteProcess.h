#pragma once
// Starts a program through the shell and waits for its end.

#include "classlib/Handles.h"
#include "classlib/String.h"

#include <shellapi.h>

class CShellExecuteProcess
{
public:
    CShellExecuteProcess();
    ~CShellExecuteProcess();
    CShellExecuteProcess(const CShellExecuteProcess&) = delete;
    CShellExecuteProcess& operator=(const CShellExecuteProcess&) = delete;

    // "runas" when asAdmin is set on Vista and later, otherwise "open"; hidden, no error UI.
    bool Start(const wchar_t* pszFile, const wchar_t* pszParameters, const wchar_t* pszDirectory, bool bAsAdmin);
    // The process's exit code; (DWORD)-1 when no process was started, the wait failed, or the
    // stop event (a manual-reset event, may be null) was signalled first: the process is left
    // running then.
    DWORD WaitForExit(HANDLE hStopEvent = nullptr);
    HANDLE GetProcessHandle() const { return m_process.Get(); }

private:
    SHELLEXECUTEINFOW m_info;
    CScopedHandle m_process;
    CString m_strFile, m_strParameters, m_strDirectory;
    bool m_bComInitialized = false;
};
