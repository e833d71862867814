#pragma once
// A drive that counts as a USB drive, and the listener told of drives arriving and going.

#include <windows.h>

#include <vector>

struct sDEVICE_INFO
{
    DWORD dwSerialNumber = 0;
    int nDriveIndex = 0; // 0 = A: ... 25 = Z:
    wchar_t szVolumeName[MAX_PATH] = {};
};

typedef std::vector<sDEVICE_INFO> CDeviceInfoArray;

class IDeviceListener
{
public:
    virtual void OnDeviceArrived(wchar_t cDriveLetter) = 0;
    virtual void OnDeviceRemoved(wchar_t cDriveLetter) = 0;

protected:
    ~IDeviceListener() {}
};
