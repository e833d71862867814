#include "ProcessRun.h"
#include "TestArea.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <vector>

CScopedEnvironment::CScopedEnvironment(const wchar_t* pszName, const CString& value) : m_name(pszName ? pszName : L"")
{
    if (m_name.IsEmpty())
        return;
    const DWORD n = GetEnvironmentVariableW(m_name, nullptr, 0);
    m_had = n > 0;
    if (m_had)
    {
        GetEnvironmentVariableW(m_name, m_old.GetBuffer(n), n);
        m_old.ReleaseBuffer();
    }
    SetEnvironmentVariableW(m_name, value);
}

CScopedEnvironment::~CScopedEnvironment()
{
    if (!m_name.IsEmpty())
        SetEnvironmentVariableW(m_name, m_had ? m_old.GetString() : nullptr);
}

bool CChildProcess::Start(const CString& exe, const CString& args, const CString& folder)
{
    CString cmdLine;
    cmdLine.Format(L"\"%s\" %s", exe.GetString(), args.GetString());
    std::vector<wchar_t> buf(cmdLine.GetString(), cmdLine.GetString() + cmdLine.GetLength() + 1);
    STARTUPINFOW si = { sizeof(si) };
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    m_process.Reset(pi.hProcess);
    m_pid = pi.dwProcessId;
    return true;
}

DWORD CChildProcess::Wait(DWORD timeoutMs)
{
    if (WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

CString PrepareControllerFolder(const wchar_t* pszTestName, const wchar_t* pszGeneration, const char* pszExtraIniLines,
                                const wchar_t* pszExeName)
{
    // Logs of earlier test runs of this generation could carry the same process ids.
    const CString logFolder = ControllerLogFolder(pszGeneration);
    for (const CString& name : ListFiles(logFolder + L"Log_oru_*.txt"))
        DeleteFileW(logFolder + name);

    const CString folder = FreshTestFolder(pszTestName);
    CopyInto(L"VantolinSetup.exe", folder, pszExeName);
    CopyInto(L"refresh_rt.dll", folder);
    std::string ini = "[General]\r\ngeneration=" + CString(pszGeneration).ToNarrow(CP_UTF8) + "\r\n" + pszExtraIniLines;
    WriteTextFile(folder + L"oru.ini", ini);
    return folder;
}

CString ControllerLogFolder(const wchar_t* pszGeneration)
{
    wchar_t buf[MAX_PATH + 1] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf);
    CString folder(buf);
    folder += L"\\Quillmark\\Vantolin_";
    folder += pszGeneration;
    folder += L"\\Log\\setup\\";
    return folder;
}

CString ReadControllerLog(const wchar_t* pszGeneration, DWORD pid)
{
    return ReadProcessLogFiles(ControllerLogFolder(pszGeneration), pid);
}

CString ReadProcessLogFiles(const CString& folder, DWORD pid)
{
    CString pattern;
    pattern.Format(L"%sLog_oru_*_%X*.txt", folder.GetString(), pid);
    CString pidPart;
    pidPart.Format(L"_%X", pid);
    CString text;
    for (const CString& name : ListFiles(pattern))
    {
        // "_1A" must not match the files of process 0x1A2C.
        const int at = name.Find(pidPart, 23); // after "Log_oru_YYYYMMDD_HHMMSS"
        const wchar_t next = at >= 0 && at + pidPart.GetLength() < name.GetLength() ? name[at + pidPart.GetLength()] : L'\0';
        if (at >= 0 && (next == L'.' || next == L'_'))
            text += ReadUtf16File(folder + name);
    }
    return text;
}

CString ReadRefreshRtCalls(const CString& folder)
{
    return ReadUtf8File(folder + L"refresh_rt_calls.txt");
}

CString ReadRunningAppValue()
{
    wchar_t buf[512] = {};
    DWORD cb = sizeof(buf) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Quillmark", L"CurrentlyRunningVantolinApp", RRF_RT_REG_SZ, nullptr, buf, &cb) != ERROR_SUCCESS)
        return CString();
    return CString(buf);
}

void WriteRunningAppValue(const wchar_t* pszValue)
{
    WriteUserRegString(L"Software\\Quillmark", L"CurrentlyRunningVantolinApp", pszValue);
}

bool WriteUserRegString(const wchar_t* pszKey, const wchar_t* pszName, const wchar_t* pszValue)
{
    CScopedRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, pszKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                          static_cast<DWORD>((wcslen(pszValue) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void DeleteUserRegKey(const wchar_t* pszKey)
{
    SHDeleteKeyW(HKEY_CURRENT_USER, pszKey);
}

void DeleteUserRegValue(const wchar_t* pszKey, const wchar_t* pszName)
{
    CScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, pszKey, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS)
        RegDeleteValueW(key.Get(), pszName);
}

bool UserRegValueExists(const wchar_t* pszKey, const wchar_t* pszName)
{
    CScopedRegKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, pszKey, 0, KEY_QUERY_VALUE, key.Receive()) == ERROR_SUCCESS &&
           RegQueryValueExW(key.Get(), pszName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

namespace
{
const wchar_t kChildTestVariable[] = L"VANTOLIN_CHILD_TEST";
}

DWORD RunTestProgramCopy(const CString& folder, const wchar_t* pszExeName, const char* pszFilter, DWORD timeoutMs)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const CString copy = folder + pszExeName;
    if (!CopyFileW(self, copy, FALSE))
        return static_cast<DWORD>(-1);
    SetEnvironmentVariableW(kChildTestVariable, L"1");
    CChildProcess child;
    const bool started = child.Start(copy, CString(L"--gtest_filter=") + CString::FromNarrow(pszFilter), folder);
    SetEnvironmentVariableW(kChildTestVariable, nullptr);
    if (!started)
        return static_cast<DWORD>(-1);
    const DWORD code = child.Wait(timeoutMs);
    if (code == STILL_ACTIVE)
        TerminateProcess(child.GetHandle(), 1);
    return code;
}

bool IsChildTestRun()
{
    wchar_t buf[4] = {};
    return GetEnvironmentVariableW(kChildTestVariable, buf, 4) > 0;
}
