// The trace log's set-up and the header that opens every controller log.

#include "CoruApp.h"
#include "OruUtil.h"

#include "support/FileUtil.h"
#include "support/Folders.h"
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
    // PLACEHOLDER (issue #3, log header issue): the operating-system line, the clock interval
    // and the measured processor clock join the header with the system information.
    Trace(TRACE_INFO, L"ServicePack: %s", GetWindowsVersion().strServicePack.GetString());
    Trace(TRACE_INFO, L"User login: %s", GetUserLoginName().GetString());
    Trace(TRACE_INFO, L"Build time: %s, %s\r\n", L"" __DATE__, L"" __TIME__);
}
