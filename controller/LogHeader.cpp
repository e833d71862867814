// The trace log's set-up and the header that opens every controller log.

#include "LogHeader.h"
#include "CoruApp.h"
#include "CpuClock.h"
#include "OruUtil.h"

#include "config/ProductFolders.h"
#include "support/FileUtil.h"
#include "support/Folders.h"
#include "support/SysUtil.h"
#include "support/SystemInfo.h"
#include "support/TraceLog.h"

CString GetSetupLogFolder()
{
    const CString traceFolder = GetTraceLogFolder();
    if (!traceFolder.IsEmpty() && EnsureFolderExists(traceFolder + L"setup\\"))
        return traceFolder + L"setup\\";
    // The temporary folder's fallback has no trailing backslash.
    CString fallback = GetWindowsTempDir();
    AppendBackslash(fallback);
    fallback += L"setup\\";
    EnsureFolderExists(fallback);
    return fallback;
}

void CoruApp::SetupTraceLog()
{
    SetTracePrefix(GetSetupLogFolder() + L"Log_oru");
    // Measured before the log opens: the store's thread, already running, would otherwise write
    // its first line into the header while the clock is measured.
    const CLogHeaderValues values = CollectLogHeaderValues();
    SetTraceLevel(TRACE_TRACE);
    WriteLogHeader(values);
}

CLogHeaderValues CollectLogHeaderValues()
{
    CLogHeaderValues values;
    GetModuleVersionString(values.version);
    wchar_t date[16] = {};
    _wstrdate(date);
    values.date = date;
    values.computerName = GetComputerNameText();
    values.osName = GetOSName();
    values.osBits = COruUtil::Is64BitOS() ? 64 : 32;
    values.servicePack = GetServicePackText();
    values.userLogin = GetUserLoginName();
    values.timeIncrementUs = GetSystemTimeIncrementUs();
    // About 50 ms at real-time priority, before any window exists; a clock beyond 2^31 MHz is
    // no clock.
    const LONGLONG mhz = MeasureCpuClockMHz(1, 50, THREAD_PRIORITY_TIME_CRITICAL, REALTIME_PRIORITY_CLASS);
    values.cpuMHz = mhz > 0 && mhz <= 0x7FFFFFFF ? static_cast<int>(mhz) : 0;
    values.buildDate = L"" __DATE__;
    values.buildTime = L"" __TIME__;
    return values;
}

void WriteLogHeader(const CLogHeaderValues& values)
{
    Trace(TRACE_INFO, L"Starting %s version %s", L"ORU2010", values.version.GetString());
    Trace(TRACE_INFO, L"Start date: %s", values.date.GetString());
    // The name is an argument: a '%' in it must not be read as a format.
    Trace(TRACE_INFO, L"Computer name: %s", values.computerName.GetString());
    Trace(TRACE_INFO, L"OS: %s %d-bit edition", values.osName.GetString(), values.osBits);
    Trace(TRACE_INFO, L"ServicePack: %s", values.servicePack.GetString());
    Trace(TRACE_INFO, L"User login: %s", values.userLogin.GetString());
    if (values.timeIncrementUs > 0)
        Trace(TRACE_INFO, L"System time (Windows) clock interval: %d [microsec]", values.timeIncrementUs);
    Trace(TRACE_INFO, L"CPU MHz: %d", values.cpuMHz);
    Trace(TRACE_INFO, L"Build time: %s, %s\r\n", values.buildDate.GetString(), values.buildTime.GetString());
}
