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

TEST_F(OruDownloaderTest, ATargetThatCannotBeDeletedFailsBeforeAnyRequest)
{
    CFile held;
    ASSERT_TRUE(held.Open(Target(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive));
    COruHttpDownloader downloader;
    EXPECT_FALSE(downloader.Download(Url("plain?held=1"), Target(), false, 0));
    EXPECT_TRUE(Contains(Log(), L"COruHttpDownloader::Download failed to delete old file ["));
    EXPECT_FALSE(Contains(ReadServerLog(Tag()), L"held=1"));
}

TEST_F(OruDownloaderTest, AnErrorStatusFailsQuietlyAndLeavesNoFile)
{
    COruHttpDownloader downloader;
    ASSERT_TRUE(WriteTextFile(Target(), "older download"));
    std::vector<CBox> boxes = RunAnsweringBoxes([&] { EXPECT_FALSE(downloader.Download(Url("status?code=404"), Target(), false, 5000)); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(FileExists(Target()));
    EXPECT_TRUE(Contains(Log(), L"COruHttpDownloader::Download failed, Get ["));
    EXPECT_TRUE(Contains(Log(), L"error code [0]"));
}

// A connection-level failure shows one box per download, captioned with the application title,
// or with the partner's product name in it.
TEST_F(OruDownloaderTest, AFailedConnectionShowsOneBox)
{
    for (const wchar_t* name : {L"", L"Partner Media Suite"})
    {
        COruHttpDownloader downloader(name);
        std::vector<CBox> boxes = RunAnsweringBoxes([&] { EXPECT_FALSE(downloader.Download(L"http://127.0.0.1:1/x", Target(), false, 5000)); });
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(CString(*name ? L"Partner Media Suite Setup" : L"Vantolin Setup"), boxes[0].caption);
        EXPECT_EQ(CString(kNoConnectionText), boxes[0].text);
        EXPECT_FALSE(FileExists(Target()));
    }
}

// A body cut short fails with a dropped connection: one box, and the bytes already written are gone.
TEST_F(OruDownloaderTest, ACutBodyLeavesNoFile)
{
    COruHttpDownloader downloader;
    std::vector<CBox> boxes = RunAnsweringBoxes([&] { EXPECT_FALSE(downloader.Download(Url("short"), Target(), false, 5000)); });
    EXPECT_EQ(1u, boxes.size());
    EXPECT_TRUE(Contains(Log(), L"error code [12030]"));
    EXPECT_EQ(0u, ListFiles(m_folder + L"archive*").GetSize());
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

TEST_F(OruDownloaderTest, TheSignatureCheckGoesThroughItsSlot)
{
    CVerifyingDownloader downloader;
    EXPECT_TRUE(downloader.Download(Url("plain"), Target(), true, 0));
    EXPECT_EQ(1, downloader.m_calls);
    EXPECT_EQ(Target(), downloader.m_checked);
    downloader.m_answer = false;
    EXPECT_FALSE(downloader.Download(Url("plain"), Target(), true, 0));
    EXPECT_FALSE(FileExists(Target()));
    EXPECT_TRUE(downloader.Download(Url("plain"), Target(), false, 0));
    EXPECT_EQ(2, downloader.m_calls);
}

TEST_F(OruDownloaderTest, ProgressOfEachDownload)
{
    COruHttpDownloader downloader;
    EXPECT_EQ(std::make_pair(0ul, 0ul), Progress(downloader));
    ASSERT_TRUE(downloader.Download(Url("gzip"), Target(), false, 0));
    const std::pair<DWORD, DWORD> gzip = Progress(downloader);
    EXPECT_GT(gzip.first, 0u);
    EXPECT_EQ(gzip.first, gzip.second);
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
