#include "SettingsKeys.h"
#include "QMModule.h"
#include "support/Folders.h"

void InitializeSharedSettingsKeys(QMConfig*)
{
}

void InitializeProductSettingsKeys(QMConfig*, CQMModule* pModule)
{
    if (pModule)
        SetProductEditionName(pModule->GetEdition());
}
