#pragma once
// Drives the step engine through the post-installation commands on a thread of its own, so that
// the progress page stays responsive while they run. It only posts to the page: the engine
// calls it makes hold the engine's lock, and the page's thread may be waiting for that lock.

#include "IPostInstallEngine.h"
#include "WorkerThread.h"

class CPostInstallStepsThread : public CWorkerThread
{
public:
    explicit CPostInstallStepsThread(IPostInstallEngine* pEngine);
    ~CPostInstallStepsThread() override;

    // 1 started, 0 refused (a run still going on, or no thread).
    int HandlePostInstallSteps();
    bool IsFinished();
    bool Stop();
    // The commands started in the last run.
    int GetStepsRun();

protected:
    int run() override;

private:
    IPostInstallEngine* m_pEngine;
    int m_nStepsRun = 0;
};
