// The program's static objects, in the order in which they must be built.

#include "CoruApp.h"
#include "OruSettings.h"

COruSettings* g_pOruSettings = &COruSettings::GetInstance();

namespace
{
CoruApp theApp;
}

CoruApp& GetOruApp()
{
    return theApp;
}
