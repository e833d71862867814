#pragma once
// Runs the programs and the installer packages of the setup.

#include <windows.h>

class IProcessExecuter
{
public:
    // Starts the command from the controller's folder; with bWait, waits for its end and gives
    // its exit code. True when the program started.
    virtual bool Execute(const wchar_t* pszCommand, const wchar_t* pszParameters, bool bWait, DWORD& rExitCode) = 0;
    // Installs a package in this process as the msiexec-style command line says; the progress
    // window (may be null) hears the end. rResult is the installer's result code; true for
    // success (a required or started restart included).
    virtual bool ExecuteInstall(const wchar_t* pszPackage, const wchar_t* pszCommandLine, HWND hProgressWnd,
                                DWORD& rResult) = 0;
    // true asks a running installation to cancel; false changes nothing.
    virtual void RequestStop(bool bStop) = 0;
    virtual void SetAsAdmin(int nAsAdmin) = 0;
    virtual int GetAsAdmin() = 0;
    // The id of the last started program; 0 before any start.
    virtual DWORD GetProcessId() = 0;

protected:
    ~IProcessExecuter() = default;
};

// An installer's result that means installed: 0, or 3010 and 1641 (a restart is required or was
// started).
inline bool IsInstallerSuccess(DWORD result)
{
    return result == ERROR_SUCCESS || result == ERROR_SUCCESS_REBOOT_REQUIRED || result == ERROR_SUCCESS_REBOOT_INITIATED;
}
