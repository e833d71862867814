#include "CheckInternetConnection.h"

#include "download/HttpDownloaderBase.h"
#include "support/TraceLog.h"

namespace
{
// A search engine, an operating-system vendor, a web portal and our own site: the last one
// answers even where the large sites are blocked.
const char* const kHosts[] = {"www.google.com", "www.microsoft.com", "www.yahoo.com", "www.quillmark.com", nullptr};
}

const char* const* GetInternetCheckHosts()
{
    return kHosts;
}

bool CheckInternetConnection(const std::string& proxy, DWORD timeoutMs, PFN_CONTINUE_INTERNET_CHECK pfnContinue,
                             void* pContext, HANDLE hStopEvent)
{
    Trace(TRACE_INFO, L"CheckInternetConnection - started ...");
    for (const char* const* pHost = kHosts; *pHost; ++pHost)
    {
        const std::string url = std::string("http://") + *pHost;
        bool answered = false;
        {
            CHttpDownloaderBase probe(proxy, L"");
            probe.SetTimeout(timeoutMs);
            probe.SetStopEvent(hStopEvent);
            answered = probe.Head(url);
        }
        if (answered)
        {
            Trace(TRACE_INFO, L"CheckInternetConnection - site ok: %S", url.c_str());
            return true;
        }
        Trace(TRACE_WARNING, L"CheckInternetConnection - site failed: %S", url.c_str());
        if (pfnContinue && !pfnContinue(pContext))
        {
            Trace(TRACE_TRACE, L"CheckInternetConnection: will break checking for");
            break;
        }
    }
    Trace(TRACE_WARNING, L"CheckInternetConnection - Internet is DOWN");
    return false;
}
