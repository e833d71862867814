// "InstallBench.exe <package> [command line]": installs the package in this process through the
// setup's executer (no page) and ends with the installer's result code.
#include "workers/ProcessExecuter.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 87;
    CProcessExecuter executer;
    DWORD result = 0;
    executer.ExecuteInstall(argv[1], argc > 2 ? argv[2] : L"/qn", nullptr, result);
    return static_cast<int>(result);
}
