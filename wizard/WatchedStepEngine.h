#pragma once
// What the download and watchdog pages ask of the step engine: whether the step they wait for
// still runs, the start of that step, and the window its workers report to.

#include <windows.h>

// The engine's answer while a step runs.
const int WATCHED_STEP_BUSY = 38;

class IWatchedStepEngine
{
public:
    virtual int GetNextStep(bool bPrintDots) = 0;
    virtual int RunNextStep() = 0;
    // Null: none.
    virtual void SetProgressWnd(HWND hWnd) = 0;

protected:
    ~IWatchedStepEngine() {}
};
