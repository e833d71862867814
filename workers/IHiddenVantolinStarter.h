#pragma once
// Starts the installed product hidden as the desktop user and talks to it through the registry
// channel until it is told to show itself or to close.

#include "classlib/String.h"

class IHiddenVantolinStarter
{
public:
    virtual bool StartHiddenVantolin(const wchar_t* pszLaunchCommand, HWND hWnd) = 0;
    virtual bool IsVantolinAlive() = 0;
    virtual void StopCommunication() = 0;
    virtual bool HasVantolinStarted() = 0;
    virtual void GetStateMessage(CString& rMessage) = 0;
    virtual void GetSubStateMessage(CString& rMessage) = 0;
    virtual bool IsVantolinWaitingForCommand() = 0;
    virtual void StartVantolin() = 0;
    virtual void CloseVantolin() = 0;

protected:
    // Not deleted through the interface: the owner holds the concrete starter.
    ~IHiddenVantolinStarter() {}
};
