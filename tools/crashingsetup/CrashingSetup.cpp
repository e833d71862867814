// The controller with a fault planted after its start: "/crash:throw" throws out of
// InitInstance, "/crash:pure" calls a pure virtual function, "/crash:thread" throws on a
// worker thread. Each must end as a failed run with its log line and no box.
#include "controller/CoruApp.h"
#include "controller/OruSettings.h"

#include <stdexcept>

// Outside an anonymous namespace: there the optimiser knows every derived class and binds the
// call to CDerived's body.
class CBase;
void CallBody(CBase* pObject);

class CBase
{
public:
    // While the base is built, its own (pure) function is what a call reaches.
    CBase() { CallBody(this); }
    virtual ~CBase() {}
    virtual void Body() = 0;
};

// Opaque to the optimiser, which would otherwise drop the call as undefined.
__attribute__((noipa, optimize("O0"))) void CallBody(CBase* pObject)
{
    pObject->Body();
}

class CDerived : public CBase
{
public:
    void Body() override {}
};

namespace
{
DWORD WINAPI ThrowingThread(LPVOID)
{
    throw std::runtime_error("planted on a worker thread");
}

class CCrashingApp : public CoruApp
{
public:
    BOOL InitInstance() override
    {
        InitializeKernelComponents();
        const CString line(m_lpCmdLine);
        if (line.Find(L"/crash:throw") >= 0)
            throw std::runtime_error("planted in InitInstance");
        if (line.Find(L"/crash:pure") >= 0)
            CDerived derived;
        if (line.Find(L"/crash:thread") >= 0)
        {
            HANDLE thread = CreateThread(nullptr, 0, ThrowingThread, nullptr, 0, nullptr);
            WaitForSingleObject(thread, INFINITE);
        }
        return FALSE;
    }
};

COruSettings* g_pSettings = &COruSettings::GetInstance();
CCrashingApp theApp;
}

CoruApp& GetOruApp()
{
    return theApp;
}
