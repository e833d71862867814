// A program that installs the cleanup program's exception filter and then faults, for the test
// of the exit code an access violation gives.
#include "cleanup/CleanupRun.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    InstallCleanupExceptionFilter();
    volatile int* pNowhere = nullptr;
    *pNowhere = 1;
    return 0;
}
