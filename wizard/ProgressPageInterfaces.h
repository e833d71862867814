#pragma once
// What the installation progress page asks of the application and of the step engine.

#include <windows.h>

class CMsiProgressDlg;

// Asked on every tick of the page's timer (on the UI thread) while a phase wants it.
class IProgressTimerListener
{
public:
    virtual void OnProgressTimer(CMsiProgressDlg* pPage) = 0;

protected:
    ~IProgressTimerListener() {}
};

class IProgressPageEngine
{
public:
    // The window the running step's workers report to; null: none.
    virtual void SetProgressWindow(HWND hWnd) = 0;
    // The user confirmed the cancel: the running step is stopped (and waited for).
    virtual void StopForCancel() = 0;

protected:
    ~IProgressPageEngine() {}
};
