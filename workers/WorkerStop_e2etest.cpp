// Stopping a worker in the middle of a wait that lasts (120 s) longer than anyone would wait for
// a cancel: the Internet check against sites that accept and never answer, a download stalled
// in its body, one streaming as fast as it can, ocsetup.exe that does not end, the USB copy
// waiting for room, and the restart copy of a large tree. Each row stops the worker while the
// server, the stand-in or the wait still holds, then reads back that the thread has ended, that
// nothing half written stays, and the log line of the stop. The time each Stop took is printed.
#include "workers/CheckDisabledDotNetFromThread.h"
#include "workers/CheckInternet.h"
#include "workers/CheckInternetConnectionFromThread.h"
#include "workers/CopyFoldersFromThread.h"
#include "workers/CopyUSBInstallationFromThread.h"
#include "workers/DownloadInstallerFromThread.h"
#include "workers/WorkerStrings.h"

#include "classlib/Handles.h"
#include "download/OruHttpDownloader.h"
#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "support/PathUtil.h"
#include "support/ProxySettings.h"
#include "tests/common/HttpTestServer.h"
#include "tests/common/RecordingWindow.h"
#include "tests/common/TestEvent.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace
{
const DWORD kUnderWayMs = 30000;
const int kTreeFolders = 20;
const int kTreeFilesPerFolder = 50;

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kUnderWayMs)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20))
        if (done())
            return true;
    return done();
}

// One worker stopped mid-wait.
struct CStopRow
{
    const char* pszName;
    // Starts the worker; true once it is inside the wait the row is about.
    std::function<bool()> start;
    std::function<void()> stop;
    std::function<bool()> isLive;
    // Whatever the worker waited for is still going on (asked after the stop).
    std::function<bool()> stillHolds;
    // Paths that must not exist after the stop.
    std::vector<CString> leftovers;
    const wchar_t* pszStoppedLine;
};

// Ids of our own child processes of that name: the stand-ins a row leaves running.
std::vector<DWORD> ChildProcesses(const wchar_t* pszName)
{
    std::vector<DWORD> ids;
    CScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = { sizeof(entry) };
    if (snapshot && Process32FirstW(snapshot.Get(), &entry))
        do
        {
            if (entry.th32ParentProcessID == GetCurrentProcessId() && _wcsicmp(entry.szExeFile, pszName) == 0)
                ids.push_back(entry.th32ProcessID);
        } while (Process32NextW(snapshot.Get(), &entry));
    return ids;
}

void EndProcess(DWORD id)
{
    CScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process)
        return;
    TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), 10000);
}

class CAlwaysYesDotNetSeam : public IDotNetFrameworkSeam
{
public:
    INT_PTR ShowDotNetDisabledPage(HWND, BOOL) override { return IDOK; }
    bool IsDotNetFrameworkDisabled() override
    {
        ++m_checks;
        return true;
    }
    std::atomic<int> m_checks{ 0 };
};

class CNoRoomListener : public IUSBInstallerListener
{
public:
    void OnNotEnoughSpace(int) override { m_noRoom.Set(); }
    void OnCopyStart(DWORD, DWORD) override {}
    void OnCopyFile(const wchar_t*, const wchar_t*, DWORD, DWORD) override {}
    void OnDeleteFile(const wchar_t*, DWORD, DWORD) override {}
    void OnUSBInstallationFinished(bool) override { m_finished.Set(); }
    CTestEvent m_noRoom, m_finished;
};

bool NoRoom(const wchar_t*, ULONGLONG& rFreeBytes)
{
    rFreeBytes = 0;
    return true;
}

CString UsbPortableName(const wchar_t* pszGeneration)
{
    return CString(L"Vantolin_") + pszGeneration + L"_portable";
}

bool IsEmptyFolder(const CString& folder)
{
    DWORD count = 0;
    ULONGLONG bytes = 0;
    return CountFilesRec(RemoveTrailingBackslashes(folder), count, bytes) && count == 0;
}

class WorkerStopTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "workerstop_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        m_system = system;
    }
    void TearDown() override
    {
        for (DWORD id : ChildProcesses(L"ocsetup.exe"))
            EndProcess(id);
        DeleteFileW(m_system + L"\\ocsetup.ini");
        DeleteFileW(m_system + L"\\ocsetup.exe");
        GetProxySettings().Set(0, L"");
        CTracedTest::TearDown();
    }
    void MakeTree(const CString& root)
    {
        const std::string bytes(2048, 't');
        for (int folder = 0; folder < kTreeFolders; ++folder)
        {
            const CString sub = FormatString(L"%sd%02d\\", root.GetString(), folder);
            ASSERT_TRUE(CreateFolderTree(sub, nullptr));
            for (int file = 0; file < kTreeFilesPerFolder; ++file)
                ASSERT_TRUE(WriteTextFile(FormatString(L"%sf%03d.bin", sub.GetString(), file), bytes));
        }
    }
    CString m_system;
};
}

TEST_F(WorkerStopTest, StopEndsEveryWaitAtOnce)
{
    // The server logs "ENDED" when a stall's or a stream's time is up, not when the client goes.
    const std::string stallTag = RunTag("workerstop_stall"), streamTag = RunTag("workerstop_stream");
    auto serverStillWaits = [](const std::string& tag) { return !Contains(ReadServerLog(tag), L"ENDED"); };

    // Four sites that accept and never answer, through the stored proxy.
    const std::string proxyTag = RunTag("workerstop_inet");
    CCheckInternet checker;
    CCheckInternetConnectionFromThread internetCheck(&checker, nullptr);

    // Downloads through the setup's downloader, as step 10 runs them.
    COruHttpDownloader downloader;
    CDownloadInstallerFromThread stalled(&downloader, nullptr), streaming(&downloader, nullptr);
    const CString stalledTarget = m_folder + L"stalled\\VantolinSetupArchive.exe";
    const CString streamingTarget = m_folder + L"streaming\\VantolinSetupArchive.exe";
    auto startDownload = [&](CDownloadInstallerFromThread& worker, const std::string& tag, const char* pszEndpoint,
                             const CString& target, DWORD minBytes) {
        GetProxySettings().Set(0, L""); // the check's hanging proxy is not for the downloads
        CreateFolderTree(GetFolderOfPath(target), nullptr);
        CStringArray urls, targets;
        urls.Add(CString::FromNarrow(ServerUrl(tag, pszEndpoint)));
        targets.Add(target);
        if (worker.Download(urls, targets, { 0 }, false, nullptr) != 1)
            return false;
        return WaitUntil([&] {
            DWORD bytes = 0, total = 0;
            downloader.GetProgress(bytes, total);
            return bytes >= minBytes && PathExists(target + L".download");
        });
    };

    // ocsetup.exe that takes two minutes.
    CAlwaysYesDotNetSeam seam;
    CCheckDisabledDotNetFromThread dotNet(nullptr, &seam);
    const CString ocsetupRecord = m_folder + L"ocsetup.txt";

    // A USB drive without room.
    CNoRoomListener usbListener;
    CCopyUSBInstallationFromThread usbCopy(&usbListener, &UsbPortableName);
    usbCopy.SetFreeSpaceQuery(&NoRoom);
    const CString setup = m_folder + L"setup\\", drive = m_folder + L"drive\\";

    // The restart copy of a tree of 1000 files onto a page that this thread stops answering.
    CRecordingWindow page;
    CCopyFoldersFromThread folderCopy(page.Get());
    const CString treeSource = m_folder + L"tree\\", treeTarget = m_folder + L"restart\\";

    const std::vector<CStopRow> rows = {
        { "Internet check, four sites that never answer",
          [&] {
              GetProxySettings().Set(2, CString::FromNarrow(NewProxy(proxyTag, "*=hang120")));
              return internetCheck.Check(5000) == 1 &&
                     WaitUntil([&] { return !HeadTargets(ReadServerLog(proxyTag)).empty(); });
          },
          [&] { internetCheck.Stop(); }, [&] { return internetCheck.IsThreadLive(); },
          [&] {
              const CString log = ReadServerLog(proxyTag);
              // The first site still hangs and no second one was asked.
              return !Contains(log, L"ENDED") && HeadTargets(log).size() == 1;
          },
          {}, L"CCheckInternetConnectionFromThread::run stopped" },
        { "archive download stalled in its body",
          [&] { return startDownload(stalled, stallTag, "stallbody?secs=120", stalledTarget, 1); },
          [&] { stalled.Stop(); }, [&] { return stalled.IsThreadLive(); }, [&] { return serverStillWaits(stallTag); },
          { stalledTarget, stalledTarget + L".download" }, L"COruHttpDownloader::Download stopped" },
        { "download streaming at full speed",
          [&] { return startDownload(streaming, streamTag, "stream?secs=120", streamingTarget, 4 << 20); },
          [&] { streaming.Stop(); }, [&] { return streaming.IsThreadLive(); },
          [&] { return serverStillWaits(streamTag); },
          { streamingTarget, streamingTarget + L".download" }, L"COruHttpDownloader::Download stopped" },
        { "ocsetup.exe that does not end",
          [&] {
              if (!CopyFileW(L"D:\\fixtures\\standins\\ocsetup.exe", m_system + L"\\ocsetup.exe", FALSE) ||
                  !WriteTextFile(m_system + L"\\ocsetup.ini",
                                 "[StandIn]\r\nExitCode=0\r\nDelayMs=120000\r\nRecord=" + ocsetupRecord.ToNarrow() + "\r\n"))
                  return false;
              return dotNet.Check(nullptr) == 1 && WaitUntil([&] { return PathExists(ocsetupRecord); });
          },
          [&] { dotNet.Stop(); }, [&] { return dotNet.IsThreadLive(); },
          [&] { return ChildProcesses(L"ocsetup.exe").size() == 1 && seam.m_checks == 0; }, {},
          L"CCheckDisabledDotNetFromThread::run stopped, ocsetup.exe is left to finish by itself" },
        { "USB copy waiting for room",
          [&] {
              if (!CreateFolderTree(setup + L"usb\\", nullptr) || !CreateFolderTree(setup + L"msi\\", nullptr) ||
                  !WriteTextFile(setup + L"usb\\StartVantolin.exe", "launcher") ||
                  !WriteTextFile(setup + L"msi\\Vantolin.exe", std::string(4096, 'v')) ||
                  !CreateFolderTree(drive, nullptr))
                  return false;
              return usbCopy.CopyUSBInstallation(setup, drive, drive, L"", L"B") == 1 && usbListener.m_noRoom.Wait();
          },
          [&] { usbCopy.Stop(); }, [&] { return usbCopy.IsThreadLive(); },
          [&] {
              bool succeeded = true;
              return usbCopy.IsFinished(succeeded) && !succeeded;
          },
          {}, L"CCopyUSBInstallationFromThread::run stopped" },
        { "restart copy of a large tree",
          [&] {
              MakeTree(treeSource);
              CStringArray sources, targets;
              sources.Add(treeSource);
              targets.Add(treeTarget);
              // The page answers until 20 files are under way, then this thread stops pumping
              // and the worker waits at its next file for the page (as it does for a busy UI thread).
              return folderCopy.Copy(sources, targets) == 1 &&
                     CRecordingWindow::PumpUntil([&] { return page.Texts(IDC_PROGRESS_EXTRA_TEXT).size() >= 20; },
                                                 kUnderWayMs) &&
                     !folderCopy.IsFinished();
          },
          [&] { folderCopy.Stop(); }, [&] { return folderCopy.IsThreadLive(); },
          [&] {
              bool succeeded = true;
              return folderCopy.IsFinished(succeeded) && !succeeded &&
                     page.Texts(IDC_PROGRESS_EXTRA_TEXT).size() < size_t(kTreeFolders * kTreeFilesPerFolder);
          },
          {}, L"CCopyFoldersFromThread::run stopped, the files copied so far are removed" },
    };

    for (const CStopRow& row : rows)
    {
        SCOPED_TRACE(row.pszName);
        ASSERT_TRUE(row.start()) << "the worker never reached its wait";
        const DWORD before = GetTickCount();
        row.stop();
        const DWORD took = GetTickCount() - before;
        std::printf("[stop table] %-46s Stop took %lu ms\n", row.pszName, static_cast<unsigned long>(took));
        std::fflush(stdout);
        EXPECT_FALSE(row.isLive());
        EXPECT_TRUE(row.stillHolds()) << "the wait ended by itself before the stop";
        for (const CString& path : row.leftovers)
            EXPECT_FALSE(PathExists(path)) << path.ToNarrow(CP_UTF8);
        EXPECT_TRUE(Contains(Log(), row.pszStoppedLine)) << CString(row.pszStoppedLine).ToNarrow(CP_UTF8);
    }
    // Nothing of the copies stays: the drive got nothing, the restart folder is empty again.
    EXPECT_TRUE(IsEmptyFolder(drive));
    EXPECT_TRUE(IsEmptyFolder(treeTarget));
    EXPECT_FALSE(Contains(Log(), L"HttpDownloader::DownloadData"));
}
