#pragma once
// The calls the post-installation worker makes on the step engine. The engine runs them under
// its own lock.

#include <windows.h>

class IPostInstallEngine
{
public:
    // The number of post-installation commands (refreshed from the registry when they are next).
    virtual int GetPostInstallationSteps(int* pIndex) = 0;
    virtual int GetNextStep(bool bPrintDots) = 0;
    virtual int RunNextStep() = 0;
    // The progress page the worker reports to; null without one.
    virtual HWND GetProgressWnd() = 0;

protected:
    ~IPostInstallEngine() {}
};
