#include "HttpDownloaderBase.h"
#include "BodyStore.h"
#include "RequestCompletion.h"

#include "support/SysUtil.h"
#include "support/TraceLog.h"

#include <memory>
#include <new>

namespace
{
const wchar_t kUserAgent[] = L"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322; "
                             L".NET CLR 2.0.50727; .NET CLR 3.0.04506.30; .NET CLR 3.0.04506.648)";

CString Wide(const std::string& s)
{
    return CString::FromNarrow(s, CP_THREAD_ACP);
}

std::string Narrow(const CString& s)
{
    return s.ToNarrow(CP_THREAD_ACP);
}

std::string TrimmedLower(const std::string& s)
{
    const char* blanks = " \t\r\n";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    std::string r = s.substr(first, s.find_last_not_of(blanks) - first + 1);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}
}

bool IsHttpsUrl(const std::string& url)
{
    const size_t sep = url.find("://");
    return sep != std::string::npos && TrimmedLower(url.substr(0, sep)) == "https";
}

void SplitUrl(const CString& url, CString& rHost, CString& rPath, INTERNET_PORT& rPort)
{
    const INTERNET_PORT defaultPort = IsHttpsUrl(url.ToNarrow(CP_UTF8)) ? INTERNET_DEFAULT_HTTPS_PORT
                                                                         : INTERNET_DEFAULT_HTTP_PORT;
    CString rest(url);
    const int sep = rest.Find(L"://");
    if (sep >= 0)
        rest = rest.Mid(sep + 3);
    const int slash = rest.Find(L'/');
    if (slash >= 0)
    {
        rHost = rest.Left(slash);
        rPath = rest.Mid(slash + 1);
    }
    else
    {
        rHost = rest;
        rPath.Empty();
    }
    rHost.Trim();
    rPath.Trim();
    rPort = defaultPort;
    const int colon = rHost.Find(L':');
    if (colon >= 0)
    {
        CString portText = rHost.Mid(colon + 1);
        rHost = rHost.Left(colon);
        rHost.Trim();
        portText.Trim();
        const long port = wcstol(portText, nullptr, 10);
        // No port 0 either: WinHTTP would take it as the scheme's default silently.
        if (port > 0 && port <= 65535)
            rPort = static_cast<INTERNET_PORT>(port);
    }
}

DWORD GetHttpHeaderNumeric(HINTERNET hRequest, DWORD infoLevel, bool* pFound)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    const bool found = ::WinHttpQueryHeaders(hRequest, infoLevel | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                                             &value, &size, WINHTTP_NO_HEADER_INDEX) != FALSE;
    if (pFound)
        *pFound = found;
    if (!found)
    {
        Trace(TRACE_VERBOSE, L"GetHttpHeaderNumeric: WinHttpQueryHeaders failed!");
        return 0;
    }
    return value;
}

bool ParseHeaderNumber(const CString& text, ULONGLONG& rValue)
{
    CString digits(text);
    digits.Trim();
    if (digits.IsEmpty())
        return false;
    ULONGLONG value = 0;
    for (int i = 0; i < digits.GetLength(); ++i)
    {
        const wchar_t c = digits[i];
        if (c < L'0' || c > L'9')
            return false;
        const ULONGLONG digit = static_cast<ULONGLONG>(c - L'0');
        if (value > (~0ULL - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    rValue = value;
    return true;
}

ULONGLONG GetHttpHeaderNumeric64(HINTERNET hRequest, DWORD infoLevel, bool* pFound)
{
    ULONGLONG value = 0;
    const bool found = ParseHeaderNumber(GetHttpHeaderText(hRequest, infoLevel), value);
    if (pFound)
        *pFound = found;
    if (!found)
    {
        Trace(TRACE_VERBOSE, L"GetHttpHeaderNumeric: WinHttpQueryHeaders failed!");
        return 0;
    }
    return value;
}

void FitProgress(ULONGLONG bytesSoFar, ULONGLONG totalBytes, DWORD& rBytesSoFar, DWORD& rTotalBytes)
{
    while ((bytesSoFar | totalBytes) > MAXDWORD)
    {
        bytesSoFar >>= 1;
        totalBytes >>= 1;
    }
    rBytesSoFar = static_cast<DWORD>(bytesSoFar);
    rTotalBytes = static_cast<DWORD>(totalBytes);
}

CString GetHttpHeaderText(HINTERNET hRequest, DWORD infoLevel)
{
    DWORD size = 0;
    if (::WinHttpQueryHeaders(hRequest, infoLevel, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                              WINHTTP_NO_HEADER_INDEX) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return CString();
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (!::WinHttpQueryHeaders(hRequest, infoLevel, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &size,
                               WINHTTP_NO_HEADER_INDEX))
    {
        Trace(TRACE_VERBOSE, L"GetHttpHeaderText: WinHttpQueryHeaders failed!");
        return CString();
    }
    return CString(buffer.data());
}

CHttpDownloaderBase::CHttpDownloaderBase(const std::string& proxy, const CString& targetFile)
    : m_strTargetFile(targetFile)
{
    const CString proxyName = Wide(proxy);
    m_hSession.Reset(::WinHttpOpen(kUserAgent,
                                   proxy.empty() ? WINHTTP_ACCESS_TYPE_DEFAULT_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                                   proxy.empty() ? WINHTTP_NO_PROXY_NAME : proxyName.GetString(),
                                   WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    if (!m_hSession)
    {
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::CHttpDownloaderBase WinHttpOpen failed [%s]", GetLastErrorText().GetString());
        return;
    }
    // Connections and requests take the callback over from the session when they are made.
    if (::WinHttpSetStatusCallback(m_hSession.Get(), &CRequestCompletion::OnStatus,
                                   WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                                   0) == WINHTTP_INVALID_STATUS_CALLBACK)
    {
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::CHttpDownloaderBase WinHttpSetStatusCallback failed [%s]",
              GetLastErrorText().GetString());
        m_hSession.Close();
    }
}

void CRequestCompletionRelease::operator()(CRequestCompletion* p) const
{
    p->Release();
}

CHttpDownloaderBase::~CHttpDownloaderBase()
{
    CloseConnection();
    if (m_hSession && !::WinHttpCloseHandle(m_hSession.Detach()))
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::~CHttpDownloaderBase WinHttpCloseHandle failed [%s]",
              GetLastErrorText().GetString());
}

bool CHttpDownloaderBase::AwaitCompletion()
{
    HANDLE handles[2] = { m_pCompletion->GetEvent(), m_hStopEvent };
    const DWORD count = m_hStopEvent ? 2 : 1;
    // A stop wins over a completion that came at the same time: a fast transfer always has one.
    if (!m_hStopEvent || WaitForSingleObject(m_hStopEvent, 0) != WAIT_OBJECT_0)
    {
        const DWORD wait = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (wait == WAIT_OBJECT_0)
        {
            if (m_pCompletion->GetStatus() != WINHTTP_CALLBACK_STATUS_REQUEST_ERROR)
                return true;
            ::SetLastError(m_pCompletion->GetError());
            return false;
        }
        if (wait != WAIT_OBJECT_0 + 1)
        {
            // The handles are this object's own: a failed wait cannot tell when the call ends.
            Trace(TRACE_ERROR, L"CHttpDownloaderBase::AwaitCompletion wait failed [%s]", GetLastErrorText().GetString());
        }
    }
    m_bStopped = true;
    m_dwLastError = ERROR_WINHTTP_OPERATION_CANCELLED;
    Trace(TRACE_INFO, L"CHttpDownloaderBase::AwaitCompletion the request was stopped [%S]", m_strUrl.c_str());
    ::SetLastError(ERROR_WINHTTP_OPERATION_CANCELLED);
    return false;
}

DWORD CHttpDownloaderBase::CompletedCount() const
{
    return m_pCompletion->GetCount();
}

char* CHttpDownloaderBase::ReadBuffer(DWORD nSize)
{
    std::vector<char>& buffer = m_pCompletion->Buffer();
    if (buffer.size() < nSize)
    {
        try
        {
            buffer.resize(nSize);
        }
        catch (const std::bad_alloc&)
        {
            return nullptr;
        }
    }
    return buffer.data();
}

void CHttpDownloaderBase::RecordLastError()
{
    m_dwLastError = ::GetLastError();
    // Wine ends a stalled transfer with the socket's own time-out; Windows reports WinHTTP's.
    if (m_dwLastError == WSAETIMEDOUT)
        m_dwLastError = ERROR_WINHTTP_TIMEOUT;
}

void CHttpDownloaderBase::SetRequestHeader(const std::string& name, const std::string& value)
{
    if (TrimmedLower(name) == "cookie")
        m_strCookie = value;
    else
        m_requestHeaders[name] = value;
}

bool CHttpDownloaderBase::Get(const std::string& url, bool acceptCompressed)
{
    if (acceptCompressed)
        SetRequestHeader("Accept-Encoding", "deflate, gzip");
    return Request(L"GET", url, std::string(), false);
}

bool CHttpDownloaderBase::Post(const std::string& url, const std::string& body)
{
    return Request(L"POST", url, body, false);
}

bool CHttpDownloaderBase::Head(const std::string& url)
{
    return Request(L"HEAD", url, std::string(), true);
}

bool CHttpDownloaderBase::Request(const wchar_t* pszVerb, const std::string& url, const std::string& body, bool isHead)
{
    m_strUrl = url;
    m_bStopped = false;
    const bool ok = OpenConnection(pszVerb) && SetConnectionParameters(isHead ? WINHTTP_DISABLE_REDIRECTS : 0) &&
                    SendRequest(body) && ReceiveResponse(isHead) && (isHead || DownloadData());
    CloseConnection();
    return ok;
}

void CHttpDownloaderBase::CloseRequest()
{
    // Never waits: a call still running completes into the state the handle keeps alive.
    m_hRequest.Close();
    m_pCompletion.reset();
}

void CHttpDownloaderBase::CloseConnection()
{
    CloseRequest();
    m_hConnection.Close();
}

bool CHttpDownloaderBase::OpenConnection(const wchar_t* pszVerb)
{
    m_dwStatusCode = 0;
    m_strStatusText.Empty();
    CString host, path;
    INTERNET_PORT port = 0;
    SplitUrl(Wide(m_strUrl), host, path, port);
    if (host.IsEmpty())
        return false;
    m_hConnection.Reset(::WinHttpConnect(m_hSession.Get(), host, port, 0));
    if (!m_hConnection)
    {
        RecordLastError();
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::OpenConnection WinHttpConnect failed [%s]", GetLastErrorText().GetString());
        return false;
    }
    return OpenRequest(pszVerb) && m_hConnection && m_hRequest;
}

bool CHttpDownloaderBase::OpenRequest(const wchar_t* pszVerb)
{
    CString host, path;
    INTERNET_PORT port = 0;
    SplitUrl(Wide(m_strUrl), host, path, port);
    if (host.IsEmpty())
        return false;
    // Each request is secure by its own URL, whatever the one before it was.
    m_bSecure = IsHttpsUrl(m_strUrl);
    const DWORD flags = WINHTTP_FLAG_REFRESH | (m_bSecure ? WINHTTP_FLAG_SECURE : 0);
    m_hRequest.Reset(::WinHttpOpenRequest(m_hConnection.Get(), pszVerb, path, nullptr, WINHTTP_NO_REFERER,
                                          WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!m_hRequest)
    {
        RecordLastError();
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::OpenRequest WinHttpOpenRequest failed [%s]", GetLastErrorText().GetString());
        return false;
    }
    m_pCompletion.reset(CRequestCompletion::Create());
    if (!m_pCompletion || !m_pCompletion->Attach(m_hRequest.Get()))
    {
        RecordLastError();
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::OpenRequest no completion state [%s]", GetLastErrorText().GetString());
        return false;
    }
    return true;
}

bool CHttpDownloaderBase::SetConnectionParameters(DWORD disableFeatures)
{
    if (!m_hConnection || !m_hRequest || !m_pCompletion)
        return false;
    if (m_dwTimeout != 0)
    {
        const int t = static_cast<int>(m_dwTimeout);
        // The name resolution too: unlimited, a resolver that never answers would hold the
        // request for ever.
        if (!::WinHttpSetTimeouts(m_hRequest.Get(), t, t, t, t))
            Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::SetConnectionParameters WinHttpSetTimeouts failed [%s]",
                  GetLastErrorText().GetString());
        // The receive time-out alone does not bound the wait for the response headers everywhere.
        DWORD value = m_dwTimeout;
        if (!::WinHttpSetOption(m_hRequest.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &value, sizeof(value)))
            Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::SetConnectionParameters WinHttpSetOption failed [%s]",
                  GetLastErrorText().GetString());
    }
    std::vector<std::string> lines;
    m_strAskedEncodings.clear();
    for (const auto& header : m_requestHeaders)
        if (TrimmedLower(header.first) == "accept-encoding")
            m_strAskedEncodings = header.second;
    if (!m_strCookie.empty())
        lines.push_back("Cookie: " + m_strCookie);
    for (const auto& header : m_requestHeaders)
        lines.push_back(header.first + ": " + header.second);
    m_requestHeaders.clear();
    for (const std::string& line : lines)
    {
        if (!::WinHttpAddRequestHeaders(m_hRequest.Get(), Wide(line), static_cast<DWORD>(-1),
                                        WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
        {
            Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::SetConnectionParameters WinHttpAddRequestHeaders failed [%s]",
                  GetLastErrorText().GetString());
            return false;
        }
    }
    if (disableFeatures != 0 &&
        !::WinHttpSetOption(m_hRequest.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &disableFeatures, sizeof(disableFeatures)))
    {
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::SetConnectionParameters WinHttpSetOption failed [%s]",
              GetLastErrorText().GetString());
        return false;
    }
    return true;
}

bool CHttpDownloaderBase::SendRequest(const std::string& body)
{
    const DWORD length = static_cast<DWORD>(body.size());
    LPVOID pBody = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    m_pCompletion->Arm();
    if (!::WinHttpSendRequest(m_hRequest.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, pBody, length, length,
                              reinterpret_cast<DWORD_PTR>(m_pCompletion.get())) ||
        !AwaitCompletion())
    {
        if (m_bStopped)
            return false;
        RecordLastError();
        Trace(TRACE_WARNING, L"CHttpDownloaderBase::SendRequest WinHttpSendRequest error=[%d]", static_cast<int>(m_dwLastError));
        return false;
    }
    return true;
}

bool CHttpDownloaderBase::ReceiveResponse(bool isHead)
{
    bool received = false;
    m_pCompletion->Arm();
    try
    {
        received = ::WinHttpReceiveResponse(m_hRequest.Get(), nullptr) != FALSE && AwaitCompletion();
    }
    catch (const CFileException& e)
    {
        CString message = e.GetErrorMessage().Left(255);
        if (message.IsEmpty())
            message = L"UNKNOWN";
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::ReceiveResponse WinHttpReceiveResponse exception [%s]", message.GetString());
    }
    catch (...)
    {
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::ReceiveResponse WinHttpReceiveResponse UNKNOWN exception");
    }
    if (!received)
    {
        if (m_bStopped)
            return false;
        RecordLastError();
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::ReceiveResponse WinHttpReceiveResponse failed [%s]",
              GetLastErrorText().GetString());
        return false;
    }
    m_dwStatusCode = GetHttpHeaderNumeric(m_hRequest.Get(), WINHTTP_QUERY_STATUS_CODE);
    m_strStatusText = GetHttpHeaderText(m_hRequest.Get(), WINHTTP_QUERY_STATUS_TEXT);
    if (!isHead && (m_dwStatusCode < 200 || m_dwStatusCode > 299))
    {
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::ReceiveResponse HTTP Status code is NOT OK [%d]",
              static_cast<int>(m_dwStatusCode));
        return false;
    }
    m_contentLength = GetHttpHeaderNumeric64(m_hRequest.Get(), WINHTTP_QUERY_CONTENT_LENGTH, &m_bHasContentLength);
    m_strContentType = Narrow(GetHttpHeaderText(m_hRequest.Get(), WINHTTP_QUERY_CONTENT_TYPE));
    return ExtractResponseHeaders();
}

bool CHttpDownloaderBase::ExtractResponseHeaders()
{
    m_responseHeaders.clear();
    DWORD size = 0;
    if (::WinHttpQueryHeaders(m_hRequest.Get(), WINHTTP_QUERY_RAW_HEADERS, WINHTTP_HEADER_NAME_BY_INDEX,
                              WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    {
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::ExtractResponseHeaders WinHttpQueryHeaders failed [%s]",
              GetLastErrorText().GetString());
        return false;
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (!::WinHttpQueryHeaders(m_hRequest.Get(), WINHTTP_QUERY_RAW_HEADERS, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(),
                               &size, WINHTTP_NO_HEADER_INDEX))
    {
        RecordLastError();
        Trace(TRACE_VERBOSE, L"CHttpDownloaderBase::ExtractResponseHeaders WinHttpQueryHeaders failed [%s]",
              GetLastErrorText().GetString());
        return false;
    }
    // Zero-terminated lines ending with an empty one; the first is the status line.
    const wchar_t* pLine = buffer.data();
    const wchar_t* pEnd = buffer.data() + buffer.size();
    for (bool first = true; pLine < pEnd && *pLine; pLine += wcslen(pLine) + 1, first = false)
    {
        if (first)
            continue;
        const CString line(pLine);
        const int colon = line.Find(L':');
        if (colon <= 0)
            continue;
        CString name = line.Left(colon);
        CString value = line.Mid(colon + 1);
        name.Trim();
        value.Trim();
        m_responseHeaders[Narrow(name)].push_back(Narrow(value));
    }
    return true;
}

CString CHttpDownloaderBase::TempPath(const wchar_t* pszSuffix) const
{
    return m_strTargetFile.IsEmpty() ? CString() : m_strTargetFile + pszSuffix;
}

bool CHttpDownloaderBase::ReceiveBody(CBodyStore& store, bool bDetailedLog)
{
    m_bytesReceived = 0;
    for (;;)
    {
        // Asynchronous calls report their numbers through the callback only.
        m_pCompletion->Arm();
        if (!::WinHttpQueryDataAvailable(m_hRequest.Get(), nullptr) || !AwaitCompletion())
        {
            if (m_bStopped)
                return false;
            RecordLastError();
            if (bDetailedLog)
                Trace(TRACE_WARNING, L"HttpDownloader::DownloadData WinHttpQueryDataAvailable => error=[%u] - %s",
                      static_cast<unsigned>(m_dwLastError), GetLastErrorText().GetString());
            else
                Trace(TRACE_WARNING, L"HttpDownloader::DownloadData WinHttpQueryDataAvailable error=[%d]",
                      static_cast<int>(m_dwLastError));
            return false;
        }
        const DWORD available = CompletedCount();
        if (available == 0)
            break;
        // Exactly what is there: a read of more waits for the rest on this thread (Wine's does,
        // even on an asynchronous session), where no stop can reach it.
        const DWORD want = available;
        // The buffer belongs to the request's shared state: a read given up on a stop may
        // still fill it.
        char* const pBuffer = ReadBuffer(want);
        if (!pBuffer)
        {
            Trace(TRACE_WARNING, L"HttpDownloader::DownloadData OUT OF MEMORY");
            return false;
        }
        m_pCompletion->Arm();
        const bool bRead = ::WinHttpReadData(m_hRequest.Get(), pBuffer, want, nullptr) && AwaitCompletion();
        const DWORD read = bRead ? CompletedCount() : 0;
        if (!bRead || read == 0)
        {
            if (m_bStopped)
                return false;
            RecordLastError();
            if (bDetailedLog)
                Trace(TRACE_WARNING, L"HttpDownloader::DownloadData WinHttpReadData => error=[%u] - %s",
                      static_cast<unsigned>(m_dwLastError), GetLastErrorText().GetString());
            else
                Trace(TRACE_WARNING, L"HttpDownloader::DownloadData WinHttpReadData");
            return false;
        }
        // Stated or not, the length is the server's word: the limit holds for what arrives.
        if (m_bodyLimit != 0 && read > m_bodyLimit - m_bytesReceived)
        {
            m_dwLastError = ERROR_FILE_TOO_LARGE;
            Trace(TRACE_WARNING, L"HttpDownloader::DownloadData the body goes past the limit of [%I64u] bytes", m_bodyLimit);
            return false;
        }
        if (!store.Append(pBuffer, read))
            return FailedWrite(store.GetWriteError(), bDetailedLog, store.GetPath());
        m_bytesReceived += read;
        if (m_pNotifier)
        {
            DWORD soFar = 0, total = 0;
            FitProgress(m_bytesReceived, m_contentLength, soFar, total);
            m_pNotifier->OnProgress(soFar, total);
        }
    }
    // Wine ends a transfer whose connection dropped early without an error; Windows reports it.
    if (m_bHasContentLength && m_bytesReceived != m_contentLength)
    {
        m_dwLastError = ERROR_WINHTTP_CONNECTION_ERROR;
        Trace(TRACE_WARNING, L"HttpDownloader::DownloadData body of [%I64u] bytes does not match its Content-Length [%I64u]",
              m_bytesReceived, m_contentLength);
        return false;
    }
    return true;
}

bool CHttpDownloaderBase::FailedWrite(DWORD error, bool bDetailedLog, const CString& path)
{
    m_dwLastError = error;
    if (bDetailedLog)
    {
        Trace(TRACE_WARNING, L"HttpDownloader::DownloadData - FAILED write to file => error=[%u] - %s",
              static_cast<unsigned>(error), GetSystemErrorText(error).GetString());
        return false;
    }
    Trace(TRACE_WARNING, L"HttpDownloader::DownloadData write to file");
    Trace(TRACE_VERBOSE, L"HttpDownloader::DownloadData [%s]: %s", path.GetString(), GetSystemErrorText(error).GetString());
    return false;
}

bool CHttpDownloaderBase::CommitBody(CBodyStore& store, bool bDetailedLog)
{
    if (m_bodyCheck)
    {
        store.CloseFile();
        if (!m_bodyCheck(store.GetPath()))
        {
            Trace(TRACE_WARNING, L"HttpDownloader::DownloadData the body check refused [%s]", store.GetPath().GetString());
            return false;
        }
    }
    if (!store.Commit(m_strTargetFile))
        return FailedWrite(::GetLastError(), bDetailedLog, m_strTargetFile);
    return true;
}

bool CHttpDownloaderBase::DownloadData()
{
    m_strResponseBody.clear();
    CBodyStore body;
    if (!body.Open(TempPath(L".download")))
    {
        Trace(TRACE_ERROR, L"CHttpDownloaderBase::DownloadData(), failed to create file [%s]", m_strTargetFile.GetString());
        return false;
    }
    if (!ReceiveBody(body, false))
        return false;
    if (!body.IsFile())
    {
        m_strResponseBody = body.TakeMemory();
        return true;
    }
    return CommitBody(body, false);
}
