#pragma once
// The class library's thread object and its start.

#include <windows.h>

typedef UINT(__cdecl* AFX_THREADPROC)(LPVOID);

class CWinThread
{
public:
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    bool CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES pSecurity);
    // The previous suspend count, or (DWORD)-1 on failure.
    DWORD ResumeThread();
    DWORD SuspendThread();
    bool SetThreadPriority(int nPriority);

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    // When set, the object deletes itself once its thread function has returned.
    BOOL m_bAutoDelete = TRUE;

private:
    static unsigned __stdcall Entry(void* pThis);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
};

// Null when the thread cannot be created. With CREATE_SUSPENDED the caller resumes it.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES pSecurity = nullptr);
