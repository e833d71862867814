#pragma once
// Turns a disabled .NET Framework 3.x on with ocsetup.exe, asking the user through the .NET
// page first and again after every pass that left it off.

#include "IDotNetFrameworkSeam.h"
#include "WorkerThread.h"

class CCheckDisabledDotNetFromThread : public CWorkerThread
{
public:
    // Without a seam the page counts as declined.
    explicit CCheckDisabledDotNetFromThread(IWorkerListener* pListener, IDotNetFrameworkSeam* pSeam = nullptr);
    ~CCheckDisabledDotNetFromThread() override;

    int Check(HWND hPageWnd);
    // rResult: 1 the framework is on now, 0 the user declined.
    bool IsFinished(int& rResult);
    bool Stop();

protected:
    int run() override;

private:
    void RunOcsetup();

    IDotNetFrameworkSeam* m_pSeam;
    HWND m_hPageWnd = nullptr;
};
