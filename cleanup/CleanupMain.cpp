// VantolinSetupCleanup.exe: waits for the controller to end, then deletes the setup copy.
// PLACEHOLDER (cleanup program, not built yet): the program exists and ends normally; waiting for the
// process and deleting the folder come later.

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    return 0;
}
