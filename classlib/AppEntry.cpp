// The program entry of class-library applications (linked with -municode).
#include "SystemLibrary.h"
#include "WinApp.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int nCmdShow)
{
    RestrictLibrarySearch();
    return AfxWinMain(hInstance, lpCmdLine, nCmdShow);
}
