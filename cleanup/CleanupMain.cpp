// VantolinSetupCleanup.exe: waits for the controller to end, then deletes the setup copy.
// PLACEHOLDER (cleanup program issue): the program exists and ends normally; waiting for the
// process and deleting the folder come with that issue.

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    return 0;
}
