#pragma once
// The properties of the product's package that the run takes over. Both the application object
// and the step engine read them here, so that a generation that cannot name a folder is refused
// the same way wherever the package is read.

#include "classlib/String.h"

struct PackageProperties
{
    // "QM_ADVERTISED_PRODUCT_VERSION": names the default installation folder.
    CString strAdvertisedVersion;
    // "VANTOLIN_GENERATION"
    CString strGeneration;
    // "ProductVersion": the run's version and version text.
    CString strVersion;
};

enum PackageReadResult
{
    PACKAGE_READ,
    PACKAGE_MISSING,
    // The package's generation cannot name a folder: the run cannot install it.
    PACKAGE_REFUSED,
};

// An empty text stands for a property the package lacks: the caller keeps what it has. A refused
// generation is logged at level 10 naming the caller's operation and comes back empty; the other
// properties are read all the same.
PackageReadResult ReadPackageProperties(const wchar_t* pszPackage, const wchar_t* pszOperation,
                                        PackageProperties& rProperties);
