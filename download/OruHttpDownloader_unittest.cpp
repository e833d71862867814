// The setup downloader against the test server. This program is signed with the test
// certificate "a", so signed_same.exe is signed by the running program's signer.
#include "download/OruHttpDownloader.h"

#include "classlib/File.h"
#include "classlib/Handles.h"
#include "support/ProxySettings.h"
#include "tests/common/HttpTestServer.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace
{
const std::string& Tag()
{
    static const std::string tag = RunTag("oru");
    return tag;
}

CString Url(const std::string& endpoint)
{
    return CString::FromNarrow(ServerUrl(Tag(), endpoint));
}

struct CBox
{
    CString caption;
    CString text;
};

DWORD WINAPI RunFunction(void* pParam)
{
    (*static_cast<std::function<void()>*>(pParam))();
    return 0;
}

// Runs the call on another thread, as the download worker does, and answers every message box
// it shows with OK; gives the boxes in order.
std::vector<CBox> RunAnsweringBoxes(std::function<void()> call)
{
    std::vector<CBox> boxes;
    CScopedHandle thread(CreateThread(nullptr, 0, RunFunction, &call, 0, nullptr));
    EXPECT_TRUE(thread.IsValid());
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(thread.Get(), 0) == WAIT_TIMEOUT && GetTickCount() - start < 120000)
    {
        HWND hBox = WaitForProcessDialog(GetCurrentProcessId(), 200);
        if (!hBox)
            continue;
        CBox box;
        wchar_t caption[256] = {};
        GetWindowTextW(hBox, caption, 256);
        box.caption = caption;
        box.text = GetDialogText(hBox);
        boxes.push_back(box);
        PressDialogButton(hBox, IDOK);
        for (DWORD pressed = GetTickCount(); IsWindow(hBox) && GetTickCount() - pressed < 10000;)
            Sleep(20);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 0));
    return boxes;
}

const wchar_t kNoConnectionText[] = L"Setup requires a working Internet connection to proceed. Make sure your computer is "
                                    L"connected to the internet and click \"OK\".\n\nPlease check your proxy and firewall "
                                    L"settings if the problem persists.";

class OruDownloaderTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "oru_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        ASSERT_FALSE(ServerAddress().empty()) << "run through ctest, which starts the test server";
    }
    CString Target() const { return m_folder + L"archive.exe"; }
    static std::pair<DWORD, DWORD> Progress(COruHttpDownloader& d)
    {
        DWORD so = 99, total = 99;
        d.GetProgress(so, total);
        return std::make_pair(so, total);
    }
};

// Counts the signature checks and answers them as told, in place of the real one.
class CVerifyingDownloader : public COruHttpDownloader
{
public:
    bool VerifySignature(const wchar_t* pszFile) override
    {
        ++m_calls;
        m_checked = pszFile;
        return m_answer;
    }
    bool m_answer = true;
    int m_calls = 0;
    CString m_checked;
};
}

TEST_F(OruDownloaderTest, ATargetThatCannotBeReplacedFailsBeforeAnyRequest)
{
    {
        CFile held;
        ASSERT_TRUE(held.Open(Target(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive));
        held.Write("held", 4);
        COruHttpDownloader downloader;
        EXPECT_FALSE(downloader.Download(Url("plain?held=1"), Target(), false, 0));
    }
    EXPECT_TRUE(Contains(Log(), L"COruHttpDownloader::Download failed to delete old file ["));
    EXPECT_FALSE(Contains(ReadServerLog(Tag()), L"held=1"));
    EXPECT_EQ("held", ReadBytes(Target()));
}

TEST_F(OruDownloaderTest, AnErrorStatusFailsQuietly)
{
    COruHttpDownloader downloader;
    std::vector<CBox> boxes = RunAnsweringBoxes([&] { EXPECT_FALSE(downloader.Download(Url("status?code=404"), Target(), false, 5000)); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(FileExists(Target()));
    EXPECT_TRUE(Contains(Log(), L"COruHttpDownloader::Download failed, Get ["));
    EXPECT_TRUE(Contains(Log(), L"error code [0]"));
}

// Whatever makes a download fail, the file it would have replaced stays exactly as it was (its
// bytes and its time) and nothing else is left beside it; only a failure of the connection
// itself asks the user to mend it. A tiny limit stands for the archive's GiB.
TEST_F(OruDownloaderTest, AFailedDownloadKeepsTheOlderFile)
{
    const struct
    {
        const char* endpoint;
        bool verify;
        ULONGLONG limit;
        int boxes;
        const wchar_t* logged;
    } cases[] = {
        {"status?code=404", false, 0, 0, L"error code [0]"},
        {"short", false, 0, 1, L"error code [12030]"},
        {"gzip", false, 0, 0, L"HttpDownloader::DownloadData Content-Encoding [gzip] was not asked for"},
        {"file/signed_other.exe", true, 0, 0, L"COruHttpDownloader::Download signature failed, ["},
        {"file/unsigned.exe", true, 0, 0, L"COruHttpDownloader::Download signature failed, ["},
        {"stream?chunked=1&secs=60", false, 1 << 20, 0, L"the body goes past the limit of [1048576] bytes"},
        {"stream?secs=60", false, 1 << 20, 0, L"the body goes past the limit of [1048576] bytes"},
        {"bomb?mib=4", false, 1 << 20, 0, L"Content-Encoding [gzip] was not asked for"},
    };
    const std::string older = "the older archive, checked in an earlier run";
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.endpoint);
        const int mark = Log().GetLength();
        ASSERT_TRUE(WriteTextFile(Target(), older));
        FILETIME written = {};
        {
            CScopedFileHandle file(CreateFileW(Target(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(GetFileTime(file.Get(), nullptr, nullptr, &written));
        }
        Sleep(20); // so that a rewrite would show in the time
        COruHttpDownloader downloader;
        if (c.limit)
            downloader.SetBodyLimit(c.limit);
        std::vector<CBox> boxes = RunAnsweringBoxes([&] { EXPECT_FALSE(downloader.Download(Url(c.endpoint), Target(), c.verify, 30000)); });
        EXPECT_EQ(c.boxes, static_cast<int>(boxes.size()));
        EXPECT_TRUE(Contains(Log().Mid(mark), c.logged)) << Log().Mid(mark).ToNarrow();
        EXPECT_EQ(older, ReadBytes(Target()));
        FILETIME now = {};
        {
            CScopedFileHandle file(CreateFileW(Target(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(GetFileTime(file.Get(), nullptr, nullptr, &now));
        }
        EXPECT_EQ(0, CompareFileTime(&written, &now));
        const CStringArray files = ListFiles(m_folder + L"archive*");
        ASSERT_EQ(1, files.GetSize());
        EXPECT_EQ(CString(L"archive.exe"), files[0]);
    }
}

TEST_F(OruDownloaderTest, SignaturesOfOurSignerPassAndOthersAreDeleted)
{
    struct
    {
        const char* file;
        bool ok;
    } cases[] = {{"signed_same.exe", true}, {"signed_other.exe", false}, {"unsigned.exe", false}, {"tampered.exe", false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        COruHttpDownloader downloader;
        EXPECT_EQ(c.ok, downloader.Download(Url(std::string("file/") + c.file), Target(), true, 60000));
        EXPECT_EQ(c.ok, FileExists(Target()));
        if (c.ok)
            EXPECT_EQ(ReadBytes(ServerFilesFolder() + CString::FromNarrow(c.file)), ReadBytes(Target()));
        else
            EXPECT_TRUE(Contains(Log(), L"COruHttpDownloader::Download signature failed, ["));
        DeleteFileW(Target());
    }
    // Without the check any file stays.
    COruHttpDownloader downloader;
    EXPECT_TRUE(downloader.Download(Url("file/unsigned.exe"), Target(), false, 0));
    EXPECT_TRUE(FileExists(Target()));
    EXPECT_FALSE(downloader.VerifySignature(m_folder + L"missing.exe"));
    EXPECT_TRUE(Contains(Log(), L"COruHttpDownloader::VerifySignature file not exist ["));
}

// The check goes through the slot and sees the finished body before it becomes the target.
TEST_F(OruDownloaderTest, TheSignatureCheckGoesThroughItsSlot)
{
    CVerifyingDownloader downloader;
    EXPECT_TRUE(downloader.Download(Url("plain"), Target(), true, 0));
    EXPECT_EQ(1, downloader.m_calls);
    EXPECT_EQ(Target() + L".download", downloader.m_checked);
    ASSERT_TRUE(WriteTextFile(Target(), "older"));
    downloader.m_answer = false;
    EXPECT_FALSE(downloader.Download(Url("plain"), Target(), true, 0));
    EXPECT_EQ("older", ReadBytes(Target()));
    EXPECT_TRUE(downloader.Download(Url("plain"), Target(), false, 0));
    EXPECT_EQ(2, downloader.m_calls);
    EXPECT_EQ(ServerPayload(), ReadBytes(Target()));
}

TEST_F(OruDownloaderTest, ProgressOfEachDownload)
{
    COruHttpDownloader downloader;
    EXPECT_EQ(std::make_pair(0ul, 0ul), Progress(downloader));
    ASSERT_TRUE(downloader.Download(Url("plain"), Target(), false, 0));
    const DWORD size = static_cast<DWORD>(ServerPayload().size());
    EXPECT_EQ(std::make_pair(size, size), Progress(downloader));
    EXPECT_EQ(ServerPayload(), ReadBytes(Target()));

    ASSERT_TRUE(downloader.Download(Url("chunked"), Target(), false, 0));
    EXPECT_EQ(std::make_pair(static_cast<DWORD>(ServerPayload().size()), 0ul), Progress(downloader));

    // A retry that receives nothing does not show the numbers of the attempt before it.
    EXPECT_FALSE(downloader.Download(Url("status?code=500"), Target(), false, 0));
    EXPECT_EQ(std::make_pair(0ul, 0ul), Progress(downloader));
}

// The download goes through the proxy that the proxy settings give (the stored text here).
TEST_F(OruDownloaderTest, DownloadsThroughTheConfiguredProxy)
{
    const std::string tag = RunTag("oru_proxy");
    const std::string proxy = NewProxy(tag, "www.downloads.test=ok");
    ASSERT_FALSE(proxy.empty());
    GetProxySettings().Set(2, CString::FromNarrow(proxy));
    COruHttpDownloader downloader;
    const bool ok = downloader.Download(L"http://www.downloads.test/setup/archive.exe?attempt=1", Target(), false, 5000);
    GetProxySettings().Set(0, L"");
    EXPECT_TRUE(ok);
    EXPECT_EQ("proxied", ReadBytes(Target()));
    const CString requests = ReadServerLog(tag);
    EXPECT_TRUE(Contains(requests, L"GET http://www.downloads.test")) << requests.ToNarrow();
    EXPECT_TRUE(Contains(requests, L"/setup/archive.exe?attempt=1")) << requests.ToNarrow();
}
