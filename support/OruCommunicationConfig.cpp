#include "OruCommunicationConfig.h"

namespace
{
QMConfig* g_pConfig = nullptr;
}

void OruCommunicationConfig::Init(QMConfig* pConfig)
{
    g_pConfig = pConfig;
}

QMConfig* OruCommunicationConfig::GetConfig()
{
    return g_pConfig;
}
