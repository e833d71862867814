#pragma once
// The HTTP client that undoes a gzip or deflate content encoding announced by the server. The
// raw body is received first (a temporary file next to the target, or memory), then decoded in
// blocks into a second one, which becomes the target only when everything succeeded; progress
// counts the bytes on the wire.

#include "HttpDownloaderBase.h"

class CHttpDownloader : public CHttpDownloaderBase
{
public:
    enum EncodingKind { encodingNone, encodingDeflate, encodingGzip };

    CHttpDownloader(const std::string& proxy, const CString& targetFile) : CHttpDownloaderBase(proxy, targetFile) {}
    ~CHttpDownloader() override;

    // From the "Content-Encoding" lines as received (name matched exactly): the last "gzip" or
    // "deflate" value wins, other values change nothing.
    static EncodingKind GetEncodingKind(const CHttpResponseHeaders& headers);

protected:
    bool DownloadData() override;

private:
    bool Decode(EncodingKind kind, CBodyStore& raw, CBodyStore& decoded);
    // Keeps the error and logs the failed write; always false.
    bool FailedWrite(DWORD error);
};
