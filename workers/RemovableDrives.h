#pragma once
// Lists the drives that count as USB drives: removable drives with removable media, and fixed
// disks on the USB bus.

#include "DeviceInfo.h"

#include "classlib/String.h"

// The drive queries the listing makes; tests replace them.
class IDriveQuery
{
public:
    virtual DWORD LogicalDrives() = 0;
    virtual UINT DriveType(const wchar_t* pszRoot) = 0;
    // The disk geometry's media type of "\\.\X:"; false when the query fails.
    virtual bool MediaType(wchar_t cLetter, int& rMediaType) = 0;
    // The storage device's bus type of "\\.\X:"; false when the query fails.
    virtual bool BusType(wchar_t cLetter, int& rBusType) = 0;
    virtual bool VolumeInformation(const wchar_t* pszRoot, CString& rLabel, DWORD& rSerial) = 0;

protected:
    ~IDriveQuery() {}
};

// Empties the array and fills it in drive-letter order; the number of drives listed. Without a
// query the system is asked.
int EnumerateRemovableDrives(CDeviceInfoArray& rDrives, IDriveQuery* pQuery = nullptr);
