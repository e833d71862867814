#pragma once
// A hidden window that hears the system's device-change broadcasts and tells its listener which
// drive letter arrived or went away.

#include "DeviceInfo.h"

#include "classlib/Wnd.h"

class CDeviceChangeMonitorWnd : public CWnd
{
public:
    bool Create(IDeviceListener* pListener);

protected:
    LRESULT OnDeviceChange(WPARAM nEventType, LPARAM dwData);

private:
    IDeviceListener* m_pListener = nullptr;

    DECLARE_MESSAGE_MAP()
};
