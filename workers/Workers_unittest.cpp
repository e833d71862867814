// The four installation workers against a recording page and fakes of what they call.
#include "workers/CheckDisabledDotNetFromThread.h"
#include "workers/CheckInternetConnectionFromThread.h"
#include "workers/CopyFoldersFromThread.h"
#include "workers/DownloadInstallerFromThread.h"
#include "workers/StartProcessFromThread.h"
#include "workers/WindowMessages.h"
#include "workers/WorkerStrings.h"

#include "classlib/Handles.h"
#include "support/PathUtil.h"
#include "support/ThreadObject.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/RecordingWindow.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace
{
const DWORD kWaitMs = 20000;

class CEvent
{
public:
    CEvent() : m_h(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    void Set() { SetEvent(m_h.Get()); }
    bool Wait(DWORD ms = kWaitMs) { return WaitForSingleObject(m_h.Get(), ms) == WAIT_OBJECT_0; }

private:
    CScopedHandle m_h;
};

class CRecordingListener : public IWorkerListener
{
public:
    void OnWorkerFinished(int nResult) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_results.push_back(nResult);
        m_threads.push_back(GetCurrentThreadId());
    }
    std::vector<int> Results()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_results;
    }
    std::vector<DWORD> Threads()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_threads;
    }

private:
    std::mutex m_mutex;
    std::vector<int> m_results;
    std::vector<DWORD> m_threads;
};

struct CDownloadCall
{
    std::wstring url, file;
    bool verify;
    int timeoutMs;
};

class CFakeDownloader : public IHttpDownloader
{
public:
    bool Download(const wchar_t* pszUrl, const wchar_t* pszTargetFile, bool bVerifySignature, int nTimeoutMs, HANDLE) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_calls.push_back({ pszUrl, pszTargetFile, bVerifySignature, nTimeoutMs });
        }
        m_entered.Set();
        if (m_pGate)
            m_pGate->Wait();
        const size_t n = m_calls.size();
        return n > m_answers.size() ? true : m_answers[n - 1];
    }
    bool VerifySignature(const wchar_t*) override { return true; }
    std::vector<CDownloadCall> Calls()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }
    std::vector<bool> m_answers;
    CEvent* m_pGate = nullptr;
    CEvent m_entered;

private:
    std::mutex m_mutex;
    std::vector<CDownloadCall> m_calls;
};

class CFakeChecker : public ICheckInternet
{
public:
    BOOL CheckInternet(int nReserved, DWORD dwTimeoutMs, HANDLE) override
    {
        m_timeout = dwTimeoutMs;
        m_reserved = nReserved;
        return m_answer;
    }
    BOOL m_answer = TRUE;
    std::atomic<DWORD> m_timeout{ 0 };
    std::atomic<int> m_reserved{ -1 };
};

class WorkersTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "workers_"; }
};

template <typename Pred>
bool Pump(Pred done)
{
    return CRecordingWindow::PumpUntil(done, kWaitMs);
}

CStringArray Strings(std::initializer_list<const wchar_t*> items)
{
    CStringArray a;
    for (const wchar_t* item : items)
        a.Add(item);
    return a;
}

void WriteFileOfSize(const CString& path, size_t size)
{
    ASSERT_TRUE(WriteTextFile(path, std::string(size, 'x')));
}
}

// ---- the common protocol -------------------------------------------------------------------

TEST_F(WorkersTest, RefusesAStartWhileRunning)
{
    CEvent gate;
    CFakeDownloader downloader;
    downloader.m_pGate = &gate;
    CDownloadInstallerFromThread worker(&downloader, nullptr);
    ASSERT_EQ(1, worker.Download(Strings({ L"http://a/1" }), Strings({ L"D:\\tests\\x\\1.exe" }), { 0 }, false, nullptr));
    ASSERT_TRUE(downloader.m_entered.Wait());
    EXPECT_EQ(0, worker.Download(Strings({ L"http://a/2" }), Strings({ L"D:\\tests\\x\\2.exe" }), { 0 }, false, nullptr));
    EXPECT_TRUE(Contains(Log(), L"Worker thread is already live in CDownloadInstallerFromThread::Download"));
    int result = -1, runs = -1;
    EXPECT_FALSE(worker.IsFinished(result, runs));
    gate.Set();
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(result, runs); }));
    EXPECT_EQ(1, result);
    EXPECT_EQ(1, runs);
    ASSERT_EQ(1u, downloader.Calls().size()); // the refused start did not disturb the run
    EXPECT_EQ(L"http://a/1", downloader.Calls()[0].url);
}

TEST_F(WorkersTest, StartsAgainRightAfterAFinishedRun)
{
    CFakeChecker checker;
    CRecordingListener listener;
    CCheckInternetConnectionFromThread worker(&checker, &listener);
    for (int i = 0; i < 30; ++i)
    {
        checker.m_answer = i % 2;
        ASSERT_EQ(1, worker.Check(5000)) << "run " << i;
        int result = -1;
        ASSERT_TRUE(Pump([&] { return worker.IsFinished(result); }));
        EXPECT_EQ(i % 2, result);
    }
    EXPECT_FALSE(Contains(Log(), L"already live"));
    EXPECT_EQ(5000u, checker.m_timeout.load());
    EXPECT_EQ(0, checker.m_reserved.load());
    ASSERT_TRUE(Pump([&] { return listener.Results().size() == 30; }));
    // The listener hears each result on the worker's thread.
    for (DWORD id : listener.Threads())
        EXPECT_NE(GetCurrentThreadId(), id);
    EXPECT_EQ(1, listener.Results().back());
}

TEST_F(WorkersTest, ListenerMayStopItsWorker)
{
    // Stopping from the worker's own thread must not wait for that thread's end.
    struct CStoppingListener : IWorkerListener
    {
        void OnWorkerFinished(int) override
        {
            pWorker->Stop();
            bReturned = true;
        }
        CCheckInternetConnectionFromThread* pWorker = nullptr;
        std::atomic<bool> bReturned{ false };
    } listener;
    CFakeChecker checker;
    CCheckInternetConnectionFromThread worker(&checker, &listener);
    listener.pWorker = &worker;
    ASSERT_EQ(1, worker.Check(100));
    ASSERT_TRUE(Pump([&] { return listener.bReturned.load(); }));
    EXPECT_FALSE(worker.Stop());
    EXPECT_FALSE(worker.IsThreadLive());
}

TEST_F(WorkersTest, InternetCheckWithoutChecker)
{
    CCheckInternetConnectionFromThread worker(nullptr, nullptr);
    ASSERT_EQ(1, worker.Check(5000));
    int result = -1;
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(result); }));
    EXPECT_EQ(0, result);
    EXPECT_TRUE(Contains(Log(), L"CCheckInternetConnectionFromThread::run m_pCheckInternet is NULL"));
}

// ---- download ------------------------------------------------------------------------------

TEST_F(WorkersTest, DownloadPostsNamesAndChoosesTimeouts)
{
    CRecordingWindow page(PROGRESSDLG_SET_MESSAGE);
    CFakeDownloader downloader;
    CRecordingListener listener;
    CDownloadInstallerFromThread worker(&downloader, &listener);
    // A named download on a live page: the text and the downloader's own time-outs; no name or
    // an empty string: 60000 ms and nothing posted.
    ASSERT_EQ(1, worker.Download(Strings({ L"http://h/a", L"http://h/b", L"http://h/c" }),
                                 Strings({ L"D:\\tests\\w\\sub\\..\\a.exe", L"D:\\tests\\w\\b.exe", L"D:\\tests\\w\\c.exe" }),
                                 { IDS_WORKER_PLEASE_WAIT, 0, 60123 }, true, page.Get()));
    int result = -1, runs = -1;
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(result, runs); }));
    EXPECT_EQ(1, result);
    const std::vector<CDownloadCall> calls = downloader.Calls();
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ(L"D:\\tests\\w\\a.exe", calls[0].file);
    EXPECT_EQ(0, calls[0].timeoutMs);
    EXPECT_EQ(60000, calls[1].timeoutMs);
    EXPECT_EQ(60000, calls[2].timeoutMs);
    EXPECT_TRUE(calls[0].verify);
    ASSERT_TRUE(Pump([&] { return !page.Messages(PROGRESSDLG_SET_MESSAGE).empty(); }));
    const auto posted = page.Messages(PROGRESSDLG_SET_MESSAGE);
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(1040u, posted[0].wParam);
    EXPECT_EQ(CString(L"Downloading Please wait..."), posted[0].text);
    EXPECT_TRUE(Contains(Log(), L"CDownloadInstallerFromThread::run returned:[OK] url:[http://h/c] file:[D:\\tests\\w\\c.exe]"));
    EXPECT_EQ(std::vector<int>{ 1 }, listener.Results());

    // Without a page the name is not shown and the time-out stays.
    CFakeDownloader second;
    CDownloadInstallerFromThread noPage(&second, nullptr);
    ASSERT_EQ(1, noPage.Download(Strings({ L"http://h/a" }), Strings({ L"D:\\tests\\w\\a.exe" }), { IDS_WORKER_PLEASE_WAIT },
                                 false, nullptr));
    ASSERT_TRUE(Pump([&] { return noPage.IsFinished(result, runs); }));
    EXPECT_EQ(60000, second.Calls()[0].timeoutMs);
}

TEST_F(WorkersTest, DownloadStopsAtTheFirstFailureAndCountsRuns)
{
    CFakeDownloader downloader;
    downloader.m_answers = { true, false, true, true };
    CDownloadInstallerFromThread worker(&downloader, nullptr);
    const CStringArray urls = Strings({ L"http://h/1", L"http://h/2", L"http://h/3" });
    const CStringArray files = Strings({ L"D:\\tests\\w\\1", L"D:\\tests\\w\\2", L"D:\\tests\\w\\3" });
    ASSERT_EQ(1, worker.Download(urls, files, { 0, 0, 0 }, false, nullptr));
    int result = -1, runs = -1;
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(result, runs); }));
    EXPECT_EQ(0, result);
    EXPECT_EQ(1, runs);
    EXPECT_EQ(2u, downloader.Calls().size());
    EXPECT_TRUE(Contains(Log(), L"CDownloadInstallerFromThread::run returned:[FAILED] url:[http://h/2]"));
    // The same worker runs again and counts.
    ASSERT_EQ(1, worker.Download(Strings({ L"http://h/4" }), Strings({ L"D:\\tests\\w\\4" }), { 0 }, false, nullptr));
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(result, runs); }));
    EXPECT_EQ(1, result);
    EXPECT_EQ(2, runs);
}

TEST_F(WorkersTest, DownloadListsEmptyUnequalOrNoDownloader)
{
    CFakeDownloader downloader;
    CRecordingListener listener;
    CDownloadInstallerFromThread worker(&downloader, &listener);
    // Empty: success at once, on the caller's thread, no thread.
    EXPECT_EQ(1, worker.Download(CStringArray(), CStringArray(), {}, false, nullptr));
    int result = -1, runs = -1;
    EXPECT_TRUE(worker.IsFinished(result, runs));
    EXPECT_EQ(1, result);
    EXPECT_EQ(std::vector<DWORD>{ GetCurrentThreadId() }, listener.Threads());
    EXPECT_FALSE(worker.IsThreadLive());

    // Lists of different lengths: refused with an error line, nothing downloaded.
    EXPECT_EQ(0, worker.Download(Strings({ L"http://h/1", L"http://h/2" }), Strings({ L"D:\\tests\\w\\1" }), { 0, 0 }, false, nullptr));
    EXPECT_EQ(0, worker.Download(Strings({ L"http://h/1" }), Strings({ L"D:\\tests\\w\\1" }), { 0, 0 }, false, nullptr));
    EXPECT_TRUE(downloader.Calls().empty());
    EXPECT_TRUE(Contains(Log(), L"CDownloadInstallerFromThread::Download lists of different lengths"));

    CDownloadInstallerFromThread none(nullptr, nullptr);
    ASSERT_EQ(1, none.Download(Strings({ L"http://h/1" }), Strings({ L"D:\\tests\\w\\1" }), { 0 }, false, nullptr));
    ASSERT_TRUE(Pump([&] { return none.IsFinished(result, runs); }));
    EXPECT_EQ(0, result);
    EXPECT_TRUE(Contains(Log(), L"CDownloadInstallerFromThread::run m_pProcessExecuter is NULL"));
}

// ---- folder copy ---------------------------------------------------------------------------

TEST_F(WorkersTest, CopyMovesBytesAndRemovesStaleFiles)
{
    const CString source = m_folder + L"source\\", target = m_folder + L"target\\";
    CreateDirectoryW(source, nullptr);
    CreateDirectoryW(source + L"sub", nullptr);
    CreateDirectoryW(target, nullptr);
    CreateDirectoryW(target + L"oldsub", nullptr);
    WriteFileOfSize(source + L"a.bin", 1000);
    WriteFileOfSize(source + L"sub\\b.bin", 2345);
    WriteFileOfSize(target + L"stale.txt", 10);
    WriteFileOfSize(target + L"oldsub\\stale2.txt", 10);

    CRecordingWindow page;
    CCopyFoldersFromThread worker(page.Get());
    // Relative parts and missing backslashes are normalised.
    ASSERT_EQ(1, worker.Copy(Strings({ m_folder + L"x\\..\\source" }), Strings({ target })));
    bool bSucceeded = false;
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(bSucceeded); }));
    EXPECT_TRUE(bSucceeded);
    EXPECT_EQ(std::string(1000, 'x'), ReadBytes(target + L"a.bin"));
    EXPECT_EQ(std::string(2345, 'x'), ReadBytes(target + L"sub\\b.bin"));
    EXPECT_FALSE(FileExists(target + L"stale.txt"));
    EXPECT_FALSE(FileExists(target + L"oldsub\\stale2.txt"));

    Pump([&] { return page.Messages(PROGRESSDLG_PBM_STEPIT).size() >= 2; });
    const auto range = page.Messages(PROGRESSDLG_PBM_SETRANGE32);
    ASSERT_EQ(1u, range.size());
    EXPECT_EQ(0u, range[0].wParam);
    EXPECT_EQ(3345, range[0].lParam);
    const auto steps = page.Messages(PROGRESSDLG_PBM_SETSTEP);
    const auto stepits = page.Messages(PROGRESSDLG_PBM_STEPIT);
    ASSERT_EQ(2u, steps.size());
    ASSERT_EQ(2u, stepits.size());
    WPARAM sum = 0;
    for (size_t i = 0; i < steps.size(); ++i)
    {
        sum += steps[i].wParam;
        EXPECT_NE(0, steps[i].lParam) << "a step without a time stamp counts as stale";
        EXPECT_NE(0, stepits[i].lParam);
    }
    EXPECT_EQ(3345u, sum);
    EXPECT_EQ((std::vector<CString>{ L"Preparing files for restart", L"Copying necessary files" }),
              page.Texts(IDC_PROGRESS_MAIN_TEXT));
    const auto details = page.Texts(IDC_PROGRESS_EXTRA_TEXT);
    ASSERT_EQ(2u, details.size());
    for (const CString& detail : details)
        EXPECT_TRUE(StartsWithNoCase(detail, target)) << detail.ToNarrow();
}

TEST_F(WorkersTest, CopyLeavesOverlappingFoldersAlone)
{
    const CString outer = m_folder + L"outer\\", inner = outer + L"inner\\";
    CreateDirectoryW(outer, nullptr);
    CreateDirectoryW(inner, nullptr);
    WriteFileOfSize(outer + L"o.txt", 5);
    WriteFileOfSize(inner + L"i.txt", 7);
    const struct
    {
        CString source, target;
        bool succeeded;
    } cases[] = {
        { outer, outer, true },                   // one folder: nothing to do
        { m_folder + L"outer", outer + L".\\", true },
        { outer, inner, false },                  // the target inside the source
        { inner, outer, false },                  // the source inside the target
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.source.ToNarrow() + " -> " + c.target.ToNarrow());
        CCopyFoldersFromThread worker(nullptr);
        ASSERT_EQ(1, worker.Copy(Strings({ c.source }), Strings({ c.target })));
        bool bSucceeded = !c.succeeded;
        ASSERT_TRUE(Pump([&] { return worker.IsFinished(bSucceeded); }));
        EXPECT_EQ(c.succeeded, bSucceeded);
        EXPECT_EQ(std::string(5, 'x'), ReadBytes(outer + L"o.txt"));
        EXPECT_EQ(std::string(7, 'x'), ReadBytes(inner + L"i.txt"));
        EXPECT_FALSE(FileExists(inner + L"inner\\i.txt"));
    }
}

TEST_F(WorkersTest, CopyResultAndShortLists)
{
    const CString source = m_folder + L"source\\", other = m_folder + L"other\\";
    CreateDirectoryW(source, nullptr);
    CreateDirectoryW(other, nullptr);
    WriteFileOfSize(source + L"a.bin", 10);
    WriteFileOfSize(other + L"b.bin", 10);

    // No sources: finished at once without a thread.
    CCopyFoldersFromThread worker(nullptr);
    EXPECT_EQ(1, worker.Copy(CStringArray(), Strings({ m_folder + L"t" })));
    EXPECT_TRUE(worker.IsFinished());
    EXPECT_FALSE(worker.IsThreadLive());

    // A source without a target is counted, not copied.
    CRecordingWindow page;
    CCopyFoldersFromThread counting(page.Get());
    ASSERT_EQ(1, counting.Copy(Strings({ source, other }), Strings({ m_folder + L"t1" })));
    bool bSucceeded = false;
    ASSERT_TRUE(Pump([&] { return counting.IsFinished(bSucceeded); }));
    EXPECT_TRUE(bSucceeded);
    EXPECT_TRUE(FileExists(m_folder + L"t1\\a.bin"));
    Pump([&] { return !page.Messages(PROGRESSDLG_PBM_STEPIT).empty(); });
    ASSERT_EQ(1u, page.Messages(PROGRESSDLG_PBM_SETRANGE32).size());
    EXPECT_EQ(20, page.Messages(PROGRESSDLG_PBM_SETRANGE32)[0].lParam);

    // A source that cannot be read: failure.
    CCopyFoldersFromThread failing(nullptr);
    ASSERT_EQ(1, failing.Copy(Strings({ m_folder + L"missing" }), Strings({ m_folder + L"t2" })));
    bSucceeded = true;
    ASSERT_TRUE(Pump([&] { return failing.IsFinished(bSucceeded); }));
    EXPECT_FALSE(bSucceeded);
}

TEST_F(WorkersTest, StoppingACopyAnswersItsPageMeanwhile)
{
    // The worker sets the page's texts (sent messages) while this thread waits in Stop.
    const CString source = m_folder + L"source\\";
    CreateDirectoryW(source, nullptr);
    for (int i = 0; i < 40; ++i)
        WriteFileOfSize(source + FormatString(L"f%02d.bin", i), 100);
    CRecordingWindow page;
    CCopyFoldersFromThread worker(page.Get());
    ASSERT_EQ(1, worker.Copy(Strings({ source }), Strings({ m_folder + L"target" })));
    EXPECT_FALSE(worker.Stop());
    EXPECT_FALSE(worker.IsThreadLive());
    EXPECT_TRUE(worker.IsFinished());
    EXPECT_TRUE(Contains(Log(), L"CCopyFoldersFromThread::Stop"));
}

// ---- .NET ----------------------------------------------------------------------------------

namespace
{
class CFakeDotNetSeam : public IDotNetFrameworkSeam
{
public:
    INT_PTR ShowDotNetDisabledPage(HWND, BOOL bFirstTime) override
    {
        m_firstTimeFlags.push_back(bFirstTime);
        const size_t n = m_firstTimeFlags.size();
        return n > m_pageAnswers.size() ? IDCANCEL : m_pageAnswers[n - 1];
    }
    bool IsDotNetFrameworkDisabled() override
    {
        ++m_checks;
        return m_checks <= m_disabledChecks;
    }
    std::vector<INT_PTR> m_pageAnswers;
    std::vector<BOOL> m_firstTimeFlags;
    int m_disabledChecks = 0;
    int m_checks = 0;
};

class DotNetTest : public WorkersTest
{
protected:
    const char* FolderPrefix() const override { return "workers_dotnet_"; }
    void SetUp() override
    {
        WorkersTest::SetUp();
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        m_system = system;
        m_record = m_folder + L"ocsetup.txt";
        // The stand-in where a 32-bit program finds the system's ocsetup.exe.
        ASSERT_TRUE(CopyFileW(L"D:\\fixtures\\standins\\ocsetup.exe", m_system + L"\\ocsetup.exe", FALSE));
        ASSERT_TRUE(WriteTextFile(m_system + L"\\ocsetup.ini", "[StandIn]\r\nExitCode=0\r\nRecord=" + m_record.ToNarrow() + "\r\n"));
    }
    void TearDown() override
    {
        DeleteFileW(m_system + L"\\ocsetup.ini");
        DeleteFileW(m_system + L"\\ocsetup.exe");
        WorkersTest::TearDown();
    }
    CString m_system, m_record;
};
}

TEST_F(DotNetTest, AsksAgainUntilTheFrameworkIsOn)
{
    CFakeDotNetSeam seam;
    seam.m_pageAnswers = { IDOK, IDOK };
    seam.m_disabledChecks = 1; // still off after the first ocsetup run
    CRecordingWindow page;
    CRecordingListener listener;
    CCheckDisabledDotNetFromThread worker(&listener, &seam);
    ASSERT_EQ(1, worker.Check(page.Get()));
    int result = -1;
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(result); }));
    EXPECT_EQ(1, result);
    EXPECT_EQ((std::vector<BOOL>{ TRUE, FALSE }), seam.m_firstTimeFlags);
    EXPECT_EQ(2, seam.m_checks);
    EXPECT_EQ(2u, page.Messages(GUIWATCHDOGDLG_PAUSE_PROGRESS).size());
    EXPECT_EQ(2u, page.Messages(GUIWATCHDOGDLG_START_PROGRESS).size());
    EXPECT_EQ((std::vector<CString>{ L"Attempting to turn on .Net Framework", L"Please wait...",
                                     L"Attempting to turn on .Net Framework", L"Please wait..." }),
              page.Texts(IDC_PROGRESS_MAIN_TEXT));
    const CString record = ReadUtf16File(m_record);
    const CString expectedLine = CString(L"CommandLine=\"") + m_system + L"\\ocsetup.exe\" NetFx3 /quiet /norestart\r\n";
    int runs = 0;
    for (int at = record.Find(L"CommandLine="); at >= 0; at = record.Find(L"CommandLine=", at + 1))
        ++runs;
    EXPECT_EQ(2, runs) << record.ToNarrow();
    EXPECT_TRUE(Contains(record, L"NetFx3 /quiet /norestart")) << record.ToNarrow();
    EXPECT_TRUE(Contains(record, (CString(L"Folder=") + m_system + L"\r\n").GetString()) ||
                Contains(record, (CString(L"Folder=") + m_system + L"\\\r\n").GetString()))
        << record.ToNarrow();
    EXPECT_TRUE(Contains(Log(), L"Running ocsetup.exe to enable .Net framework, with params:[NetFx3 /quiet /norestart]"));
    EXPECT_EQ(std::vector<int>{ 1 }, listener.Results());
}

TEST_F(DotNetTest, AnythingButOkDeclines)
{
    for (INT_PTR answer : { static_cast<INT_PTR>(IDCANCEL), static_cast<INT_PTR>(-1), static_cast<INT_PTR>(IDNO) })
    {
        SCOPED_TRACE(testing::Message() << "answer " << answer);
        CFakeDotNetSeam seam;
        seam.m_pageAnswers = { answer };
        CCheckDisabledDotNetFromThread worker(nullptr, &seam);
        ASSERT_EQ(1, worker.Check(nullptr));
        int result = -1;
        ASSERT_TRUE(Pump([&] { return worker.IsFinished(result); }));
        EXPECT_EQ(0, result);
        EXPECT_EQ(1u, seam.m_firstTimeFlags.size());
        EXPECT_EQ(0, seam.m_checks);
    }
    // Without a seam (no page yet) the answer is a decline.
    CCheckDisabledDotNetFromThread worker(nullptr);
    ASSERT_EQ(1, worker.Check(nullptr));
    int result = -1;
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(result); }));
    EXPECT_EQ(0, result);
    EXPECT_FALSE(FileExists(m_record));
    EXPECT_TRUE(Contains(Log(), L"CCheckDisabledDotNetFromThread::run user declined enabling .Net framework, setup will exit"));
}

// ---- starts that fail, and the listener's turn -----------------------------------------------

namespace
{
// The workers' threads cannot be created, or are created but cannot be resumed.
bool g_bResumeFails = false;
CWinThread* CreateNothing(AFX_THREADPROC, LPVOID)
{
    return nullptr;
}
CWinThread* CreateSuspendedThread(AFX_THREADPROC pfnEntry, LPVOID pParam)
{
    return AfxBeginThread(pfnEntry, pParam, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
}
DWORD ResumeNothing(CWinThread*)
{
    return static_cast<DWORD>(-1);
}
const ThreadObjectCalls kCreationFails = { CreateNothing, ResumeNothing };
const ThreadObjectCalls kResumeFails = { CreateSuspendedThread, ResumeNothing };
}

TEST_F(WorkersTest, AWorkerThatCannotStartReportsAFailedRunAtOnce)
{
    for (const ThreadObjectCalls* pCalls : { &kCreationFails, &kResumeFails })
    {
        SCOPED_TRACE(pCalls == &kCreationFails ? "creation fails" : "resume fails");
        const CScopedCalls<ThreadObjectCalls> threads(SetThreadObjectCalls, pCalls);
        CFakeChecker checker;
        CFakeDownloader downloader;
        CRecordingListener listener;
        {
            CCheckInternetConnectionFromThread check(&checker, &listener);
            CCopyFoldersFromThread copy(nullptr);
            CDownloadInstallerFromThread download(&downloader, &listener);
            CStartProcessFromThread process(nullptr, &listener);

            // Each start fails, and every poll reads a finished run without success: none is busy.
            EXPECT_EQ(0, check.Check(5000));
            int result = -1;
            EXPECT_TRUE(check.IsFinished(result));
            EXPECT_EQ(0, result);
            EXPECT_EQ(0, copy.Copy(Strings({ L"D:\\tests\\x\\src" }), Strings({ L"D:\\tests\\x\\dst" })));
            bool copied = true;
            EXPECT_TRUE(copy.IsFinished(copied));
            EXPECT_FALSE(copied);
            EXPECT_EQ(0, download.Download(Strings({ L"http://a/1" }), Strings({ L"D:\\tests\\x\\1.exe" }), { 0 }, false,
                                           nullptr));
            int runs = -1;
            result = -1;
            EXPECT_TRUE(download.IsFinished(result, runs));
            EXPECT_EQ(0, result);
            EXPECT_EQ(0, process.Start(L"D:\\tests\\x\\p.exe", L"", false, true, nullptr, L"", L""));
            bool success = true, cancelled = true, check2 = false;
            DWORD code = 1;
            EXPECT_TRUE(process.ProcessFinished(success, cancelled, check2, code, false));
            EXPECT_FALSE(success);
            EXPECT_FALSE(cancelled);
            EXPECT_FALSE(check.IsThreadLive());
            EXPECT_FALSE(process.IsThreadLive()) << "no thread left that was never resumed";
        } // and the destructors return: nothing waits for a thread that never ran
        EXPECT_EQ(-1, checker.m_reserved.load()) << "no body ran";
        EXPECT_TRUE(downloader.Calls().empty());
        EXPECT_TRUE(listener.Results().empty());
    }
    EXPECT_TRUE(Contains(Log(), L"ERR: CCheckInternetConnectionFromThread::Start Could not create process executer thread"));
    EXPECT_TRUE(Contains(Log(), L"ERR: CStartProcessFromThread::Start : could not create process executer thread"));
    EXPECT_TRUE(Contains(Log(), L"ERR: CWorkerThread::LaunchThread : the thread could not be resumed"));
}

TEST_F(WorkersTest, ListenerIsToldBeforeTheRunCountsAsFinished)
{
    // The listener needs what the owner holds while it may start the worker again (the engine's
    // lock): a start meanwhile must be refused, not wait for the listener's thread.
    struct CWaitingListener : IWorkerListener
    {
        void OnWorkerFinished(int) override
        {
            entered.Set();
            std::lock_guard<std::mutex> lock(*pOwnerLock);
        }
        CEvent entered;
        std::mutex* pOwnerLock = nullptr;
    } listener;
    std::mutex ownerLock;
    listener.pOwnerLock = &ownerLock;
    CFakeChecker checker;
    CCheckInternetConnectionFromThread worker(&checker, &listener);
    int result = -1;
    {
        std::lock_guard<std::mutex> lock(ownerLock);
        ASSERT_EQ(1, worker.Check(100));
        ASSERT_TRUE(listener.entered.Wait());
        const bool bFinished = worker.IsFinished(result);
        EXPECT_FALSE(bFinished) << "the listener comes before the finished flag";
        if (!bFinished) {
            EXPECT_EQ(0, worker.Check(100)) << "refused while the run is still being reported";
        }
    }
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(result); }));
    EXPECT_EQ(1, result);
    EXPECT_EQ(1, worker.Check(100)) << "the next start after the flag";
    ASSERT_TRUE(Pump([&] { return worker.IsFinished(result); }));
}
