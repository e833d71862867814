#include "PageTexts.h"
#include "WizardHost.h"
#include "config/SettingsKeys.h"

namespace
{
CString DisplayName()
{
    IWizardHost* pHost = GetWizardHost();
    return pHost ? pHost->GetProductDisplayName() : CString();
}
}

CString WithDisplayName(const CString& text)
{
    CString result = text;
    result.Replace(L"%s", DisplayName());
    return result;
}

CString WithPartnerProductName(const CString& text)
{
    CString result = text;
    if (GetPartnerId() == L"11082")
        result.Replace(L"Vantolin", DisplayName());
    return result;
}
