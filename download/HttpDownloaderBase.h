#pragma once
// Synchronous HTTP and HTTPS client over WinHTTP. One object holds one session for its life and
// runs one request at a time on the calling thread. URL, cookie, header texts, content type and
// body are narrow byte strings in the thread's ANSI code page; WinHTTP gets them as wide text.
//
// The body goes to the target file when one was given (received into a temporary file next to
// it and renamed only when the whole transfer succeeded), otherwise into memory.
//
// The session is asynchronous so that a stop event can end a request at once: each call waits
// for its completion or the stop, whichever comes first. A request given up on a stop is closed;
// what WinHTTP still completes of it afterwards (Wine finishes a blocked read only at its
// time-out) lands in state that the request's handle keeps alive until it is closing.

#include "IHttpDownloaderNotifier.h"

#include "classlib/String.h"
#include "classlib/WinHttpHandle.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CBodyStore;
class CRequestCompletion;
struct CRequestCompletionRelease
{
    void operator()(CRequestCompletion* p) const;
};

typedef std::map<std::string, std::vector<std::string>> CHttpResponseHeaders;

class CHttpDownloaderBase
{
public:
    CHttpDownloaderBase(const std::string& proxy, const CString& targetFile);
    virtual ~CHttpDownloaderBase();
    CHttpDownloaderBase(const CHttpDownloaderBase&) = delete;
    CHttpDownloaderBase& operator=(const CHttpDownloaderBase&) = delete;

    // A header for the next request only; "Cookie" (any case, blanks around the name ignored)
    // sets the cookie text that goes with every later request.
    virtual void SetRequestHeader(const std::string& name, const std::string& value);

    bool Get(const std::string& url, bool acceptCompressed);
    bool Post(const std::string& url, const std::string& body);
    // Redirects are not followed and any status counts; no body is read.
    bool Head(const std::string& url);

    void SetNotifier(IHttpDownloaderNotifier* pNotifier) { m_pNotifier = pNotifier; }
    // Milliseconds for connect, send, receive and the wait for the response headers; 0 keeps
    // WinHTTP's defaults.
    void SetTimeout(DWORD timeoutMs) { m_dwTimeout = timeoutMs; }
    // A manual-reset event, not owned: once signalled, the running request and every later one
    // fail at once with ERROR_WINHTTP_OPERATION_CANCELLED. Null: requests end only by
    // themselves or their time-outs.
    void SetStopEvent(HANDLE hStopEvent) { m_hStopEvent = hStopEvent; }
    // The most bytes a body may have, on the wire and after decoding; a larger one fails with
    // ERROR_FILE_TOO_LARGE before more than that reaches the store. 0: no limit. Without it a
    // body of unstated length (chunked) or a compressed one could fill the disk.
    void SetBodyLimit(ULONGLONG limit) { m_bodyLimit = limit; }
    ULONGLONG GetBodyLimit() const { return m_bodyLimit; }
    // Asked with the complete body's temporary file (closed) before it becomes the target; false
    // discards it and fails the request, so the target as it was stays untouched.
    typedef std::function<bool(const CString& tempFile)> CBodyCheck;
    void SetBodyCheck(CBodyCheck check) { m_bodyCheck = std::move(check); }
    // The last request failed because the stop event was signalled.
    bool WasStopped() const { return m_bStopped; }
    DWORD GetLastErrorCode() const { return m_dwLastError; }
    DWORD GetStatusCode() const { return m_dwStatusCode; }
    const CString& GetStatusText() const { return m_strStatusText; }
    const std::string& GetResponseBody() const { return m_strResponseBody; }
    const std::string& GetContentType() const { return m_strContentType; }
    ULONGLONG GetContentLength() const { return m_contentLength; }
    bool HasContentLength() const { return m_bHasContentLength; }
    ULONGLONG GetBytesReceived() const { return m_bytesReceived; }
    const CHttpResponseHeaders& GetResponseHeaders() const { return m_responseHeaders; }
    const CString& GetTargetFile() const { return m_strTargetFile; }
    bool IsSecure() const { return m_bSecure; }

protected:
    virtual bool DownloadData();

    // Reads the body from the wire into the store, telling the notifier of each chunk. A body
    // shorter or longer than a Content-Length header fails like a dropped connection.
    // bDetailedLog picks the log texts of the decoding client.
    bool ReceiveBody(CBodyStore& store, bool bDetailedLog);
    // The temporary file that receives the body: the target's name with the suffix.
    CString TempPath(const wchar_t* pszSuffix) const;
    // The body check, then the rename of the finished temporary file to the target; false
    // (logged; the store discards the temporary file) when either fails.
    bool CommitBody(CBodyStore& store, bool bDetailedLog);
    // Keeps the error and logs the failed write in the client's own words; always false.
    bool FailedWrite(DWORD error, bool bDetailedLog, const CString& path);
    // The "Accept-Encoding" text the last request sent; empty when it asked for none.
    const std::string& GetAskedEncodings() const { return m_strAskedEncodings; }
    // Keeps GetLastError() as the last error, a socket time-out as WinHTTP's own time-out code.
    void RecordLastError();
    // Waits until the WinHTTP call just made on the request completes; false when it failed
    // (its error is the thread's last error then) or the stop event was signalled.
    bool AwaitCompletion();
    // The number the last completion reported: bytes available or bytes read.
    DWORD CompletedCount() const;
    // The buffer reads land in, at least nSize bytes; null when it cannot be had.
    char* ReadBuffer(DWORD nSize);

    CScopedWinHttpHandle m_hSession;
    CScopedWinHttpHandle m_hConnection;
    CScopedWinHttpHandle m_hRequest;
    std::unique_ptr<CRequestCompletion, CRequestCompletionRelease> m_pCompletion;
    HANDLE m_hStopEvent = nullptr;
    bool m_bStopped = false;
    std::string m_strUrl;
    std::string m_strCookie;
    std::string m_strContentType;
    ULONGLONG m_contentLength = 0;
    bool m_bHasContentLength = false;
    ULONGLONG m_bodyLimit = 0;
    CBodyCheck m_bodyCheck;
    std::string m_strAskedEncodings;
    std::string m_strResponseBody;
    std::map<std::string, std::string> m_requestHeaders;
    CHttpResponseHeaders m_responseHeaders;
    CString m_strTargetFile;
    DWORD m_dwTimeout = 0;
    IHttpDownloaderNotifier* m_pNotifier = nullptr;
    bool m_bSecure = false;
    ULONGLONG m_bytesReceived = 0;
    DWORD m_dwStatusCode = 0;
    CString m_strStatusText;
    DWORD m_dwLastError = 0;

private:
    bool Request(const wchar_t* pszVerb, const std::string& url, const std::string& body, bool isHead);
    bool OpenConnection(const wchar_t* pszVerb);
    bool OpenRequest(const wchar_t* pszVerb);
    bool SetConnectionParameters(DWORD disableFeatures);
    bool SendRequest(const std::string& body);
    bool ReceiveResponse(bool isHead);
    bool ExtractResponseHeaders();
    void CloseRequest();
    void CloseConnection();
};

// Splits "scheme://host:port/path". The port is 443 for an https URL (any case) without one,
// 80 otherwise and for a port text outside 0..65535. The path has no leading slash.
void SplitUrl(const CString& url, CString& rHost, CString& rPath, INTERNET_PORT& rPort);
// True when the URL's scheme is https, compared without case.
bool IsHttpsUrl(const std::string& url);
// 0 when the header is missing; pFound tells a missing header from a 0.
DWORD GetHttpHeaderNumeric(HINTERNET hRequest, DWORD infoLevel, bool* pFound = nullptr);
// The same for numbers past 32 bits (a Content-Length over 4 GiB), read from the header's text.
ULONGLONG GetHttpHeaderNumeric64(HINTERNET hRequest, DWORD infoLevel, bool* pFound = nullptr);
// A header's decimal number, blanks around it allowed: false for anything else (a sign, a
// list, a value past 64 bits), which then counts as no number at all.
bool ParseHeaderNumber(const CString& text, ULONGLONG& rValue);
// Progress as the 32-bit notifier takes it: both counts halved together until the larger fits,
// so the share done stays right past 4 GiB.
void FitProgress(ULONGLONG bytesSoFar, ULONGLONG totalBytes, DWORD& rBytesSoFar, DWORD& rTotalBytes);
CString GetHttpHeaderText(HINTERNET hRequest, DWORD infoLevel);
