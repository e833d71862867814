#pragma once
// Starting the built programs from tests, and reading what the controller leaves behind.

#include "classlib/Handles.h"
#include "classlib/String.h"

// Sets an environment variable for the programs a test starts while it lives, then puts the old
// value back. A null name sets nothing.
class CScopedEnvironment
{
public:
    CScopedEnvironment(const wchar_t* pszName, const CString& value);
    ~CScopedEnvironment();
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    CString m_name, m_old;
    bool m_had = false;
};

class CChildProcess
{
public:
    // Starts "<exe>" <args> in the folder; false when it cannot be started.
    bool Start(const CString& exe, const CString& args, const CString& folder);
    // The exit code, or STILL_ACTIVE when it has not ended within the time.
    DWORD Wait(DWORD timeoutMs);
    DWORD GetPid() const { return m_pid; }
    HANDLE GetHandle() const { return m_process.Get(); }
    // Lets go of the process object (an ended process then vanishes from the system).
    void Close() { m_process.Close(); }

private:
    CScopedHandle m_process;
    DWORD m_pid = 0;
};

// A folder holding a copy of the controller, the refresh_rt stand-in and an oru.ini of the
// given generation. Each test picks its own generation: it names the controller's instance
// flag and its trace-log folder, so tests do not see each other's runs.
CString PrepareControllerFolder(const wchar_t* pszTestName, const wchar_t* pszGeneration,
                                const char* pszExtraIniLines = "", const wchar_t* pszExeName = L"VantolinSetup.exe");
CString ControllerLogFolder(const wchar_t* pszGeneration);
// Every trace file the controller process wrote, in order, joined.
CString ReadControllerLog(const wchar_t* pszGeneration, DWORD pid);
// What the refresh_rt stand-in in the folder recorded.
CString ReadRefreshRtCalls(const CString& folder);
// HKCU\Software\Quillmark CurrentlyRunningVantolinApp (empty when missing).
CString ReadRunningAppValue();
void WriteRunningAppValue(const wchar_t* pszValue);
// Writes a REG_SZ value under HKEY_CURRENT_USER, creating the key; false on failure.
bool WriteUserRegString(const wchar_t* pszKey, const wchar_t* pszName, const wchar_t* pszValue);
