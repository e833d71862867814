#pragma once
// Whether the computer reaches the Internet: HEAD requests to a few well-known sites, in order,
// until one answers with any status.

#include <windows.h>

#include <string>

// Asked after each site that did not answer; false ends the check there.
typedef bool (*PFN_CONTINUE_INTERNET_CHECK)(void* pContext);

// proxy: narrow text in the thread's ANSI code page, empty for a direct connection.
// hStopEvent (a manual-reset event, may be null) ends the probe under way at once when signalled.
bool CheckInternetConnection(const std::string& proxy, DWORD timeoutMs, PFN_CONTINUE_INTERNET_CHECK pfnContinue = nullptr,
                             void* pContext = nullptr, HANDLE hStopEvent = nullptr);

// The probed host names in order, ending with a null entry.
const char* const* GetInternetCheckHosts();
