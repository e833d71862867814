#pragma once
// The setup's downloader as the step engine and the download worker see it: a GET of one URL
// into one file, with an optional signature check of the file afterwards.

#include <windows.h>

class IHttpDownloader
{
public:
    // nTimeoutMs 0 keeps the HTTP client's own time-outs. False after a failure, which leaves
    // the target file as it was (none when there was none). hStopEvent (a manual-reset event, may be null) ends the download
    // at once when signalled: false, nothing shown to the user.
    virtual bool Download(const wchar_t* pszUrl, const wchar_t* pszTargetFile, bool bVerifySignature, int nTimeoutMs,
                          HANDLE hStopEvent) = 0;
    // True only for an existing file whose embedded signature is accepted.
    virtual bool VerifySignature(const wchar_t* pszFile) = 0;

protected:
    ~IHttpDownloader() = default;
};
