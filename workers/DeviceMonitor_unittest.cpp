// The device monitor hears broadcasts sent by another process; the listing of USB drives through
// a fake of the drive queries, and through the real ones.
#include "workers/DeviceChangeMonitorWnd.h"
#include "workers/RemovableDrives.h"

#include "tests/common/ProcessRun.h"
#include "tests/common/TraceCapture.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{
class CRecordingDeviceListener : public IDeviceListener
{
public:
    void OnDeviceArrived(wchar_t cLetter) override { m_calls += L'+', m_calls += cLetter; }
    void OnDeviceRemoved(wchar_t cLetter) override { m_calls += L'-', m_calls += cLetter; }
    std::wstring m_calls;
};

// Runs StandIn.exe with the broadcast and answers the messages it sends until it ends. The
// broadcast visits every top-level window of the prefix in turn, other tests' busy ones too.
DWORD Broadcast(const wchar_t* pszSpec)
{
    CChildProcess child;
    if (!child.Start(BinFolder() + L"StandIn.exe", CString(L"/devicechange:") + pszSpec, BinFolder()))
        return 0xFFFFFFFF;
    const DWORD start = GetTickCount();
    HANDLE hProcess = child.GetHandle();
    while (GetTickCount() - start < 120000)
    {
        const DWORD wait = MsgWaitForMultipleObjects(1, &hProcess, FALSE, 1000, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return child.Wait(0);
}

class DeviceMonitorTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "devicemonitor_"; }
};

TEST_F(DeviceMonitorTest, BroadcastsOfAnotherProcessReachTheListener)
{
    CRecordingDeviceListener listener;
    CDeviceChangeMonitorWnd monitor;
    ASSERT_TRUE(monitor.Create(&listener));
    EXPECT_FALSE(IsWindowVisible(monitor.m_hWnd));
    wchar_t title[64] = {};
    GetWindowTextW(monitor.m_hWnd, title, 64);
    EXPECT_STREQ(L"ORU_DEVICE_MONITOR", title);

    const DWORD E = 1u << 4, G = 1u << 6;
    struct
    {
        DWORD event, type, flags, mask;
        const wchar_t* pszExpected;
    } cases[] = {
        { DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, 0, E | G, L"+E" },         // several volumes: the lowest
        { DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, DBTF_MEDIA, E, L"" },       // a card reader's medium
        { DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, 0, E, L"" },                 // no volume
        { DBT_DEVICEQUERYREMOVE, DBT_DEVTYP_VOLUME, 0, E, L"" },           // another event
        { DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 0, E, L"-E" },
        { DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 0, 1u << 27, L"" }, // no drive letter
        { DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, 0, (1u << 25) | (1u << 26), L"+Z" },
    };
    for (const auto& c : cases)
    {
        listener.m_calls.clear();
        wchar_t spec[80];
        swprintf(spec, 80, L"%lu,%lu,%lu,%lu", c.event, c.type, c.flags, c.mask);
        SCOPED_TRACE(CString(spec).ToNarrow(CP_UTF8));
        ASSERT_EQ(0u, Broadcast(spec));
        EXPECT_EQ(std::wstring(c.pszExpected), listener.m_calls);
    }
    EXPECT_TRUE(Contains(Log(), L"Event DBT_DEVICEARRIVAL"));
    EXPECT_TRUE(Contains(Log(), L"Event DBT_DEVICEREMOVECOMPLETE"));
}

TEST_F(DeviceMonitorTest, NullHeaderCallsNoListener)
{
    CRecordingDeviceListener listener;
    CDeviceChangeMonitorWnd monitor;
    ASSERT_TRUE(monitor.Create(&listener));
    EXPECT_EQ(TRUE, SendMessageW(monitor.m_hWnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0));
    EXPECT_EQ(TRUE, SendMessageW(monitor.m_hWnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0));
    EXPECT_EQ(L"", listener.m_calls);
}

TEST_F(DeviceMonitorTest, DestroyedWithItsObject)
{
    HWND hWnd = nullptr;
    {
        CDeviceChangeMonitorWnd monitor;
        ASSERT_TRUE(monitor.Create(nullptr));
        hWnd = monitor.m_hWnd;
        EXPECT_EQ(&monitor, CWnd::FromHandlePermanent(hWnd));
        // Without a listener a broadcast is only logged.
        EXPECT_EQ(0u, Broadcast(L"32768,2,0,16"));
    }
    EXPECT_FALSE(IsWindow(hWnd));
}

struct CFakeDrive
{
    UINT type;
    int mediaType; // -1: the query fails
    int busType;   // -1: the query fails
    const wchar_t* pszLabel; // null: the volume cannot be read
    DWORD serial;
};

class CFakeDriveQuery : public IDriveQuery
{
public:
    std::map<wchar_t, CFakeDrive> m_drives;
    std::vector<std::wstring> m_roots;

    DWORD LogicalDrives() override
    {
        DWORD mask = 0;
        for (const auto& drive : m_drives)
            mask |= 1u << (drive.first - L'A');
        return mask;
    }
    UINT DriveType(const wchar_t* pszRoot) override { return m_drives[pszRoot[0]].type; }
    bool MediaType(wchar_t cLetter, int& rMediaType) override
    {
        rMediaType = m_drives[cLetter].mediaType;
        return rMediaType != -1;
    }
    bool BusType(wchar_t cLetter, int& rBusType) override
    {
        rBusType = m_drives[cLetter].busType;
        return rBusType != -1;
    }
    bool VolumeInformation(const wchar_t* pszRoot, CString& rLabel, DWORD& rSerial) override
    {
        m_roots.push_back(pszRoot);
        const CFakeDrive& drive = m_drives[pszRoot[0]];
        if (!drive.pszLabel)
            return false;
        rLabel = drive.pszLabel;
        rSerial = drive.serial;
        return true;
    }
};

TEST_F(DeviceMonitorTest, ListingKeepsRemovableMediaAndUsbDisksOnly)
{
    CFakeDriveQuery query;
    query.m_drives = {
        { L'A', { DRIVE_REMOVABLE, 11, -1, L"FLOPPY", 1 } },
        { L'C', { DRIVE_FIXED, 12, 11, L"SYSTEM", 2 } },      // SATA disk
        { L'E', { DRIVE_FIXED, 12, 7, L"STICK", 0x1234 } },   // USB disk
        { L'F', { DRIVE_REMOVABLE, 11, -1, L"CARD", 5 } },    // removable medium
        { L'G', { DRIVE_REMOVABLE, 11, -1, nullptr, 6 } },    // unreadable volume
        { L'H', { DRIVE_REMOVABLE, 12, -1, L"ZIP", 7 } },     // fixed medium in a removable drive
        { L'I', { DRIVE_CDROM, 11, 7, L"DISC", 8 } },
        { L'J', { DRIVE_FIXED, 12, -1, L"NOBUS", 9 } },       // the bus query fails
    };
    CDeviceInfoArray drives(3); // emptied first
    ASSERT_EQ(2, EnumerateRemovableDrives(drives, &query));
    ASSERT_EQ(2u, drives.size());
    EXPECT_EQ(4, drives[0].nDriveIndex);
    EXPECT_STREQ(L"STICK", drives[0].szVolumeName);
    EXPECT_EQ(0x1234u, drives[0].dwSerialNumber);
    EXPECT_EQ(5, drives[1].nDriveIndex);
    EXPECT_STREQ(L"CARD", drives[1].szVolumeName);
    // The volume is asked at its root, never as "X:" (the current folder of that drive).
    EXPECT_EQ((std::vector<std::wstring>{ L"E:\\", L"F:\\", L"G:\\" }), query.m_roots);
    EXPECT_TRUE(Contains(Log(), L"GetVolumeInformation failed for drive G:\\"));
    EXPECT_TRUE(Contains(Log(), L"GetVolumeInformation succeded for drive E:\\; volume STICK; SN: 4660;"));
}

TEST_F(DeviceMonitorTest, LongLabelIsCut)
{
    CFakeDriveQuery query;
    const std::wstring label(400, L'L');
    query.m_drives = { { L'E', { DRIVE_REMOVABLE, 11, -1, label.c_str(), 1 } } };
    CDeviceInfoArray drives;
    ASSERT_EQ(1, EnumerateRemovableDrives(drives, &query));
    EXPECT_EQ(std::wstring(259, L'L'), drives[0].szVolumeName);
}

TEST_F(DeviceMonitorTest, RealListingUnderThisSystemFindsNoStick)
{
    // Wine reports every drive as fixed on bus 1: nothing here counts as a USB drive.
    CDeviceInfoArray drives;
    EXPECT_EQ(0, EnumerateRemovableDrives(drives));
    EXPECT_TRUE(drives.empty());
}
}
