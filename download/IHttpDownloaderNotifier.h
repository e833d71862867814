#pragma once
// Told of every chunk of a response body as it arrives, on the downloading thread.

#include <windows.h>

class IHttpDownloaderNotifier
{
public:
    // totalBytes is the Content-Length of the body on the wire, 0 when the server sent none.
    virtual void OnProgress(DWORD bytesSoFar, DWORD totalBytes) = 0;

protected:
    ~IHttpDownloaderNotifier() = default;
};
