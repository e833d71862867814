#include "RemovableDrives.h"

#include "classlib/Handles.h"
#include "support/TraceLog.h"

#include <winioctl.h>

namespace
{
const int kRemovableMedia = 11; // MEDIA_TYPE RemovableMedia
const int kBusTypeUsb = 7;      // STORAGE_BUS_TYPE BusTypeUsb

CScopedHandle OpenDevice(wchar_t cLetter)
{
    wchar_t path[] = L"\\\\.\\?:";
    path[4] = cLetter;
    // No access rights: the queries below need none, and a locked medium still answers.
    return CScopedHandle(CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

class CSystemDriveQuery : public IDriveQuery
{
public:
    DWORD LogicalDrives() override { return ::GetLogicalDrives(); }
    UINT DriveType(const wchar_t* pszRoot) override { return GetDriveTypeW(pszRoot); }
    bool MediaType(wchar_t cLetter, int& rMediaType) override
    {
        CScopedHandle device = OpenDevice(cLetter);
        if (!device.IsValid())
            return false;
        DISK_GEOMETRY geometry = {};
        DWORD returned = 0;
        if (!DeviceIoControl(device.Get(), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof(geometry),
                             &returned, nullptr))
            return false;
        rMediaType = static_cast<int>(geometry.MediaType);
        return true;
    }
    bool BusType(wchar_t cLetter, int& rBusType) override
    {
        CScopedHandle device = OpenDevice(cLetter);
        if (!device.IsValid())
            return false;
        STORAGE_PROPERTY_QUERY query = {};
        query.PropertyId = StorageDeviceProperty;
        query.QueryType = PropertyStandardQuery;
        BYTE buffer[551] = {};
        DWORD returned = 0;
        if (!DeviceIoControl(device.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), buffer, sizeof(buffer),
                             &returned, nullptr) ||
            returned < offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof(STORAGE_BUS_TYPE))
            return false;
        rBusType = static_cast<int>(reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer)->BusType);
        return true;
    }
    bool VolumeInformation(const wchar_t* pszRoot, CString& rLabel, DWORD& rSerial) override
    {
        wchar_t label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
        DWORD maxComponent = 0, flags = 0;
        if (!::GetVolumeInformationW(pszRoot, label, MAX_PATH, &rSerial, &maxComponent, &flags, fileSystem, MAX_PATH))
            return false;
        rLabel = label;
        return true;
    }
};
}

int EnumerateRemovableDrives(CDeviceInfoArray& rDrives, IDriveQuery* pQuery)
{
    CSystemDriveQuery systemQuery;
    IDriveQuery& query = pQuery ? *pQuery : systemQuery;
    rDrives.clear();
    const DWORD drives = query.LogicalDrives();
    // A: and B: are floppy drives, never a stick.
    for (int index = 2; index < 26; ++index)
    {
        if (!(drives & (1u << index)))
            continue;
        const wchar_t cLetter = static_cast<wchar_t>(L'A' + index);
        wchar_t root[] = L"?:\\";
        root[0] = cLetter;
        const UINT type = query.DriveType(root);
        int value = 0;
        const bool bRemovable = type == DRIVE_REMOVABLE && query.MediaType(cLetter, value) && value == kRemovableMedia;
        const bool bFixedUsb = type == DRIVE_FIXED && query.BusType(cLetter, value) && value == kBusTypeUsb;
        if (!bRemovable && !bFixedUsb)
            continue;
        // The root itself: "X:" alone would name the current folder of that drive.
        sDEVICE_INFO info;
        CString label;
        if (!query.VolumeInformation(root, label, info.dwSerialNumber))
        {
            Trace(TRACE_TRACE, L"GetVolumeInformation failed for drive %s", root);
            continue;
        }
        Trace(TRACE_TRACE, L"GetVolumeInformation succeded for drive %s; volume %s; SN: %d;", root, label.GetString(),
              static_cast<int>(info.dwSerialNumber));
        info.nDriveIndex = index;
        wcsncpy(info.szVolumeName, label.GetString(), MAX_PATH - 1);
        info.szVolumeName[MAX_PATH - 1] = 0;
        rDrives.push_back(info);
    }
    return static_cast<int>(rDrives.size());
}
