// The HTTP client against the test server: requests, headers, encodings, and the transfer rules
// (a cut body, stalls, a failed final write) that must leave no target and no temporary file.
#include "download/HttpDownloader.h"
#include "download/OruHttpDownloader.h"

#include "classlib/File.h"
#include "tests/common/HttpTestServer.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <memory>

#include <string>
#include <vector>

namespace
{
const std::string& Tag()
{
    static const std::string tag = RunTag("client");
    return tag;
}

std::string Url(const std::string& endpoint)
{
    return ServerUrl(Tag(), endpoint);
}

struct CRecordingNotifier : IHttpDownloaderNotifier
{
    void OnProgress(DWORD bytesSoFar, DWORD totalBytes) override { calls.emplace_back(bytesSoFar, totalBytes); }
    std::vector<std::pair<DWORD, DWORD>> calls;
};

class HttpClientTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "http_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        SetTraceLevel(TRACE_VERBOSE); // failed WinHTTP calls and status lines are logged at 60
        ASSERT_FALSE(ServerAddress().empty()) << "run through ctest, which starts the test server";
    }
    CString Target() const { return m_folder + L"target.bin"; }
    // Nothing but the named files in the test's folder (no temporary file left behind).
    void ExpectFolderHolds(std::initializer_list<const wchar_t*> names)
    {
        CStringArray expected;
        for (const wchar_t* name : names)
            expected.Add(name);
        CStringArray actual = ListFiles(m_folder + L"*.*");
        CStringArray files;
        for (const CString& name : actual)
            if (name.Left(3) != L"Log")
                files.Add(name);
        ASSERT_EQ(expected.GetSize(), files.GetSize());
        for (int i = 0; i < expected.GetSize(); ++i)
            EXPECT_EQ(expected[i], files[i]);
    }
};

// How often the text appears in this program's request log.
// Compares bodies without printing kilobytes of text on a mismatch.
::testing::AssertionResult SameBody(const std::string& expected, const std::string& actual)
{
    if (expected == actual)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "body of " << actual.size() << " bytes, expected " << expected.size()
                                         << " bytes beginning " << expected.substr(0, 16);
}

int CountRequests(const char* pszPrefix)
{
    return CountOf(ReadServerLog(Tag()), CString::FromNarrow(pszPrefix));
}
}

TEST(SplitUrl, Table)
{
    struct
    {
        const wchar_t* url;
        const wchar_t* host;
        const wchar_t* path;
        INTERNET_PORT port;
    } cases[] = {
        {L"http://h:8080/a/b.exe", L"h", L"a/b.exe", 8080},
        {L"http://h", L"h", L"", 80},
        {L"http://h/", L"h", L"", 80},
        {L"http://h:70000/x", L"h", L"x", 80},
        {L"http://h:-1/x", L"h", L"x", 80},
        {L"http://h:abc/x", L"h", L"x", 80},
        {L"https://h/x", L"h", L"x", 443},
        {L"HTTPS://h/x", L"h", L"x", 443},
        {L"https://h:8443/x", L"h", L"x", 8443},
        {L"https://h:0/x", L"h", L"x", 443},
        {L"h:81/dir/file?q=1", L"h", L"dir/file?q=1", 81},
        {L"www.example.test", L"www.example.test", L"", 80},
        {L"http:// h : 82 / p ", L"h", L"p", 82},
        {L"ftp://h/x", L"h", L"x", 80},
        {L"", L"", L"", 80},
    };
    for (const auto& c : cases)
    {
        CString host, path;
        INTERNET_PORT port = 0;
        SplitUrl(c.url, host, path, port);
        EXPECT_EQ(CString(c.host), host) << CString(c.url).ToNarrow();
        EXPECT_EQ(CString(c.path), path) << CString(c.url).ToNarrow();
        EXPECT_EQ(c.port, port) << CString(c.url).ToNarrow();
    }
}

TEST_F(HttpClientTest, HeadTakesAnyStatusAndFollowsNoRedirect)
{
    for (const char* code : {"404", "302", "500"})
    {
        CHttpDownloaderBase client("", L"");
        const std::string endpoint = std::string(code) == "302" ? "redirect?code=302&to=/" + Tag() + "/plain?from=head" : std::string("status?code=") + code;
        EXPECT_TRUE(client.Head(Url(endpoint))) << code;
        EXPECT_EQ(static_cast<DWORD>(atoi(code)), client.GetStatusCode());
        EXPECT_TRUE(client.GetResponseBody().empty());
    }
    EXPECT_EQ(0, CountRequests(("GET /" + Tag() + "/plain?from=head").c_str()));
}

TEST_F(HttpClientTest, GetFailsOnAnErrorStatusAndFollowsRedirects)
{
    CHttpDownloader client("", Target());
    EXPECT_FALSE(client.Get(Url("status?code=404"), false));
    EXPECT_EQ(404u, client.GetStatusCode());
    EXPECT_TRUE(Contains(Log(), L"CHttpDownloaderBase::ReceiveResponse HTTP Status code is NOT OK [404]"));
    ExpectFolderHolds({});

    EXPECT_FALSE(client.Get(Url("status?code=500"), false));
    EXPECT_EQ(500u, client.GetStatusCode());

    CHttpDownloader redirected("", L"");
    EXPECT_TRUE(redirected.Get(Url("redirect?code=301&to=/" + Tag() + "/plain"), false));
    EXPECT_EQ(200u, redirected.GetStatusCode());
    EXPECT_TRUE(SameBody(ServerPayload(), redirected.GetResponseBody()));
}

TEST_F(HttpClientTest, ExtraHeadersGoOnceAndTheCookieAlways)
{
    CHttpDownloaderBase client("", L"");
    client.SetRequestHeader("X-Once", "first");
    client.SetRequestHeader("X-Once", "second");
    client.SetRequestHeader("  CooKie ", "session=abc");
    ASSERT_TRUE(client.Get(Url("plain?n=1"), true));
    ASSERT_TRUE(client.Post(Url("plain?n=2"), "posted=1"));
    const CString log = ReadServerLog(Tag());
    const int first = log.Find(CString::FromNarrow("GET /" + Tag() + "/plain?n=1"));
    const int second = log.Find(CString::FromNarrow("POST /" + Tag() + "/plain?n=2"));
    ASSERT_GE(first, 0);
    ASSERT_GT(second, first);
    const CString one = log.Mid(first, second - first);
    const CString two = log.Mid(second, log.Find(L"\n\n", second) - second);
    EXPECT_TRUE(Contains(one, L"X-Once: second"));
    EXPECT_FALSE(Contains(one, L"X-Once: first"));
    EXPECT_TRUE(Contains(one, L"Cookie: session=abc"));
    EXPECT_TRUE(Contains(one, L"Accept-Encoding: deflate, gzip"));
    EXPECT_TRUE(Contains(one, L"User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322;"));
    EXPECT_FALSE(Contains(two, L"X-Once"));
    EXPECT_FALSE(Contains(two, L"Accept-Encoding"));
    EXPECT_TRUE(Contains(two, L"Cookie: session=abc"));
    EXPECT_TRUE(Contains(two, L"Content-Length: 8"));
}

TEST_F(HttpClientTest, ResponseHeadersKeepRepeatedAndEmptyValues)
{
    CHttpDownloaderBase client("", L"");
    ASSERT_TRUE(client.Get(Url("headers"), false));
    const CHttpResponseHeaders& headers = client.GetResponseHeaders();
    ASSERT_EQ(1u, headers.count("X-Repeated"));
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), headers.at("X-Repeated"));
    ASSERT_EQ(1u, headers.count("X-Empty"));
    EXPECT_EQ(std::vector<std::string>{""}, headers.at("X-Empty"));
    EXPECT_EQ("application/octet-stream", client.GetContentType());
    EXPECT_EQ(7u, client.GetContentLength());
    EXPECT_EQ("headers", client.GetResponseBody());
}

// Each encoding into memory and into a file, asked for or not: the decoded body, or the body as
// received when the encoding is not one we undo, or a failure that leaves nothing behind. An
// encoding the request did not ask for is refused whatever it is.
TEST_F(HttpClientTest, EncodingsTable)
{
    const std::string payload = ServerPayload();
    const std::string gzipMagic("\x1f\x8b", 2);
    const wchar_t* const kUnasked = L"was not asked for";
    const wchar_t* const kCorrupt = L"HttpDownloader::Decompression FAILED!";
    struct
    {
        const char* endpoint;
        bool ask;
        const wchar_t* failure;  // the log text of the failure; null when the request succeeds
        const char* expected; // "payload", "" (empty), "gzip" (stored as received) or literal bytes
    } cases[] = {
        {"plain", false, nullptr, "payload"},
        {"plain", true, nullptr, "payload"},
        {"gzip", true, nullptr, "payload"},
        {"zlib", true, nullptr, "payload"},
        {"twoencodings", true, nullptr, "payload"},
        {"chunked", false, nullptr, "payload"},
        {"lowercase", true, nullptr, "gzip"},
        {"combined", true, nullptr, "gzip"},
        {"empty?enc=none", false, nullptr, ""},
        {"empty?enc=gzip", true, nullptr, ""},
        {"empty?enc=deflate", true, nullptr, ""},
        {"gzip", false, kUnasked, nullptr},
        {"zlib", false, kUnasked, nullptr},
        {"lowercase", false, kUnasked, nullptr},
        {"combined", false, kUnasked, nullptr},
        {"empty?enc=gzip", false, kUnasked, nullptr},
        {"br", true, kUnasked, nullptr},
        {"rawdeflate", true, kCorrupt, nullptr},
        {"gziptrail", true, kCorrupt, nullptr},
        {"zlibcut", true, kCorrupt, nullptr},
        {"gzipcut", true, kCorrupt, nullptr},
    };
    for (const auto& c : cases)
    {
        for (bool toFile : {false, true})
        {
            SCOPED_TRACE(std::string(c.endpoint) + (c.ask ? " asked" : " unasked") + (toFile ? " to a file" : " in memory"));
            const int mark = Log().GetLength();
            CHttpDownloader client("", toFile ? Target() : CString());
            const bool ok = client.Get(Url(c.endpoint), c.ask);
            EXPECT_EQ(c.failure == nullptr, ok);
            const std::string body = toFile ? ReadBytes(Target()) : client.GetResponseBody();
            if (c.failure)
            {
                EXPECT_TRUE(Contains(Log().Mid(mark), c.failure)) << Log().Mid(mark).ToNarrow();
                EXPECT_TRUE(client.GetResponseBody().empty());
                ExpectFolderHolds({});
                continue;
            }
            const std::string expected = c.expected;
            if (expected == "payload")
                EXPECT_TRUE(SameBody(payload, body));
            else if (expected == "gzip")
                EXPECT_EQ(gzipMagic, body.substr(0, 2));
            else
                EXPECT_EQ(expected, body);
            if (toFile)
            {
                EXPECT_TRUE(client.GetResponseBody().empty());
                ExpectFolderHolds({L"target.bin"});
                DeleteFileW(Target());
            }
        }
    }
}

TEST(FindUnaskedEncoding, Table)
{
    struct
    {
        std::vector<std::pair<const char*, const char*>> headers;
        const char* asked;
        const char* refused;
    } cases[] = {
        {{}, "", ""},
        {{{"Content-Encoding", "identity"}}, "", ""},
        {{{"Content-Encoding", "gzip"}}, "", "gzip"},
        {{{"content-encoding", "gzip"}}, "", "gzip"},
        {{{"CONTENT-ENCODING", " GZip "}}, "deflate, gzip", ""},
        {{{"Content-Encoding", "gzip"}}, "deflate;q=0.5, gzip;q=1", ""},
        {{{"Content-Encoding", "gzip, br"}}, "deflate, gzip", "gzip, br"},
        {{{"Content-Encoding", "deflate"}, {"content-encoding", "x-gzip"}}, "deflate, gzip", "x-gzip"},
        {{{"Content-Encoding", ", ,"}}, "", ""},
        {{{"X-Content-Encoding", "gzip"}}, "", ""},
    };
    for (const auto& c : cases)
    {
        CHttpResponseHeaders headers;
        for (const auto& h : c.headers)
            headers[h.first].push_back(h.second);
        EXPECT_EQ(std::string(c.refused), CHttpDownloader::FindUnaskedEncoding(headers, c.asked)) << c.asked << " " << c.refused;
    }
}

// A body past the limit ends there, whether the server stated its length or not and whether it
// grows on the wire or in decoding: nothing kept, not even in memory. Bodies up to the limit
// come through, chunked ones too.
TEST_F(HttpClientTest, BodiesStopAtTheLimit)
{
    const ULONGLONG kMiB = 1 << 20;
    const ULONGLONG size = ServerPayload().size();
    const wchar_t* const kDecoded = L"HttpDownloader::Decompression the body decodes past the limit of [";
    const wchar_t* const kWire = L"HttpDownloader::DownloadData the body goes past the limit of [";
    struct
    {
        const char* endpoint;
        bool ask;
        ULONGLONG limit;
        const wchar_t* failure; // null: the body comes through whole
    } cases[] = {
        {"bomb?mib=4", true, kMiB, kDecoded},
        {"bomb?mib=4&chunked=1", true, kMiB, kDecoded},
        {"stream?chunked=1&secs=60", false, kMiB, kWire},
        {"stream?secs=60", false, kMiB, kWire},
        {"plain", false, size - 1, kWire},
        {"chunked", false, size - 1, kWire},
        {"gzip", true, size - 1, kDecoded},
        {"plain", false, size, nullptr},
        {"chunked", false, size, nullptr},
        {"gzip", true, size, nullptr},
        {"bomb?mib=2&chunked=1", true, 2 * kMiB, nullptr},
    };
    for (const auto& c : cases)
    {
        for (bool toFile : {false, true})
        {
            SCOPED_TRACE(std::string(c.endpoint) + " limit " + std::to_string(c.limit) + (toFile ? " to a file" : " in memory"));
            const int mark = Log().GetLength();
            CHttpDownloader client("", toFile ? Target() : CString());
            client.SetBodyLimit(c.limit);
            client.SetTimeout(30000);
            const bool ok = client.Get(Url(c.endpoint), c.ask);
            EXPECT_EQ(c.failure == nullptr, ok);
            if (c.failure)
            {
                EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_TOO_LARGE), client.GetLastErrorCode());
                EXPECT_TRUE(Contains(Log().Mid(mark), c.failure)) << Log().Mid(mark).ToNarrow();
                EXPECT_LE(client.GetBytesReceived(), c.limit);
                EXPECT_TRUE(client.GetResponseBody().empty());
                ExpectFolderHolds({});
                continue;
            }
            const std::string body = toFile ? ReadBytes(Target()) : client.GetResponseBody();
            if (std::string(c.endpoint).compare(0, 4, "bomb") == 0)
                EXPECT_TRUE(SameBody(std::string(static_cast<size_t>(c.limit), '\0'), body));
            else
                EXPECT_TRUE(SameBody(ServerPayload(), body));
            DeleteFileW(Target());
        }
    }
}

// The archive's own limit against a real bomb: a megabyte on the wire that decodes to a GiB and
// a MiB of zeros stops at the GiB, counted past 32 bits without wrapping.
TEST_F(HttpClientTest, AGzipBombStopsAtTheArchiveLimit)
{
    CHttpDownloader client("", Target());
    client.SetBodyLimit(COruHttpDownloader::kDefaultBodyLimit);
    EXPECT_FALSE(client.Get(Url("bomb?mib=1025"), true));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_TOO_LARGE), client.GetLastErrorCode());
    EXPECT_TRUE(Contains(Log(), L"the body decodes past the limit of [1073741824] bytes")) << Log().ToNarrow();
    EXPECT_LT(client.GetBytesReceived(), 2ULL << 20);
    ExpectFolderHolds({});
}

// The plain client stores what came over the wire, encoded or empty, and the target only then.
TEST_F(HttpClientTest, ThePlainClientStoresTheBodyAsReceived)
{
    CHttpDownloaderBase gzip("", Target());
    ASSERT_TRUE(gzip.Get(Url("gzip"), false));
    const std::string stored = ReadBytes(Target());
    EXPECT_EQ(gzip.GetContentLength(), stored.size());
    EXPECT_EQ(std::string("\x1f\x8b", 2), stored.substr(0, 2));
    EXPECT_TRUE(gzip.GetResponseBody().empty());
    ExpectFolderHolds({L"target.bin"});

    CHttpDownloaderBase empty("", Target());
    ASSERT_TRUE(empty.Get(Url("empty?enc=none"), false));
    EXPECT_TRUE(FileExists(Target()));
    EXPECT_EQ(0u, ReadBytes(Target()).size());
    ExpectFolderHolds({L"target.bin"});

    CHttpDownloaderBase memory("", L"");
    ASSERT_TRUE(memory.Get(Url("plain"), false));
    EXPECT_TRUE(SameBody(ServerPayload(), memory.GetResponseBody()));
}

TEST_F(HttpClientTest, ProgressCountsTheBytesOnTheWire)
{
    for (const char* endpoint : {"gzip", "plain", "chunked"})
    {
        SCOPED_TRACE(endpoint);
        CRecordingNotifier notifier;
        CHttpDownloader client("", Target());
        client.SetNotifier(&notifier);
        ASSERT_TRUE(client.Get(Url(endpoint), true));
        ASSERT_FALSE(notifier.calls.empty());
        const DWORD wire = client.GetBytesReceived();
        const DWORD total = std::string(endpoint) == "chunked" ? 0 : wire;
        EXPECT_EQ(std::make_pair(wire, total), notifier.calls.back());
        EXPECT_TRUE(SameBody(ServerPayload(), ReadBytes(Target())));
        if (std::string(endpoint) == "gzip")
            EXPECT_LT(wire, ServerPayload().size());
        DeleteFileW(Target());
    }
}

// A connection that drops before Content-Length bytes arrived fails as Windows reports it,
// with no target file, for both clients.
TEST_F(HttpClientTest, ACutBodyFails)
{
    CHttpDownloader decoding("", Target());
    EXPECT_FALSE(decoding.Get(Url("short"), false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_WINHTTP_CONNECTION_ERROR), decoding.GetLastErrorCode());
    ExpectFolderHolds({});
    CHttpDownloaderBase plain("", Target());
    EXPECT_FALSE(plain.Get(Url("short"), false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_WINHTTP_CONNECTION_ERROR), plain.GetLastErrorCode());
    ExpectFolderHolds({});
    EXPECT_TRUE(Contains(Log(), L"does not match its Content-Length"));
    // Without a target the body is not half kept either.
    CHttpDownloader memory("", L"");
    EXPECT_FALSE(memory.Get(Url("short"), false));
    EXPECT_TRUE(memory.GetResponseBody().empty());
}

TEST_F(HttpClientTest, StallsEndWithTheTimeOut)
{
    for (const char* endpoint : {"stallhead?secs=20", "stallbody?secs=20"})
    {
        SCOPED_TRACE(endpoint);
        CHttpDownloader client("", Target());
        client.SetTimeout(1500);
        const DWORD start = GetTickCount();
        EXPECT_FALSE(client.Get(Url(endpoint), false));
        EXPECT_LT(GetTickCount() - start, 15000u);
        EXPECT_EQ(static_cast<DWORD>(ERROR_WINHTTP_TIMEOUT), client.GetLastErrorCode());
        ExpectFolderHolds({});
    }
}

// Each client says so in its own words; the held target stays as it was.
TEST_F(HttpClientTest, AFailedFinalWriteFails)
{
    for (const char* endpoint : {"plain", "gzip"})
    {
        for (bool decoding : {true, false})
        {
            SCOPED_TRACE(std::string(endpoint) + (decoding ? " decoding" : " plain"));
            const int mark = Log().GetLength();
            CFile held;
            ASSERT_TRUE(held.Open(Target(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive));
            std::unique_ptr<CHttpDownloaderBase> client(decoding ? new CHttpDownloader("", Target())
                                                                 : new CHttpDownloaderBase("", Target()));
            EXPECT_FALSE(client->Get(Url(endpoint), true));
            EXPECT_NE(0u, client->GetLastErrorCode());
            if (decoding)
                EXPECT_TRUE(Contains(Log().Mid(mark), L"HttpDownloader::DownloadData - FAILED write to file => error=["));
            else
                EXPECT_TRUE(Contains(Log().Mid(mark), L"HttpDownloader::DownloadData write to file\r\n")) << Log().Mid(mark).ToNarrow();
            held.Close();
            ExpectFolderHolds({L"target.bin"});
            EXPECT_EQ(0u, ReadBytes(Target()).size());
            DeleteFileW(Target());
        }
    }
}

// The body check sees the whole body in its temporary file before the target does; a refusal
// leaves the older target as it was.
TEST_F(HttpClientTest, TheBodyCheckComesBeforeTheTarget)
{
    for (bool decoding : {true, false})
    {
        SCOPED_TRACE(decoding ? "decoding" : "plain");
        ASSERT_TRUE(WriteTextFile(Target(), "older"));
        std::unique_ptr<CHttpDownloaderBase> client(decoding ? new CHttpDownloader("", Target())
                                                             : new CHttpDownloaderBase("", Target()));
        bool answer = false;
        std::vector<std::pair<CString, std::string>> checked;
        client->SetBodyCheck([&](const CString& file) {
            checked.emplace_back(file, ReadBytes(file));
            return answer;
        });
        EXPECT_FALSE(client->Get(Url(decoding ? "gzip" : "plain"), decoding));
        EXPECT_EQ("older", ReadBytes(Target()));
        ExpectFolderHolds({L"target.bin"});
        answer = true;
        EXPECT_TRUE(client->Get(Url(decoding ? "gzip" : "plain"), decoding));
        EXPECT_TRUE(SameBody(ServerPayload(), ReadBytes(Target())));
        ExpectFolderHolds({L"target.bin"});
        ASSERT_EQ(2u, checked.size());
        for (const auto& c : checked)
        {
            EXPECT_EQ(Target() + (decoding ? L".decoded" : L".download"), c.first);
            EXPECT_TRUE(SameBody(ServerPayload(), c.second));
        }
        DeleteFileW(Target());
    }
}

TEST(ParseHeaderNumber, Table)
{
    struct
    {
        const wchar_t* text;
        bool ok;
        ULONGLONG value;
    } cases[] = {
        {L"0", true, 0},
        {L"7", true, 7},
        {L" 4294967295 ", true, 4294967295ULL},
        {L"4294967296", true, 4294967296ULL},
        {L"5000000000", true, 5000000000ULL},
        {L"18446744073709551615", true, 18446744073709551615ULL},
        {L"18446744073709551616", false, 0},
        {L"", false, 0},
        {L"  ", false, 0},
        {L"-1", false, 0},
        {L"+5", false, 0},
        {L"5, 5", false, 0},
        {L"12abc", false, 0},
        {L"0x10", false, 0},
    };
    for (const auto& c : cases)
    {
        ULONGLONG value = 12345;
        EXPECT_EQ(c.ok, ParseHeaderNumber(c.text, value)) << CString(c.text).ToNarrow();
        EXPECT_EQ(c.ok ? c.value : 12345ULL, value) << CString(c.text).ToNarrow();
    }
}

TEST(FitProgress, KeepsTheShareDonePast32Bits)
{
    struct
    {
        ULONGLONG soFar, total;
        DWORD fitSoFar, fitTotal;
    } cases[] = {
        {0, 0, 0, 0},
        {100, 0, 100, 0},
        {4294967295ULL, 4294967295ULL, 4294967295UL, 4294967295UL},
        {1ULL << 32, 1ULL << 33, 1UL << 30, 1UL << 31},
        {3ULL << 31, 3ULL << 32, 3UL << 29, 3UL << 30},
        {5000000000ULL, 0, 2500000000UL, 0},
    };
    for (const auto& c : cases)
    {
        DWORD soFar = 1, total = 1;
        FitProgress(c.soFar, c.total, soFar, total);
        EXPECT_EQ(c.fitSoFar, soFar) << c.soFar << "/" << c.total;
        EXPECT_EQ(c.fitTotal, total) << c.soFar << "/" << c.total;
    }
}

// A stated length past 4 GiB is checked in full: the server that sends only the part below it
// has dropped the connection.
TEST_F(HttpClientTest, ALengthPast4GiBIsCheckedInFull)
{
    for (bool decoding : {true, false})
    {
        SCOPED_TRACE(decoding ? "decoding" : "plain");
        std::unique_ptr<CHttpDownloaderBase> client(decoding ? new CHttpDownloader("", Target())
                                                             : new CHttpDownloaderBase("", Target()));
        client->SetTimeout(30000);
        EXPECT_FALSE(client->Get(Url("past4g"), false));
        EXPECT_EQ(static_cast<DWORD>(ERROR_WINHTTP_CONNECTION_ERROR), client->GetLastErrorCode());
        EXPECT_EQ((1ULL << 32) + ServerPayload().size(), client->GetContentLength());
        ExpectFolderHolds({});
    }
}

// The secure flag belongs to each request: a plain request after an https one is plain.
TEST_F(HttpClientTest, EachRequestIsSecureByItsOwnUrl)
{
    CHttpDownloader client("", L"");
    client.SetTimeout(5000);
    const std::string plain = Url("plain");
    std::string secure = plain;
    secure.replace(0, 4, "HTTPS");
    EXPECT_FALSE(client.Get(secure, false)); // the server speaks no TLS
    EXPECT_TRUE(client.IsSecure());
    EXPECT_TRUE(client.Get(plain, false));
    EXPECT_FALSE(client.IsSecure());
    EXPECT_TRUE(SameBody(ServerPayload(), client.GetResponseBody()));
}

TEST_F(HttpClientTest, UnreachableHostsFailWithAWinHttpError)
{
    CHttpDownloader client("", Target());
    client.SetTimeout(5000);
    EXPECT_FALSE(client.Get("http://127.0.0.1:1/x", false));
    EXPECT_GT(client.GetLastErrorCode(), 12000u);
    EXPECT_FALSE(client.Get("http:///nohost", false));
    ExpectFolderHolds({});
}
