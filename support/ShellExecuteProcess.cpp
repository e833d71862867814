#include "ShellExecuteProcess.h"
#include "SystemInfo.h"
#include "TraceLog.h"

#include <objbase.h>

CShellExecuteProcess::CShellExecuteProcess()
{
    ZeroMemory(&m_info, sizeof(m_info));
    // The shell may hand the start to COM objects that want an apartment thread.
    m_bComInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

CShellExecuteProcess::~CShellExecuteProcess()
{
    m_process.Close();
    if (m_bComInitialized)
        CoUninitialize();
}

bool CShellExecuteProcess::Start(const wchar_t* pszFile, const wchar_t* pszParameters, const wchar_t* pszDirectory,
                                 bool bAsAdmin)
{
    m_process.Close();
    m_strFile = pszFile;
    m_strParameters = pszParameters;
    m_strDirectory = pszDirectory;
    ZeroMemory(&m_info, sizeof(m_info));
    m_info.cbSize = sizeof(m_info);
    m_info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    m_info.lpVerb = bAsAdmin && IsWindowsVistaOrLater() ? L"runas" : L"open";
    m_info.lpFile = m_strFile;
    m_info.lpParameters = m_strParameters;
    m_info.lpDirectory = m_strDirectory.IsEmpty() ? nullptr : m_strDirectory.GetString();
    m_info.nShow = SW_HIDE;
    if (ShellExecuteExW(&m_info) != TRUE)
        return false;
    m_process.Reset(m_info.hProcess);
    return true;
}

DWORD CShellExecuteProcess::WaitForExit(HANDLE hStopEvent)
{
    if (!m_process)
    {
        Trace(TRACE_ERROR, L"CShellExecuteProcess::WaitForExit : no process was started");
        return static_cast<DWORD>(-1);
    }
    HANDLE handles[2] = { m_process.Get(), hStopEvent };
    const DWORD wait = WaitForMultipleObjects(hStopEvent ? 2 : 1, handles, FALSE, INFINITE);
    if (wait == WAIT_OBJECT_0 + 1)
        return static_cast<DWORD>(-1);
    DWORD code = 0;
    if (wait != WAIT_OBJECT_0 || !GetExitCodeProcess(m_process.Get(), &code))
    {
        Trace(TRACE_ERROR, L"CShellExecuteProcess::WaitForExit : cannot wait for the process (%lu)", GetLastError());
        return static_cast<DWORD>(-1);
    }
    return code;
}
