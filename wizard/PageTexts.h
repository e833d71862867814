#pragma once
// The texts pages put together at run time. A template's "%s" takes the product's display name;
// the name is always an argument, never part of a format (a "%" in it stays text).

#include "classlib/String.h"

#include <windows.h>

// The host's display name; empty without a host.
CString PageDisplayName();
// The text with every "%s" replaced by the product's display name.
CString WithDisplayName(const CString& text);
CString FormatWithDisplayName(const wchar_t* pszTemplate);
// The control's template text formatted with the display name, set back on the control.
void FormatItemWithDisplayName(HWND hPage, int nID);
// The partner that sells the product under its own name ("11082").
extern const wchar_t kOwnNamePartnerId[];
// For that partner "Vantolin" in the text becomes the display name; any other partner keeps the
// text. Without a partner id the store's is taken.
CString WithPartnerProductName(const CString& text, const wchar_t* pszPartnerId);
CString WithPartnerProductName(const CString& text);
// A string of the page's language (the class library's order: the exact one, its primary
// language, then English); empty when missing.
CString LoadPageString(UINT nID, LANGID langId);
