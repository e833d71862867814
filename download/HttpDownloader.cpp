#include "HttpDownloader.h"
#include "BodyStore.h"

#include "support/SysUtil.h"
#include "support/TraceLog.h"

#include <boost/iostreams/categories.hpp>
#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filter/zlib.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <ios>

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

class CStoreSink
{
public:
    typedef char char_type;
    typedef io::sink_tag category;
    explicit CStoreSink(CBodyStore& store) : m_pStore(&store) {}
    std::streamsize write(const char* s, std::streamsize n)
    {
        if (!m_pStore->Append(s, static_cast<DWORD>(n)))
            throw std::ios_base::failure("write");
        return n;
    }

private:
    CBodyStore* m_pStore;
};

template <typename Source>
void DecodeFrom(CHttpDownloader::EncodingKind kind, const Source& source, CBodyStore& decoded)
{
    io::filtering_istream in;
    if (kind == CHttpDownloader::encodingGzip)
        in.push(io::gzip_decompressor(io::zlib::default_window_bits, kBlockSize), kBlockSize);
    else
        in.push(io::zlib_decompressor(io::zlib::default_window_bits, kBlockSize), kBlockSize);
    in.push(source, kBlockSize);
    in.exceptions(std::ios_base::badbit);
    CStoreSink sink(decoded);
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

bool CHttpDownloader::FailedWrite(DWORD error)
{
    m_dwLastError = error;
    Trace(TRACE_WARNING, L"HttpDownloader::DownloadData - FAILED write to file => error=[%u] - %s",
          static_cast<unsigned>(error), GetSystemErrorText(error).GetString());
    return false;
}

bool CHttpDownloader::Decode(EncodingKind kind, CBodyStore& raw, CBodyStore& decoded)
{
    try
    {
        if (raw.IsFile())
        {
            if (!raw.OpenForReading())
                throw std::ios_base::failure("reopen");
            DecodeFrom(kind, CStoreSource(raw), decoded);
        }
        else
            DecodeFrom(kind, io::array_source(raw.Memory().data(), raw.Memory().size()), decoded);
        return true;
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
    if (!pResult->Commit(m_strTargetFile))
    {
        return FailedWrite(::GetLastError());
    }
    return true;
}
