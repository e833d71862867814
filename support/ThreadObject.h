#pragma once
// Base of every worker thread: one system thread at a time, created suspended and resumed by
// the owner, running the derived body, with a stop-request counter the body polls.
//
// A derived worker's destructor must stop and join its thread (StopThread): by the time this
// base destructor runs, the derived part that the body uses is already gone.

#include "classlib/Handles.h"
#include "classlib/Sync.h"

#include <atomic>

#include "classlib/Thread.h"

// Creation and resumption of the worker threads; a test replaces them to make a start fail.
struct ThreadObjectCalls
{
    // The thread created suspended, or null when it cannot be created.
    CWinThread* (*pCreateSuspended)(AFX_THREADPROC pfnEntry, LPVOID pParam);
    // The previous suspend count, or (DWORD)-1 when the thread cannot be resumed.
    DWORD (*pResume)(CWinThread* pThread);
};
// Null restores the system's calls; gives back the previous table.
const ThreadObjectCalls* SetThreadObjectCalls(const ThreadObjectCalls* pCalls);

class CThreadHandle
{
public:
    // Throws std::runtime_error when the thread cannot be created.
    CThreadHandle(UINT(__cdecl* pfnEntry)(LPVOID), LPVOID pParam);
    // The previous suspend count, or -1 without a thread.
    DWORD Resume();
    void Clear() { m_pThread = nullptr; }

private:
    CWinThread* m_pThread;
};

class CTThreadObject
{
public:
    explicit CTThreadObject(bool bAutoDelete);
    virtual ~CTThreadObject();
    CTThreadObject(const CTThreadObject&) = delete;
    CTThreadObject& operator=(const CTThreadObject&) = delete;

    // 0 created (suspended), 1 a thread exists already, -1 creation failed.
    int StartThread();
    unsigned Resume();
    // For a thread that was created but could not be resumed: the object lets go of it, so that
    // nothing waits for it; it never runs the body. False when there is no thread.
    bool DiscardSuspendedThread();
    bool IsThreadLive();
    // Counts one more stop request and returns the count; neither waits nor resumes.
    int Kill();
    // The stop protocol: request, resume a suspended thread so it sees the request, then wait
    // for its end.
    void StopThread(const wchar_t* pszClassName);
    // Waits until the thread has ended, checking every 10 ms. Messages sent to this thread's
    // windows are answered meanwhile (a body may be inside SendMessage to one of them); nothing
    // else is dispatched, so no timer or input re-enters the caller. Called from the body's own
    // thread it returns at once.
    void WaitForThreadEnd();
    int GetStopRequests() const { return m_stopRequests.load(); }
    // Signalled from the first stop request of a run until the next start: a body waits on it
    // beside whatever it waits for, so that a stop never sits out a wait.
    HANDLE GetStopEvent() const { return m_stopEvent.Get(); }

protected:
    virtual int OnThreadStart() { return 0; }
    virtual int OnThreadEnd() { return 0; }
    virtual int run() = 0;
    bool IsStopRequested() const { return m_stopRequests.load() != 0; }
    // Sleeps up to the time given; true (at once) when a stop is requested meanwhile.
    bool WaitForStopRequest(DWORD dwMilliseconds) const;

private:
    static UINT __cdecl ThreadEntry(LPVOID pParam);
    void DeleteThreadHandle();
    void WarnIfAutoDelete(const wchar_t* pszWarning);

    std::atomic<int> m_stopRequests{ 0 };
    CScopedHandle m_stopEvent;
    // The id of the thread running the body, 0 outside a run.
    std::atomic<DWORD> m_runningThreadId{ 0 };
    // Set by the base destructor: the derived part is gone, so a thread that has not begun
    // its body yet ends without it.
    std::atomic<bool> m_bBodyGone{ false };
    bool m_bAutoDelete;
    int m_resumeState = -1;
    CThreadHandle* m_pThreadHandle = nullptr;
    CCriticalSection m_lock;
};
