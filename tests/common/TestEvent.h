#pragma once
// A manual-reset event for a test to wait on what another thread reports.

#include "classlib/Handles.h"

class CTestEvent
{
public:
    CTestEvent() : m_h(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    void Set() { SetEvent(m_h.Get()); }
    // True when set within the time.
    bool Wait(DWORD ms = 30000) { return WaitForSingleObject(m_h.Get(), ms) == WAIT_OBJECT_0; }

private:
    CScopedHandle m_h;
};
