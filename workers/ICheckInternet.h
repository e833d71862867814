#pragma once
// Whether the Internet can be reached, asked by the Internet-check worker.

#include <windows.h>

class ICheckInternet
{
public:
    // nReserved is passed as 0. TRUE when connected.
    virtual BOOL CheckInternet(int nReserved, DWORD dwTimeoutMs) = 0;

protected:
    ~ICheckInternet() = default;
};
