#pragma once
// What WinHTTP's status callback reports for one asynchronous request: the last completion (its
// status, count and error) and the buffer reads land in. Shared by the request's owner and
// WinHTTP, which holds a reference from the moment the request carries it as its context until
// the request's handle is closing: a request given up on a stop may still complete later.

#include "classlib/Handles.h"

#include <winhttp.h>

#include <atomic>
#include <vector>

class CRequestCompletion
{
public:
    // One reference, the caller's; null when no event can be had.
    static CRequestCompletion* Create();
    void AddRef() { ++m_refs; }
    void Release();

    // Makes the request carry this object (one more reference, WinHTTP's); false when it cannot.
    bool Attach(HINTERNET hRequest);
    // Before each call: forgets the last completion.
    void Arm();
    HANDLE GetEvent() const { return m_event.Get(); }
    DWORD GetStatus() const { return m_dwStatus; }
    DWORD GetCount() const { return m_dwCount; }
    DWORD GetError() const { return m_dwError; }
    std::vector<char>& Buffer() { return m_buffer; }

    // The session's status callback.
    static void CALLBACK OnStatus(HINTERNET hInternet, DWORD_PTR context, DWORD status, LPVOID pInfo, DWORD length);

private:
    CRequestCompletion() = default;
    void Complete(DWORD status, DWORD count, DWORD error);

    std::atomic<long> m_refs{ 1 };
    CScopedHandle m_event;
    DWORD m_dwStatus = 0;
    DWORD m_dwCount = 0;
    DWORD m_dwError = 0;
    std::vector<char> m_buffer;
};
