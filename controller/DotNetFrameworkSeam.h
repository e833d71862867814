#pragma once
// What the .NET worker asks of the controller: the .NET page and the system's .NET 3.x state.
// PLACEHOLDER (the .NET page, dialog 157, comes with the pages): the page answers as declined,
// so the worker ends without running ocsetup.exe.

#include "workers/IDotNetFrameworkSeam.h"

class CDotNetFrameworkSeam : public IDotNetFrameworkSeam
{
public:
    INT_PTR ShowDotNetDisabledPage(HWND hParent, BOOL bFirstTime) override;
    bool IsDotNetFrameworkDisabled() override;
};
