#pragma once
// Page texts with the product's display name: a "%s" of a template is formatted once, the name
// always an argument (a name holding "%" stays text).

#include "classlib/String.h"

#include <windows.h>

// The host's display name; empty without a host.
CString PageDisplayName();
CString FormatWithDisplayName(const wchar_t* pszTemplate);
// The control's template text formatted with the display name, set back on the control.
void FormatItemWithDisplayName(HWND hPage, int nID);
// A string of the page's language (the class library's order: the exact one, its primary
// language, then English); empty when missing.
CString LoadPageString(UINT nID, LANGID langId);
