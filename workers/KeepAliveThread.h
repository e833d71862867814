#pragma once
// The heartbeat of a conversation with the hidden product: writes ORUIsAlive every 500 ms so
// that the product knows the setup is still there.

#include "classlib/Handles.h"
#include "classlib/Thread.h"

#include <memory>

class CKeepAliveThread
{
public:
    CKeepAliveThread() = default;
    ~CKeepAliveThread() { Stop(); }
    CKeepAliveThread(const CKeepAliveThread&) = delete;
    CKeepAliveThread& operator=(const CKeepAliveThread&) = delete;

    // False when the thread cannot be created.
    bool Start();
    // Wakes the thread and waits for its end, so that no write follows the return.
    void Stop();
    bool IsRunning() const { return m_pThread != nullptr; }

private:
    static UINT __cdecl Run(LPVOID pStopEvent);

    CScopedHandle m_stopEvent;
    std::unique_ptr<CWinThread> m_pThread;
};
