#pragma once
// Told by the USB copy worker, on its own thread, how the copy to the drive goes.

#include <windows.h>

class IUSBInstallerListener
{
public:
    // Megabytes still missing on the drive, as a negative number.
    virtual void OnNotEnoughSpace(int nMissingMB) = 0;
    // The whole work in bytes (to copy plus to delete) as two 32-bit halves.
    virtual void OnCopyStart(DWORD dwTotalLow, DWORD dwTotalHigh) = 0;
    // Sizes are the low 32 bits of the byte counts.
    virtual void OnCopyFile(const wchar_t* pszSource, const wchar_t* pszTarget, DWORD dwFileSize, DWORD dwCopyTotal) = 0;
    virtual void OnDeleteFile(const wchar_t* pszPath, DWORD dwFileSize, DWORD dwDeleteTotal) = 0;
    virtual void OnUSBInstallationFinished(bool bSuccess) = 0;

protected:
    ~IUSBInstallerListener() {}
};
