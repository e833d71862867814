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
// The same from a given log folder (with its backslash).
CString ReadProcessLogFiles(const CString& folder, DWORD pid);
// What the refresh_rt stand-in in the folder recorded.
CString ReadRefreshRtCalls(const CString& folder);
// HKCU\Software\Quillmark CurrentlyRunningVantolinApp (empty when missing).
CString ReadRunningAppValue();
void WriteRunningAppValue(const wchar_t* pszValue);
// Writes a REG_SZ value under HKEY_CURRENT_USER, creating the key; false on failure.
bool WriteUserRegString(const wchar_t* pszKey, const wchar_t* pszName, const wchar_t* pszValue);
// The key under HKEY_CURRENT_USER with everything below it; a value of such a key.
void DeleteUserRegKey(const wchar_t* pszKey);
void DeleteUserRegValue(const wchar_t* pszKey, const wchar_t* pszName);
bool UserRegValueExists(const wchar_t* pszKey, const wchar_t* pszName);

// A test that must run in a process of its own (a changed token, another Windows version, a
// folder without a library): the test program copies itself into the folder under the name and
// runs the copy with only the tests of the filter; they see IsChildTestRun(). The copy's exit
// code (0 when its tests passed), or STILL_ACTIVE when it did not end in time.
DWORD RunTestProgramCopy(const CString& folder, const wchar_t* pszExeName, const char* pszFilter, DWORD timeoutMs);
bool IsChildTestRun();
