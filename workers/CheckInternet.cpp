#include "CheckInternet.h"
#include "CheckInternetConnection.h"

#include "support/ProxySettings.h"

BOOL CCheckInternet::CheckInternet(int nReserved, DWORD dwTimeoutMs)
{
    const std::string proxy = GetProxySettings().GetProxy().ToNarrow(CP_THREAD_ACP);
    return CheckInternetConnection(proxy, dwTimeoutMs) ? TRUE : FALSE;
}
