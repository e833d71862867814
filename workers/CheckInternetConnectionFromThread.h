#pragma once
// Asks the Internet checker on a worker thread.

#include "ICheckInternet.h"
#include "WorkerThread.h"

class CCheckInternetConnectionFromThread : public CWorkerThread
{
public:
    CCheckInternetConnectionFromThread(ICheckInternet* pCheckInternet, IWorkerListener* pListener);
    ~CCheckInternetConnectionFromThread() override;

    int Check(DWORD dwTimeoutMs);
    // rResult: the checker's answer (TRUE connected).
    bool IsFinished(int& rResult);
    bool Stop();

protected:
    int run() override;

private:
    ICheckInternet* m_pCheckInternet;
    DWORD m_dwTimeoutMs = 0;
};
