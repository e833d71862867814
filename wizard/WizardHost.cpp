#include "WizardHost.h"

#include <atomic>

namespace
{
std::atomic<IWizardHost*> g_pHost{ nullptr };
}

IWizardHost* SetWizardHost(IWizardHost* pHost)
{
    return g_pHost.exchange(pHost);
}

IWizardHost* GetWizardHost()
{
    return g_pHost.load();
}
