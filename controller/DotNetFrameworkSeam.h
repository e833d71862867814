#pragma once
// What the .NET worker asks of the controller: the .NET page (dialog 157, modal on the worker's
// thread, in the run's language) and the system's .NET 3.x state.

#include "workers/IDotNetFrameworkSeam.h"

class CDotNetFrameworkSeam : public IDotNetFrameworkSeam
{
public:
    INT_PTR ShowDotNetDisabledPage(HWND hParent, BOOL bFirstTime) override;
    bool IsDotNetFrameworkDisabled() override;
};
