// The trace log's set-up and the header that opens every controller log.

#include "CoruApp.h"
#include "OruUtil.h"

#include "support/FileUtil.h"
#include "config/ProductFolders.h"
#include "support/SysUtil.h"
#include "support/SystemInfo.h"
#include "support/TraceLog.h"

void CoruApp::SetupTraceLog()
{
    const CString folder = GetTraceLogFolder() + L"setup\\";
    EnsureFolderExists(folder);
    SetTracePrefix(folder + L"Log_oru");
    SetTraceLevel(TRACE_TRACE);
    WriteLogHeader();
}

void CoruApp::WriteLogHeader()
{
    CString version;
    GetModuleVersionString(version);
    Trace(TRACE_INFO, L"Starting %s version %s", L"ORU2010", version.GetString());

    wchar_t date[16] = {};
    _wstrdate(date);
    Trace(TRACE_INFO, L"Start date: %s", date);
    Trace(TRACE_INFO, L"Computer name: %s", GetComputerNameText().GetString());
    Trace(TRACE_INFO, L"OS: %s %d-bit edition", GetOSName().GetString(), COruUtil::Is64BitOS() ? 64 : 32);
    Trace(TRACE_INFO, L"ServicePack: %s", GetServicePackText().GetString());
    Trace(TRACE_INFO, L"User login: %s", GetUserLoginName().GetString());
    const int incrementUs = GetSystemTimeIncrementUs();
    if (incrementUs > 0)
        Trace(TRACE_INFO, L"System time (Windows) clock interval: %d [microsec]", incrementUs);
    // PLACEHOLDER (log header, not built yet): the measured processor clock joins the header here.
    Trace(TRACE_INFO, L"Build time: %s, %s\r\n", L"" __DATE__, L"" __TIME__);
}
