#pragma once
// What the worker that turns on a disabled .NET Framework asks of the controller and the pages:
// the .NET page (shown modal on the worker's thread) and the check whether the framework is
// still turned off.

#include <windows.h>

class IDotNetFrameworkSeam
{
public:
    // IDOK to turn the framework on; anything else (IDCANCEL, -1) declines.
    virtual INT_PTR ShowDotNetDisabledPage(HWND hParent, BOOL bFirstTime) = 0;
    virtual bool IsDotNetFrameworkDisabled() = 0;

protected:
    ~IDotNetFrameworkSeam() = default;
};
