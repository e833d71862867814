#pragma once
// Starts the installed product hidden as the desktop user (DesktopSpawner.dll on Vista and
// later, the shell before), keeps a heartbeat going and a listener on the registry channel
// while the conversation lasts, and finally tells the product to show itself or to close.
// All operations run on the UI thread; only the heartbeat has a thread of its own.

#include "IHiddenVantolinStarter.h"
#include "KeepAliveThread.h"
#include "classlib/Handles.h"

#include <memory>

class IInstanceFlagOwner;
class IQMConfigListener;

class CHiddenVantolinStarter : public IHiddenVantolinStarter
{
public:
    // pFlagOwner may be null (then no instance flag is released or taken back).
    explicit CHiddenVantolinStarter(IInstanceFlagOwner* pFlagOwner);
    ~CHiddenVantolinStarter();
    CHiddenVantolinStarter(const CHiddenVantolinStarter&) = delete;
    CHiddenVantolinStarter& operator=(const CHiddenVantolinStarter&) = delete;

    bool StartHiddenVantolin(const wchar_t* pszLaunchCommand, HWND hWnd) override;
    bool IsVantolinAlive() override;
    void StopCommunication() override;
    bool HasVantolinStarted() override;
    void GetStateMessage(CString& rMessage) override;
    void GetSubStateMessage(CString& rMessage) override;
    bool IsVantolinWaitingForCommand() override;
    void StartVantolin() override;
    void CloseVantolin() override;

    // The program of a launch command and the text after it: a quoted program ends at its
    // closing quote; an unquoted command is all program (its folder may hold blanks).
    static void SplitLaunchCommand(const CString& launchCommand, CString& rProgram, CString& rArguments);

private:
    void StopCommunicationWithVantolin();
    void DropListener();
    bool StartAsDesktopUser(const CString& program, const CString& arguments, const CString& folder);
    bool StartThroughShell(const CString& program, const CString& arguments, const CString& folder);
    void UndoFailedStart(bool bFlagReleased);

    IInstanceFlagOwner* m_pFlagOwner;
    CKeepAliveThread m_heartbeat;
    CScopedHandle m_process;
    std::unique_ptr<IQMConfigListener> m_pListener;
    CScopedLibrary m_spawner;
};
