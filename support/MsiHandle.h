#pragma once
// Owner of a Windows Installer handle (package, database, view, record).

#include "classlib/Handles.h"

#include <msi.h>
#include <msiquery.h>

struct CMsiHandleTraits
{
    static MSIHANDLE Invalid() { return 0; }
    static bool IsValid(MSIHANDLE h) { return h != 0; }
    static void Close(MSIHANDLE h) { MsiCloseHandle(h); }
};
typedef CScopedResource<MSIHANDLE, CMsiHandleTraits> CScopedMsiHandle;
