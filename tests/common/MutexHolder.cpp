#include "MutexHolder.h"
#include "TestArea.h"

bool MutexExists(const CString& name)
{
    SetLastError(0);
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, name);
    const DWORD err = GetLastError();
    if (h)
        CloseHandle(h);
    return h != nullptr || err == ERROR_ACCESS_DENIED;
}

CMutexHolder::CMutexHolder(const CString& name, bool denyAll, DWORD sleepMs)
{
    CString args;
    args.Format(L"/sleep:%lu /mutex:%s%s", sleepMs, name.GetString(), denyAll ? L" /denyall" : L"");
    m_started = m_process.Start(BinFolder() + L"StandIn.exe", args, BinFolder());
    for (int i = 0; m_started && i < 500 && !MutexExists(name); ++i)
        Sleep(20);
}

CMutexHolder::~CMutexHolder()
{
    TerminateProcess(m_process.GetHandle(), 0);
    m_process.Wait(10000);
}
