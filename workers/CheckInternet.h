#pragma once
// The Internet checker the step engine hands to the Internet-check worker: the connection check
// through the proxy that the proxy settings give.

#include "ICheckInternet.h"

class CCheckInternet : public ICheckInternet
{
public:
    virtual ~CCheckInternet() = default;
    BOOL CheckInternet(int nReserved, DWORD dwTimeoutMs, HANDLE hStopEvent = nullptr) override;
};
