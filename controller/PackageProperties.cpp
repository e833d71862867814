#include "PackageProperties.h"
#include "SetupHelpers.h"

#include "config/GenerationNames.h"
#include "support/FileUtil.h"
#include "support/TraceLog.h"

PackageReadResult ReadPackageProperties(const wchar_t* pszPackage, const wchar_t* pszOperation,
                                        PackageProperties& rProperties)
{
    rProperties = PackageProperties();
    if (!FileExists(pszPackage))
        return PACKAGE_MISSING;
    rProperties.strAdvertisedVersion = GetMsiProperty(pszPackage, L"QM_ADVERTISED_PRODUCT_VERSION");
    rProperties.strVersion = GetMsiProperty(pszPackage, L"ProductVersion");
    const CString generation = GetMsiProperty(pszPackage, L"VANTOLIN_GENERATION");
    if (!IsUsableGeneration(generation))
    {
        Trace(TRACE_ERROR, L"%s : refusing the package's generation [%s]: it cannot name a folder", pszOperation,
              generation.GetString());
        return PACKAGE_REFUSED;
    }
    rProperties.strGeneration = generation;
    return PACKAGE_READ;
}
