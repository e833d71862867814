#pragma once
// Whether the Internet can be reached, asked by the Internet-check worker.

#include <windows.h>

class ICheckInternet
{
public:
    // nReserved is passed as 0. TRUE when connected. hStopEvent (a manual-reset event, may be
    // null) ends the check at once when signalled, as not connected.
    virtual BOOL CheckInternet(int nReserved, DWORD dwTimeoutMs, HANDLE hStopEvent) = 0;

protected:
    ~ICheckInternet() = default;
};
