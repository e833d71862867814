#pragma once
// Owner of WinHTTP handles (sessions, connections, requests). Kept apart from Handles.h so that
// only the code that speaks HTTP includes <winhttp.h>, which clashes with <wininet.h>.

#include "Handles.h"

#include <winhttp.h>

struct CWinHttpHandleTraits
{
    static HINTERNET Invalid() { return nullptr; }
    static bool IsValid(HINTERNET h) { return h != nullptr; }
    static void Close(HINTERNET h) { ::WinHttpCloseHandle(h); }
};

typedef CScopedResource<HINTERNET, CWinHttpHandleTraits> CScopedWinHttpHandle;
