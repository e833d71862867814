#pragma once
#include <windows.h>

// With "<program name>.ini" beside the program: records the start, writes the registry values
// and overrides the exit code and the delay. Without it nothing happens.
void RunIniScript(DWORD& rSleepMs, int& rExitCode);
