#include "ThreadObject.h"
#include "TraceLog.h"

#include "classlib/Thread.h"

#include <stdexcept>

namespace
{
const DWORD kStopPollMs = 10;

CWinThread* CreateSuspended(AFX_THREADPROC pfnEntry, LPVOID pParam)
{
    return AfxBeginThread(pfnEntry, pParam, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
}

DWORD ResumeWinThread(CWinThread* pThread)
{
    return pThread->ResumeThread();
}

const ThreadObjectCalls kSystemCalls = { CreateSuspended, ResumeWinThread };
const ThreadObjectCalls* g_pCalls = &kSystemCalls;
}

const ThreadObjectCalls* SetThreadObjectCalls(const ThreadObjectCalls* pCalls)
{
    const ThreadObjectCalls* pOld = g_pCalls;
    g_pCalls = pCalls ? pCalls : &kSystemCalls;
    return pOld;
}

CThreadHandle::CThreadHandle(UINT(__cdecl* pfnEntry)(LPVOID), LPVOID pParam)
    : m_pThread(g_pCalls->pCreateSuspended(pfnEntry, pParam))
{
    if (!m_pThread)
        throw std::runtime_error("Error creating thread, AfxBeginThread failed!");
    m_pThread->m_bAutoDelete = TRUE;
}

DWORD CThreadHandle::Resume()
{
    return m_pThread ? g_pCalls->pResume(m_pThread) : static_cast<DWORD>(-1);
}

CTThreadObject::CTThreadObject(bool bAutoDelete)
    : m_stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_bAutoDelete(bAutoDelete)
{
}

bool CTThreadObject::WaitForStopRequest(DWORD dwMilliseconds) const
{
    if (IsStopRequested())
        return true;
    if (m_stopEvent)
        return WaitForSingleObject(m_stopEvent.Get(), dwMilliseconds) == WAIT_OBJECT_0 || IsStopRequested();
    Sleep(dwMilliseconds);
    return IsStopRequested();
}

CTThreadObject::~CTThreadObject()
{
    if (m_bAutoDelete)
        return; // deleted by its own thread, after the clean-up
    if (IsThreadLive())
    {
        // Too late for a clean stop, but freeing the object under a running thread is worse.
        Trace(TRACE_WARNING, L"WARNING!!!!  CTThreadObject killed while thread is running !!!!!\n");
        // Resuming a thread that never ran would call the pure body of a half-destroyed object.
        m_bBodyGone = true;
        StopThread(L"CTThreadObject");
    }
}

void CTThreadObject::WarnIfAutoDelete(const wchar_t* pszWarning)
{
    if (m_bAutoDelete)
        Trace(TRACE_WARNING, pszWarning);
}

int CTThreadObject::StartThread()
{
    CSingleLock lock(&m_lock, true);
    if (m_pThreadHandle)
        return 1;
    m_stopRequests = 0;
    if (m_stopEvent)
        ResetEvent(m_stopEvent.Get());
    m_resumeState = 2;
    try
    {
        m_pThreadHandle = new CThreadHandle(ThreadEntry, this);
    }
    catch (const std::exception& e)
    {
        Trace(TRACE_ERROR, L"Error creating thread: %s", CString::FromNarrow(e.what()).GetString());
        m_pThreadHandle = nullptr;
        return -1;
    }
    return 0;
}

unsigned CTThreadObject::Resume()
{
    WarnIfAutoDelete(L"WARNING!!!!  Calling IsThreadLive when autodelete is active\n");
    CSingleLock lock(&m_lock, true);
    if (!m_pThreadHandle)
    {
        Trace(TRACE_WARNING, L"Trying to Resume thread that is not created!");
        return 0;
    }
    m_resumeState = static_cast<int>(m_pThreadHandle->Resume());
    return static_cast<unsigned>(m_resumeState);
}

bool CTThreadObject::DiscardSuspendedThread()
{
    CSingleLock lock(&m_lock, true);
    if (!m_pThreadHandle)
        return false;
    // Ending a thread that never ran is not safe everywhere (it brings down the process under
    // some emulations); nothing can resume it once its holder is gone, so it stays suspended,
    // never touching this object, for the life of the process.
    Trace(TRACE_WARNING, L"CTThreadObject::DiscardSuspendedThread : a thread that never ran is left suspended");
    m_pThreadHandle->Clear();
    delete m_pThreadHandle;
    m_pThreadHandle = nullptr;
    return true;
}

bool CTThreadObject::IsThreadLive()
{
    WarnIfAutoDelete(L"WARNING!!!!  Calling IsThreadLive when autodelete is active\n");
    CSingleLock lock(&m_lock, true);
    return m_pThreadHandle != nullptr;
}

int CTThreadObject::Kill()
{
    if (m_resumeState == 0)
        Trace(TRACE_WARNING, L"WARNING!!!!   Trying to kill thread that is suspended\n");
    const int requests = ++m_stopRequests;
    if (m_stopEvent)
        SetEvent(m_stopEvent.Get());
    return requests;
}

void CTThreadObject::StopThread(const wchar_t* pszClassName)
{
    Trace(TRACE_TRACE, L"%s::Stop", pszClassName);
    if (!IsThreadLive())
        return;
    Kill();
    // A thread suspended more than once needs a resume per suspension; a failed resume (-1)
    // would never count down, so it ends the loop as well.
    for (unsigned previous = Resume(); previous > 1 && previous != static_cast<unsigned>(-1); previous = Resume())
    {
    }
    WaitForThreadEnd();
}

void CTThreadObject::WaitForThreadEnd()
{
    if (m_runningThreadId.load() == GetCurrentThreadId())
        return;
    while (IsThreadLive())
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kStopPollMs, QS_SENDMESSAGE);
        // Peeking delivers the sent messages, also those that were already waiting; the posted
        // ones stay queued.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void CTThreadObject::DeleteThreadHandle()
{
    CSingleLock lock(&m_lock, true);
    if (m_pThreadHandle)
        m_pThreadHandle->Clear();
    delete m_pThreadHandle;
    m_pThreadHandle = nullptr;
}

UINT __cdecl CTThreadObject::ThreadEntry(LPVOID pParam)
{
    CTThreadObject* pThis = static_cast<CTThreadObject*>(pParam);
    pThis->m_runningThreadId = GetCurrentThreadId();
    UINT code = 0;
    if (pThis->m_bBodyGone.load())
        code = 1;
    else if (pThis->OnThreadStart() != 0)
        code = 1;
    else if (pThis->run() != 0)
        code = 2;
    else if (pThis->OnThreadEnd() != 0)
        code = 3;
    // Whatever the body reported, the thread counts as ended from here on, so that the stop
    // protocol never waits for ever.
    const bool bAutoDelete = pThis->m_bAutoDelete;
    pThis->m_runningThreadId = 0;
    pThis->DeleteThreadHandle();
    if (bAutoDelete)
        delete pThis;
    return code;
}
