#pragma once
// The protocol every installation worker follows on top of the thread base: one run at a time
// ("already live" refusal), a finished flag and a result under the worker's own lock, a stop
// that waits for the thread while answering messages sent to this thread's windows, and an
// optional listener told of the result on the worker thread before the flag is set.

#include "IWorkerListener.h"

#include "classlib/Sync.h"
#include "support/ThreadObject.h"

class CWorkerThread : public CTThreadObject
{
public:
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

protected:
    explicit CWorkerThread(IWorkerListener* pListener);
    ~CWorkerThread() override;

    // False while a run is still going on, after logging the given text as an error. A run that
    // has finished but whose thread is still winding down is waited for instead.
    bool CanStart(const wchar_t* pszAlreadyLive);
    // Clears the finished flag and the result.
    void ResetOutcome();
    // Creates and resumes the thread. When it cannot be created or resumed: the given text logged
    // as an error, a finished run with result 0 under the lock, and false.
    bool LaunchThread(const wchar_t* pszCreateFailed);
    // End of a run: the listener, then the finished flag and result (and one more on the run
    // counter, when given) under the lock.
    void Finish(int nResult, int* pRunCounter = nullptr);
    // The listener, when there is one, with the result; called before the finished flag is set.
    void NotifyListener(int nResult);
    // The common stop: request, resume, wait for the end (on the worker's own thread, from its
    // listener, it cannot wait and returns at once). Its false says nothing: every worker's Stop
    // answers false, and the callers learn the end from IsThreadLive and IsFinished.
    bool StopAndWait(const wchar_t* pszClassName);
    bool ReadOutcome(int& rResult);

    CCriticalSection m_lock;
    int m_bFinished = 0;
    int m_nResult = 0;
    IWorkerListener* m_pListener;
};
