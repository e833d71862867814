#pragma once
// PLACEHOLDER (registry channel, not built yet): start-up initialises the channel to the
// product with the configuration store; the channel itself comes with the product starter.

class QMConfig;

namespace OruCommunicationConfig
{
void Init(QMConfig* pConfig);
QMConfig* GetConfig();
}
