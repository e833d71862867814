#include "DotNetFrameworkSeam.h"
#include "OruUtil.h"

#include "support/TraceLog.h"
#include "wizard/DotNetDisabledDlg.h"

INT_PTR CDotNetFrameworkSeam::ShowDotNetDisabledPage(HWND hParent, BOOL bFirstTime)
{
    CDotNetDisabledDlg page(bFirstTime ? 1 : 0, hParent, &COruUtil::IsRebootPending);
    const INT_PTR result = page.DoModal();
    Trace(TRACE_TRACE, L"CDotNetFrameworkSeam::ShowDotNetDisabledPage : first time %d, answer %d", bFirstTime ? 1 : 0,
          static_cast<int>(result));
    return result;
}

bool CDotNetFrameworkSeam::IsDotNetFrameworkDisabled()
{
    BOOL b20 = FALSE, b30 = FALSE, b35 = FALSE, b40 = FALSE;
    return COruUtil::IsDotNetFrameworkDisabled(&b20, &b30, &b35, &b40);
}
