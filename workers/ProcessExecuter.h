#pragma once
// Runs programs through the shell and installer packages in this process through msi.dll.

#include "IProcessExecuter.h"

#include "classlib/Handles.h"
#include "classlib/Sync.h"
#include "support/MsiCommandLine.h"

// The installer's log mode and attributes for the letters of a /l switch: fatal exits and errors
// without letters; "*" adds every mode but verbose and extra debug to the letters given with it.
DWORD GetMsiLogMode(const CMsiLetterList& letters, DWORD& rAttributes);

class CProcessExecuter : public IProcessExecuter
{
public:
    CProcessExecuter();
    virtual ~CProcessExecuter();
    CProcessExecuter(const CProcessExecuter&) = delete;
    CProcessExecuter& operator=(const CProcessExecuter&) = delete;

    bool Execute(const wchar_t* pszCommand, const wchar_t* pszParameters, bool bWait, DWORD& rExitCode) override;
    bool ExecuteInstall(const wchar_t* pszPackage, const wchar_t* pszCommandLine, HWND hProgressWnd,
                        DWORD& rResult) override;
    void RequestStop(bool bStop) override;
    void SetAsAdmin(int nAsAdmin) override;
    int GetAsAdmin() override;
    DWORD GetProcessId() override;

private:
    CCriticalSection m_lock;
    int m_nAsAdmin = 0;
    CScopedHandle m_process;
    // Read by the installer's user-interface handler on the installing thread.
    volatile LONG m_nStopFlag = 0;
};
