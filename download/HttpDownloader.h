#pragma once
// The HTTP client that undoes a gzip or deflate content encoding announced by the server. The
// raw body is received first (a temporary file next to the target, or memory), then decoded in
// blocks into a second one, which becomes the target only when everything succeeded; progress
// counts the bytes on the wire. An encoding the request did not ask for is refused, and the
// body limit holds for the decoded body too.

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
    // The first "Content-Encoding" value (name in any case) naming an encoding other than
    // identity that the asked "Accept-Encoding" text does not name; empty when there is none.
    static std::string FindUnaskedEncoding(const CHttpResponseHeaders& headers, const std::string& asked);

protected:
    bool DownloadData() override;

private:
    bool Decode(EncodingKind kind, CBodyStore& raw, CBodyStore& decoded);
    // The failed write of a temporary file, logged in this client's words; always false.
    bool FailedWrite(DWORD error);
};
