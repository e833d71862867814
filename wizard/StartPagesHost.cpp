#include "StartPagesHost.h"

#include <shellapi.h>

const wchar_t kStartPartnerOwnBrand[] = L"61000";
const wchar_t kPartnerEulaAddress[] = L"http://www.kipsy-media.example/redir.php?id=12864";

namespace
{
IStartPagesHost* g_pHost = nullptr;

const StartPageCalls kSystemCalls = { ::IsValidLocale, ::ShellExecuteW, ::GetLocaleInfoW, ::GetDeviceCaps };
const StartPageCalls* g_pCalls = &kSystemCalls;
}

IStartPagesHost* SetStartPagesHost(IStartPagesHost* pHost)
{
    IStartPagesHost* pPrevious = g_pHost;
    g_pHost = pHost;
    return pPrevious;
}

IStartPagesHost* GetStartPagesHost()
{
    return g_pHost;
}

const StartPageCalls* SetStartPageCalls(const StartPageCalls* pCalls)
{
    const StartPageCalls* pPrevious = g_pCalls;
    g_pCalls = pCalls ? pCalls : &kSystemCalls;
    return pPrevious;
}

const StartPageCalls& GetStartPageCalls()
{
    return *g_pCalls;
}
