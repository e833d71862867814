#include "CheckInternet.h"
#include "CheckInternetConnection.h"

#include "support/ProxySettings.h"

namespace
{
// No further site once the check is to stop.
bool NotStopped(void* pContext)
{
    HANDLE hStopEvent = static_cast<HANDLE>(pContext);
    return !hStopEvent || WaitForSingleObject(hStopEvent, 0) != WAIT_OBJECT_0;
}
}

BOOL CCheckInternet::CheckInternet(int nReserved, DWORD dwTimeoutMs, HANDLE hStopEvent)
{
    const std::string proxy = GetProxySettings().GetProxy().ToNarrow(CP_THREAD_ACP);
    return CheckInternetConnection(proxy, dwTimeoutMs, &NotStopped, hStopEvent, hStopEvent) ? TRUE : FALSE;
}
