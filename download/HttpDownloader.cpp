#include "HttpDownloader.h"
#include "BodyStore.h"

#include "support/SysUtil.h"
#include "support/TraceLog.h"

#include <boost/iostreams/categories.hpp>
#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filter/zlib.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <algorithm>
#include <ios>
#include <vector>

namespace io = boost::iostreams;

namespace
{
const std::streamsize kBlockSize = 4096;

// Boost.Iostreams ends of a body store: the raw body is read from it, the decoded one written.
class CStoreSource
{
public:
    typedef char char_type;
    typedef io::source_tag category;
    explicit CStoreSource(CBodyStore& store) : m_pStore(&store) {}
    std::streamsize read(char* s, std::streamsize n)
    {
        const UINT got = m_pStore->Read(s, static_cast<UINT>(n));
        return got == 0 ? -1 : static_cast<std::streamsize>(got);
    }

private:
    CBodyStore* m_pStore;
};

// Thrown by the sink when the decoded body would grow past the limit.
struct CBodyLimitReached
{
};

class CStoreSink
{
public:
    typedef char char_type;
    typedef io::sink_tag category;
    CStoreSink(CBodyStore& store, ULONGLONG limit) : m_pStore(&store), m_limit(limit) {}
    std::streamsize write(const char* s, std::streamsize n)
    {
        if (m_limit != 0 && static_cast<ULONGLONG>(n) > m_limit - m_pStore->GetSize())
            throw CBodyLimitReached();
        if (!m_pStore->Append(s, static_cast<DWORD>(n)))
            throw std::ios_base::failure("write");
        return n;
    }

private:
    CBodyStore* m_pStore;
    ULONGLONG m_limit;
};

// The encoding names of a header value or of an Accept-Encoding text, lower case, without
// their weights (";q=...").
std::vector<std::string> EncodingNames(const std::string& list)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= list.size())
    {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        std::string name = list.substr(start, end - start);
        name = name.substr(0, name.find(';'));
        const size_t first = name.find_first_not_of(" \t");
        if (first != std::string::npos)
        {
            name = name.substr(first, name.find_last_not_of(" \t") - first + 1);
            for (char& c : name)
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
            names.push_back(name);
        }
        start = end + 1;
    }
    return names;
}

bool SameNameNoCase(const std::string& a, const char* b)
{
    return lstrcmpiA(a.c_str(), b) == 0;
}

template <typename Source>
void DecodeFrom(CHttpDownloader::EncodingKind kind, const Source& source, CBodyStore& decoded, ULONGLONG limit)
{
    io::filtering_istream in;
    if (kind == CHttpDownloader::encodingGzip)
        in.push(io::gzip_decompressor(io::zlib::default_window_bits, kBlockSize), kBlockSize);
    else
        in.push(io::zlib_decompressor(io::zlib::default_window_bits, kBlockSize), kBlockSize);
    in.push(source, kBlockSize);
    in.exceptions(std::ios_base::badbit);
    CStoreSink sink(decoded, limit);
    char block[kBlockSize];
    while (in.read(block, kBlockSize) || in.gcount() > 0)
        sink.write(block, in.gcount());
    // A zlib stream cut short decodes without complaint; only its end marker proves it whole
    // (asked before the chain closes the filter, which forgets it).
    if (kind == CHttpDownloader::encodingDeflate && !in.template component<io::zlib_decompressor>(0)->eof())
        throw std::ios_base::failure("truncated");
}
}

CHttpDownloader::~CHttpDownloader()
{
    // The session goes first and unchecked: nothing of this object is used any more.
    m_hSession.Close();
}

CHttpDownloader::EncodingKind CHttpDownloader::GetEncodingKind(const CHttpResponseHeaders& headers)
{
    EncodingKind kind = encodingNone;
    const auto found = headers.find("Content-Encoding");
    if (found == headers.end())
        return kind;
    for (const std::string& value : found->second)
    {
        if (value == "deflate")
            kind = encodingDeflate;
        else if (value == "gzip")
            kind = encodingGzip;
    }
    return kind;
}

std::string CHttpDownloader::FindUnaskedEncoding(const CHttpResponseHeaders& headers, const std::string& asked)
{
    const std::vector<std::string> accepted = EncodingNames(asked);
    for (const auto& header : headers)
    {
        // Any spelling of the name: one we would not decode is still not the body we asked for.
        if (!SameNameNoCase(header.first, "Content-Encoding"))
            continue;
        for (const std::string& value : header.second)
            for (const std::string& name : EncodingNames(value))
                if (name != "identity" && std::find(accepted.begin(), accepted.end(), name) == accepted.end())
                    return value;
    }
    return std::string();
}

bool CHttpDownloader::FailedWrite(DWORD error)
{
    return CHttpDownloaderBase::FailedWrite(error, true, m_strTargetFile);
}

bool CHttpDownloader::Decode(EncodingKind kind, CBodyStore& raw, CBodyStore& decoded)
{
    try
    {
        if (raw.IsFile())
        {
            if (!raw.OpenForReading())
                throw std::ios_base::failure("reopen");
            DecodeFrom(kind, CStoreSource(raw), decoded, m_bodyLimit);
        }
        else
            DecodeFrom(kind, io::array_source(raw.Memory().data(), raw.Memory().size()), decoded, m_bodyLimit);
        return true;
    }
    catch (const CBodyLimitReached&)
    {
        m_dwLastError = ERROR_FILE_TOO_LARGE;
        Trace(TRACE_WARNING, L"HttpDownloader::Decompression the body decodes past the limit of [%I64u] bytes", m_bodyLimit);
        return false;
    }
    catch (...)
    {
    }
    if (decoded.GetWriteError() != 0)
        return FailedWrite(decoded.GetWriteError());
    Trace(TRACE_WARNING, L"HttpDownloader::Decompression FAILED!");
    return false;
}

bool CHttpDownloader::DownloadData()
{
    m_strResponseBody.clear();
    // A body encoded unasked is not decoded blindly: no limit we did not choose, no decoder we
    // did not mean to run.
    const std::string unasked = FindUnaskedEncoding(m_responseHeaders, GetAskedEncodings());
    if (!unasked.empty())
    {
        m_dwLastError = ERROR_INVALID_DATA;
        Trace(TRACE_WARNING, L"HttpDownloader::DownloadData Content-Encoding [%S] was not asked for", unasked.c_str());
        return false;
    }
    const EncodingKind kind = GetEncodingKind(m_responseHeaders);
    CBodyStore raw;
    if (!raw.Open(TempPath(L".download")))
    {
        return FailedWrite(::GetLastError());
    }
    if (!ReceiveBody(raw, true))
        return false;

    // An empty body is an empty result: the decoders refuse empty input.
    CBodyStore decoded;
    CBodyStore* pResult = &raw;
    if (kind != encodingNone && raw.GetSize() != 0)
    {
        if (!decoded.Open(TempPath(L".decoded")))
        {
            return FailedWrite(::GetLastError());
        }
        if (!Decode(kind, raw, decoded))
            return false;
        pResult = &decoded;
    }
    if (!pResult->IsFile())
    {
        m_strResponseBody = pResult->TakeMemory();
        return true;
    }
    return CommitBody(*pResult, true);
}
