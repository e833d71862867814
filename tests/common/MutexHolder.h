#pragma once
// A second process (StandIn.exe) holding a named mutex until it ends: after its sleep, or when
// this object goes. The constructor returns once the mutex exists.

#include "tests/common/ProcessRun.h"

#include "classlib/String.h"

// True when a mutex of that name exists (also one whose access list shuts us out). Never
// creates it, so a holder about to start is not robbed of its initial ownership.
bool MutexExists(const CString& name);

class CMutexHolder
{
public:
    CMutexHolder(const CString& name, bool denyAll, DWORD sleepMs = 30000);
    ~CMutexHolder();
    CMutexHolder(const CMutexHolder&) = delete;
    CMutexHolder& operator=(const CMutexHolder&) = delete;

    bool IsStarted() const { return m_started; }

private:
    CChildProcess m_process;
    bool m_started = false;
};
