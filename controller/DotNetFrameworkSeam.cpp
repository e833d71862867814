#include "DotNetFrameworkSeam.h"
#include "OruUtil.h"

#include "support/TraceLog.h"

INT_PTR CDotNetFrameworkSeam::ShowDotNetDisabledPage(HWND, BOOL bFirstTime)
{
    Trace(TRACE_TRACE, L"CDotNetFrameworkSeam::ShowDotNetDisabledPage : no .NET page in this build, declined (first time %d)",
          bFirstTime ? 1 : 0);
    return IDCANCEL;
}

bool CDotNetFrameworkSeam::IsDotNetFrameworkDisabled()
{
    BOOL b20 = FALSE, b30 = FALSE, b35 = FALSE, b40 = FALSE;
    return COruUtil::IsDotNetFrameworkDisabled(&b20, &b30, &b35, &b40);
}
