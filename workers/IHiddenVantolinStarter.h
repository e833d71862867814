#pragma once
// Starts the installed product hidden as the desktop user and talks to it through the registry
// channel until it is told to show itself or to close. The step engine and the end of the run
// drive it; the slot order is fixed.

#include "classlib/String.h"

class IHiddenVantolinStarter
{
public:
    virtual ~IHiddenVantolinStarter() = default;

    // launchCommand: the product's program path as stored in the registry (may be quoted).
    virtual bool StartHiddenVantolin(const CString& launchCommand, HWND hWnd) = 0;
    virtual bool IsVantolinAlive() = 0;
    virtual void StopCommunication() = 0;
    virtual bool HasVantolinStarted() = 0;
    virtual void GetStateMessage(CString& rMessage) = 0;
    virtual void GetSubStateMessage(CString& rMessage) = 0;
    virtual bool IsVantolinWaitingForCommand() = 0;
    virtual void StartVantolin() = 0;
    virtual void CloseVantolin() = 0;
};
