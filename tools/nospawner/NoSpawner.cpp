// A library named like the desktop-user launcher but without its export: the controller must
// treat it as missing.
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl SomethingElse()
{
    return 0;
}
