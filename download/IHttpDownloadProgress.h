#pragma once
// What the download progress page asks of the downloader, from the UI thread.

#include <windows.h>

class IHttpDownloadProgress
{
public:
    // Owner of the failure message box.
    virtual void SetParentWindow(HWND hWnd) = 0;
    // The running (or last) download's bytes so far and Content-Length (0 when unknown).
    virtual void GetProgress(DWORD& rBytesSoFar, DWORD& rTotalBytes) = 0;

protected:
    ~IHttpDownloadProgress() = default;
};
