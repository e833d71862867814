#pragma once
// The texts pages put together at run time.

#include "classlib/String.h"

// The text with every "%s" replaced by the product's display name. The name is taken as it is:
// a "%" in it is no directive.
CString WithDisplayName(const CString& text);
// Partner 11082 sells the product under its own name: "Vantolin" in the text becomes the
// display name. Any other partner keeps the text.
CString WithPartnerProductName(const CString& text);
