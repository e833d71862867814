#pragma once
// PLACEHOLDER (product settings, not built yet): registers the product's edition for the
// folder accessors; the shared and product settings keys with their defaults come later.

class QMConfig;
class CQMModule;

void InitializeSharedSettingsKeys(QMConfig* pConfig);
void InitializeProductSettingsKeys(QMConfig* pConfig, CQMModule* pModule);
