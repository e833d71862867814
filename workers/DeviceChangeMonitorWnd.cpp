#include "DeviceChangeMonitorWnd.h"

#include "support/TraceLog.h"

#include <dbt.h>

namespace
{
// The lowest drive letter of a volume broadcast that is no mere medium change; 0 for anything
// else.
wchar_t DriveLetterOf(LPARAM dwData)
{
    const DEV_BROADCAST_HDR* pHeader = reinterpret_cast<const DEV_BROADCAST_HDR*>(dwData);
    if (!pHeader || pHeader->dbch_devicetype != DBT_DEVTYP_VOLUME)
        return 0;
    const DEV_BROADCAST_VOLUME* pVolume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(pHeader);
    if (pVolume->dbcv_flags & DBTF_MEDIA)
        return 0;
    for (int i = 0; i < 26; ++i)
    {
        if (pVolume->dbcv_unitmask & (1u << i))
            return static_cast<wchar_t>(L'A' + i);
    }
    return 0;
}
}

BEGIN_MESSAGE_MAP(CDeviceChangeMonitorWnd, CWnd)
ON_MESSAGE(WM_DEVICECHANGE, &CDeviceChangeMonitorWnd::OnDeviceChange)
END_MESSAGE_MAP()

bool CDeviceChangeMonitorWnd::Create(IDeviceListener* pListener)
{
    m_pListener = pListener;
    const RECT empty = { 0, 0, 0, 0 };
    if (!CreateEx(0, AfxRegisterWndClass(0), L"ORU_DEVICE_MONITOR", WS_POPUP, empty, nullptr, 0))
    {
        Trace(TRACE_ERROR, L"CDeviceChangeMonitorWnd::Create : CreateEx failed");
        return false;
    }
    return true;
}

LRESULT CDeviceChangeMonitorWnd::OnDeviceChange(WPARAM nEventType, LPARAM dwData)
{
    if (nEventType == DBT_DEVICEARRIVAL)
    {
        Trace(TRACE_TRACE, L"Event DBT_DEVICEARRIVAL");
        const wchar_t cLetter = DriveLetterOf(dwData);
        if (cLetter && m_pListener)
            m_pListener->OnDeviceArrived(cLetter);
    }
    else if (nEventType == DBT_DEVICEREMOVECOMPLETE)
    {
        Trace(TRACE_TRACE, L"Event DBT_DEVICEREMOVECOMPLETE");
        const wchar_t cLetter = DriveLetterOf(dwData);
        if (cLetter && m_pListener)
            m_pListener->OnDeviceRemoved(cLetter);
    }
    return TRUE;
}
