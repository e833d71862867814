#pragma once
// The header that opens every controller log: the build, the machine and the user.

#include "classlib/String.h"

struct CLogHeaderValues
{
    CString version;
    CString date;
    CString computerName;
    CString osName;
    int osBits = 32;
    CString servicePack;
    CString userLogin;
    int timeIncrementUs = -1; // the line is left out unless above 0
    int cpuMHz = 0;
    CString buildDate;
    CString buildTime;
};

// The values of this process and machine, the processor clock measured.
CLogHeaderValues CollectLogHeaderValues();
// Writes the header lines at the information level.
void WriteLogHeader(const CLogHeaderValues& values);

// "setup\" under the trace-log folder, created; in the Windows temporary folder instead when the
// trace-log folder is unknown or the folder cannot be created there. Never relative: a start
// through RunOnce works in the system folder. The trace log and the installer's logs go here.
CString GetSetupLogFolder();
