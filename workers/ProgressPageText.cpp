#include "ProgressPageText.h"

#include "classlib/String.h"

void SetPageText(HWND hPage, int nControlId, UINT nStringId)
{
    if (!IsWindow(hPage))
        return;
    CString text;
    if (nStringId)
        text.LoadString(nStringId);
    SetDlgItemTextW(hPage, nControlId, text);
}
