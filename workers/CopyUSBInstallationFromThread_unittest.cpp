// The USB copy on the stand-in drive U:, with a recording listener that can pull the drive or
// ask for a stop at a chosen file, and a replaceable free-space query. The earlier installation
// stands aside on the drive as Vantolin_A_portable.kept while the new one is copied.
#include "workers/CopyUSBInstallationFromThread.h"

#include "config/GenerationNames.h"

#include "classlib/Handles.h"
#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "support/PathUtil.h"
#include "tests/common/TestEvent.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace
{
const wchar_t kOldFolder[] = L"U:\\Vantolin_A_portable\\";
const wchar_t kAsideFolder[] = L"U:\\Vantolin_A_portable.kept\\";
const wchar_t kNewFolder[] = L"U:\\Vantolin_B_portable\\";
const char kNewIni[] = "[General]\r\nproduct_exe=\\Vantolin_B_portable\\Vantolin.exe\r\nproduct_generation=B\r\n";
// The launcher, its settings and the product's files (the package and Autorun.Inf stay behind).
const ULONGLONG kBytesToCopy = 12 + (sizeof(kNewIni) - 1) + 2000 + 1500 + 700;
const ULONGLONG kUserDataBytes = 1200 + 5000 + 23 + 333;

std::atomic<int> g_freeSpaceCalls{ 0 };
std::atomic<bool> g_freeSpaceFails{ false };
std::atomic<ULONGLONG> g_freeBytes{ 0 };

bool FakeFreeSpace(const wchar_t*, ULONGLONG& rFreeBytes)
{
    ++g_freeSpaceCalls;
    rFreeBytes = g_freeBytes.load();
    return !g_freeSpaceFails.load();
}

void Put(const CString& path, const std::string& bytes)
{
    CreateFolderTree(GetFolderOfPath(path), nullptr);
    CScopedHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid()) << path.ToNarrow(CP_UTF8);
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Records every call; its n-th copied or deleted file can pull the drive or ask for a stop.
class CRecordingUsbListener : public IUSBInstallerListener
{
public:
    enum class EAction
    {
        None,
        Pull,
        Stop
    };

    void OnNotEnoughSpace(int nMissingMB) override
    {
        if (m_bPlugWhenNoRoom)
        {
            PlugUsbDrive();
            g_freeBytes = 1ULL << 40;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_missing.push_back(nMissingMB);
        }
        m_noRoom.Set();
    }
    void OnCopyStart(DWORD dwLow, DWORD dwHigh) override
    {
        m_total = (static_cast<ULONGLONG>(dwHigh) << 32) | dwLow;
        ++m_starts;
        if (m_bStopAtStart)
            m_pWorker->Kill();
        if (m_bPullAtStart)
            PullUsbDrive(); // before the backup reads the earlier installation
    }
    void OnCopyFile(const wchar_t*, const wchar_t* pszTarget, DWORD, DWORD) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_copied.push_back(pszTarget);
        Perform(m_copyAct, m_nCopyAt, static_cast<int>(m_copied.size()));
    }
    void OnDeleteFile(const wchar_t* pszPath, DWORD, DWORD) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deleted.push_back(pszPath);
        Perform(m_deleteAct, m_nDeleteAt, static_cast<int>(m_deleted.size()));
    }
    void OnUSBInstallationFinished(bool bSuccess) override
    {
        m_bSuccess = bSuccess;
        ++m_finishes;
        m_finished.Set();
    }

    CCopyUSBInstallationFromThread* m_pWorker = nullptr;
    EAction m_copyAct = EAction::None, m_deleteAct = EAction::None;
    int m_nCopyAt = 0, m_nDeleteAt = 0;
    bool m_bStopAtStart = false;
    bool m_bPullAtStart = false;
    bool m_bPlugWhenNoRoom = false; // and the room is there

    std::mutex m_mutex;
    std::vector<CString> m_copied, m_deleted;
    std::vector<int> m_missing;
    std::atomic<ULONGLONG> m_total{ 0 };
    std::atomic<int> m_starts{ 0 }, m_finishes{ 0 };
    std::atomic<bool> m_bSuccess{ false };
    CTestEvent m_finished, m_noRoom;

private:
    void Perform(EAction act, int nAt, int nCount)
    {
        if (nCount != nAt)
            return;
        if (act == EAction::Pull)
            PullUsbDrive();
        else if (act == EAction::Stop)
            m_pWorker->Kill(); // no wait: the worker is calling us
    }
};

struct CUserFile
{
    const wchar_t* pszOld;     // below the earlier portable folder or the drive root
    const wchar_t* pszNew;     // where it belongs after a good run (null: stays where it was)
    const wchar_t* pszBackup;  // its name in a backup folder (null: never backed up)
    std::string bytes;
};

class CopyUSBInstallationTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "usbcopy_"; }

    void SetUp() override
    {
        CTracedTest::SetUp();
        m_drive = FreshUsbDrive();
        m_temp = m_folder + L"tmp\\";
        CreateFolderTree(m_temp, nullptr);
        SetEnvironmentVariableW(L"TMP", m_temp);
        SetEnvironmentVariableW(L"TEMP", m_temp);
        m_setup = m_folder + L"setup\\";
        Put(m_setup + L"usb\\StartVantolin.exe", "new launcher");
        Put(m_setup + L"usb\\StartVantolin.ini", kNewIni);
        Put(m_setup + L"usb\\Autorun.Inf", "[autorun]\r\nopen=StartVantolin.exe\r\n");
        Put(m_setup + L"msi\\VantolinSetup.msi", std::string(3000, 'p'));
        Put(m_setup + L"msi\\Vantolin.exe", std::string(2000, 'v'));
        Put(m_setup + L"msi\\lib\\core.dll", std::string(1500, 'c'));
        Put(m_setup + L"msi\\lib\\skins\\dark.skin", std::string(700, 'd'));
        g_freeSpaceCalls = 0;
        g_freeSpaceFails = false;
        g_freeBytes = 1ULL << 40;
        m_pListener.reset(new CRecordingUsbListener);
        m_pWorker.reset(new CCopyUSBInstallationFromThread(m_pListener.get(), &GetPortableFolderName));
        m_pListener->m_pWorker = m_pWorker.get();
        m_pWorker->SetFreeSpaceQuery(&FakeFreeSpace);
        m_pWorker->SetRoomRetryMilliseconds(100);
    }
    void TearDown() override
    {
        m_pWorker.reset();
        m_pListener.reset();
        PlugUsbDrive();
        SetEnvironmentVariableW(L"TMP", nullptr);
        SetEnvironmentVariableW(L"TEMP", nullptr);
        CTracedTest::TearDown();
    }

    // The earlier installation of generation A with its user data and a user's own files.
    void MakeEarlierInstallation(const std::string& ini)
    {
        Put(m_drive + L"StartVantolin.exe", "old launcher");
        Put(m_drive + L"StartVantolin.ini", ini);
        Put(CString(kOldFolder) + L"Vantolin.exe", std::string(900, 'o'));
        Put(CString(kOldFolder) + L"lib\\old.dll", std::string(400, 'l'));
        for (const CUserFile& file : UserFiles())
            Put(file.pszOld, file.bytes);
    }
    static const char* StandardIni()
    {
        return "[General]\r\nproduct_exe=\\Vantolin_A_portable\\Vantolin.exe\r\nproduct_generation=A\r\n";
    }
    static std::vector<CUserFile> UserFiles()
    {
        return {
            { L"U:\\Vantolin_A_portable\\CommonAppDataFolder\\Quillmark\\PanelKit.dll",
              L"U:\\Vantolin_B_portable\\CommonAppDataFolder\\Quillmark\\PanelKit.dll", L"PanelKit.dll",
              std::string(1200, 'k') },
            { L"U:\\Vantolin_A_portable\\CommonAppDataFolder\\Quillmark\\Vantolin_A\\MusicShelf\\modb",
              L"U:\\Vantolin_B_portable\\CommonAppDataFolder\\Quillmark\\Vantolin_B\\MusicShelf\\modb", L"modb",
              std::string(5000, 'm') },
            { L"U:\\Vantolin_A_portable\\QMConfig.ini", L"U:\\Vantolin_B_portable\\QMConfig.ini", L"QMConfig.ini",
              "[Common]\r\nLanguage=fr\r\n" },
            { L"U:\\Vantolin_A_portable\\LocalAppDataFolder\\prefs\\view.dat",
              L"U:\\Vantolin_B_portable\\LocalAppDataFolder\\prefs\\view.dat", L"LocalAppDataFolder\\prefs\\view.dat",
              std::string(333, 'x') },
            { L"U:\\photos\\1.jpg", nullptr, nullptr, std::string(777, 'j') },
        };
    }

    // Every user file, byte for byte, is where it was, where it belongs, or in a kept backup.
    void ExpectUserDataSafe()
    {
        const CStringArray backups = BackupFolders();
        for (const CUserFile& file : UserFiles())
        {
            CString aside(file.pszOld);
            aside.Replace(kOldFolder, kAsideFolder);
            std::vector<CString> places = { file.pszOld, aside };
            if (file.pszNew)
                places.push_back(file.pszNew);
            if (file.pszBackup)
                for (int i = 0; i < backups.GetSize(); ++i)
                    places.push_back(backups[i] + file.pszBackup);
            bool found = false;
            for (const CString& place : places)
                found = found || (::FileExists(place) && ReadBytes(place) == file.bytes);
            EXPECT_TRUE(found) << "lost: " << CString(file.pszOld).ToNarrow(CP_UTF8);
        }
    }
    CStringArray BackupFolders()
    {
        CStringArray folders;
        WIN32_FIND_DATAW fd;
        CScopedFindHandle find(FindFirstFileW(m_temp + L"QM_USBBackup\\*", &fd));
        if (find)
            do
                if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != L'.')
                    folders.Add(m_temp + L"QM_USBBackup\\" + fd.cFileName + L"\\");
            while (FindNextFileW(find.Get(), &fd));
        return folders;
    }

    bool Run(const wchar_t* pszGeneration = L"B")
    {
        if (m_pWorker->CopyUSBInstallation(m_setup, m_drive, m_drive, L"", pszGeneration) != 1)
            return false;
        EXPECT_TRUE(m_pListener->m_finished.Wait());
        bool bSucceeded = false;
        EXPECT_TRUE(m_pWorker->IsFinished(bSucceeded));
        EXPECT_EQ(bSucceeded, m_pListener->m_bSuccess.load());
        EXPECT_EQ(1, m_pListener->m_finishes.load());
        return bSucceeded;
    }
    // The drive as before the run: the earlier installation and every user file in place, nothing
    // of the run left, nothing of the user's data in the administrator's temporary folder.
    void ExpectDriveAsBefore()
    {
        EXPECT_TRUE(EarlierInstallationWhole());
        EXPECT_EQ(std::string(900, 'o'), ReadBytes(CString(kOldFolder) + L"Vantolin.exe"));
        for (const CUserFile& file : UserFiles())
            EXPECT_EQ(file.bytes, ReadBytes(file.pszOld)) << CString(file.pszOld).ToNarrow(CP_UTF8);
        EXPECT_FALSE(PathExistsHere(kNewFolder));
        EXPECT_EQ(0, ListFiles(m_drive + L"*.kept*").GetSize());
        EXPECT_EQ(0, BackupFolders().GetSize());
        EXPECT_TRUE(m_pWorker->GetKeptPreviousFolder().IsEmpty());
    }
    bool EarlierInstallationWhole()
    {
        return ReadBytes(m_drive + L"StartVantolin.exe") == "old launcher" &&
               ReadBytes(CString(kOldFolder) + L"Vantolin.exe") == std::string(900, 'o') &&
               ReadBytes(CString(kOldFolder) + L"lib\\old.dll") == std::string(400, 'l');
    }

    CString m_drive, m_temp, m_setup;
    std::unique_ptr<CRecordingUsbListener> m_pListener;
    std::unique_ptr<CCopyUSBInstallationFromThread> m_pWorker;
};

TEST_F(CopyUSBInstallationTest, FreshDriveGetsLauncherAndProductButNeitherPackageNorAutorun)
{
    ASSERT_TRUE(Run());
    EXPECT_EQ("new launcher", ReadBytes(m_drive + L"StartVantolin.exe"));
    EXPECT_TRUE(::FileExists(m_drive + L"StartVantolin.ini"));
    EXPECT_FALSE(::FileExists(m_drive + L"Autorun.Inf"));
    EXPECT_FALSE(::FileExists(CString(kNewFolder) + L"VantolinSetup.msi"));
    EXPECT_EQ(std::string(700, 'd'), ReadBytes(CString(kNewFolder) + L"lib\\skins\\dark.skin"));
    EXPECT_EQ(std::string(1500, 'c'), ReadBytes(CString(kNewFolder) + L"lib\\core.dll"));
    EXPECT_TRUE(m_pListener->m_deleted.empty());
    EXPECT_EQ(5u, m_pListener->m_copied.size());
    EXPECT_EQ(kBytesToCopy, m_pListener->m_total.load());
    EXPECT_EQ(0, ListFiles(m_drive + L"*.kept*").GetSize());
}

TEST_F(CopyUSBInstallationTest, EarlierInstallationIsReplacedAndItsUserDataMovesToTheNewGeneration)
{
    MakeEarlierInstallation(StandardIni());
    const ULONGLONG oldBytes = 12 + std::string(StandardIni()).size() + 900 + 400 + kUserDataBytes;
    ASSERT_TRUE(Run());
    EXPECT_FALSE(PathExistsHere(kOldFolder));
    for (const CUserFile& file : UserFiles())
        EXPECT_EQ(file.bytes, ReadBytes(file.pszNew ? file.pszNew : file.pszOld)) << CString(file.pszOld).ToNarrow(CP_UTF8);
    // Nothing stays aside and nothing of the user's data went to the administrator's folders.
    EXPECT_EQ(0, ListFiles(m_drive + L"*.kept*").GetSize());
    EXPECT_EQ(0, BackupFolders().GetSize());
    EXPECT_EQ(8u, m_pListener->m_deleted.size()); // two launcher files and six of the old folder
    EXPECT_EQ(kBytesToCopy + oldBytes, m_pListener->m_total.load());
    EXPECT_TRUE(Contains(Log(), L"try to restore: U:\\Vantolin_B_portable\\CommonAppDataFolder\\Quillmark\\Vantolin_B\\MusicShelf\\modb"));
}

TEST_F(CopyUSBInstallationTest, LauncherSettingsWithoutAFolderOfTheDriveRemoveNoFolder)
{
    struct
    {
        const char* pszIni;
        const wchar_t* pszLine;
    } cases[] = {
        { "[General]\r\nproduct_generation=A\r\n", L"ReadPreviousInstallationDir: product_exe dose not exist" },
        { "[General]\r\nproduct_exe=..\\x.exe\r\nproduct_generation=A\r\n", L"is no folder below the drive's root" },
        { "[General]\r\nproduct_exe=\\Vantolin.exe\r\nproduct_generation=A\r\n", nullptr },
        { "[General]\r\nproduct_exe=\\.\\x.exe\r\nproduct_generation=A\r\n", L"is no folder below the drive's root" },
        { "[General]\r\nproduct_exe=\\Vantolin_A_portable\\Vantolin.exe\r\n",
          L"ReadPreviousProductGeneration: product_generation dose not exist" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszIni);
        TearDown();
        SetUp();
        MakeEarlierInstallation(c.pszIni);
        const bool bNoGeneration = strstr(c.pszIni, "product_generation") == nullptr;
        // Without a generation the old database cannot be carried over: nothing is removed.
        EXPECT_EQ(!bNoGeneration, Run());
        if (c.pszLine)
            EXPECT_TRUE(Contains(Log(), c.pszLine));
        EXPECT_EQ(std::string(900, 'o'), ReadBytes(CString(kOldFolder) + L"Vantolin.exe"));
        EXPECT_EQ(std::string(400, 'l'), ReadBytes(CString(kOldFolder) + L"lib\\old.dll"));
        for (const CUserFile& file : UserFiles())
            EXPECT_EQ(file.bytes, ReadBytes(file.pszOld));
        if (!bNoGeneration)
            EXPECT_EQ("new launcher", ReadBytes(m_drive + L"StartVantolin.exe"));
        else
            EXPECT_EQ("old launcher", ReadBytes(m_drive + L"StartVantolin.exe"));
        EXPECT_EQ(0, ListFiles(m_drive + L"*.kept*").GetSize());
    }
}

TEST_F(CopyUSBInstallationTest, AnEarlierRunsBackupIsNeverTouched)
{
    Put(m_temp + L"QM_USBBackup\\earlier\\modb", "the only copy");
    MakeEarlierInstallation(StandardIni());
    ASSERT_TRUE(Run());
    EXPECT_EQ("the only copy", ReadBytes(m_temp + L"QM_USBBackup\\earlier\\modb"));
    EXPECT_EQ(1, BackupFolders().GetSize());
    ExpectUserDataSafe();
}

TEST_F(CopyUSBInstallationTest, EarlierInstallationInUseLeavesTheDriveUntouched)
{
    MakeEarlierInstallation(StandardIni());
    // As the product running from the drive holds it: the folder cannot be renamed aside.
    CScopedFileHandle held(CreateFileW(CString(kOldFolder) + L"Vantolin.exe", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    CScopedFileHandle folder(CreateFileW(L"U:\\Vantolin_A_portable", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(held.IsValid() && folder.IsValid());
    EXPECT_FALSE(Run());
    EXPECT_TRUE(Contains(Log(), L"could not set [U:\\Vantolin_A_portable] aside"));
    EXPECT_TRUE(m_pListener->m_deleted.empty());
    EXPECT_TRUE(m_pListener->m_copied.empty());
    ExpectDriveAsBefore();
}

TEST_F(CopyUSBInstallationTest, FullDriveIsReportedUntilStoppedAndNothingIsDeleted)
{
    for (bool bQueryFails : { false, true })
    {
        SCOPED_TRACE(bQueryFails ? "failed query" : "no room");
        TearDown();
        SetUp();
        MakeEarlierInstallation(StandardIni());
        g_freeBytes = 0;
        g_freeSpaceFails = bQueryFails;
        ASSERT_EQ(1, m_pWorker->CopyUSBInstallation(m_setup, m_drive, m_drive, L"", L"B"));
        ASSERT_TRUE(m_pListener->m_noRoom.Wait());
        while (g_freeSpaceCalls < 2)
            Sleep(10);
        m_pWorker->Stop();
        ASSERT_TRUE(m_pListener->m_finished.Wait());
        EXPECT_FALSE(m_pListener->m_bSuccess.load());
        std::lock_guard<std::mutex> lock(m_pListener->m_mutex);
        ASSERT_FALSE(m_pListener->m_missing.empty());
        EXPECT_LT(m_pListener->m_missing[0], 0);
        EXPECT_TRUE(EarlierInstallationWhole());
        EXPECT_TRUE(m_pListener->m_deleted.empty());
        EXPECT_EQ(bQueryFails, Contains(Log(), L"GetDiskFreeSpaceEx failed for [U:\\]"));
        ExpectUserDataSafe();
    }
}

TEST_F(CopyUSBInstallationTest, RoomCountsTheCopyAndTheRestoreBesideTheEarlierInstallation)
{
    MakeEarlierInstallation(StandardIni());
    // The earlier installation stays until the new one holds the user data, so what its removal
    // frees does not count. Short by one byte: waits; the exact amount: goes on.
    g_freeBytes = kBytesToCopy + kUserDataBytes - 1;
    ASSERT_EQ(1, m_pWorker->CopyUSBInstallation(m_setup, m_drive, m_drive, L"", L"B"));
    ASSERT_TRUE(m_pListener->m_noRoom.Wait());
    EXPECT_TRUE(EarlierInstallationWhole());
    g_freeBytes = g_freeBytes + 1;
    ASSERT_TRUE(m_pListener->m_finished.Wait());
    EXPECT_TRUE(m_pListener->m_bSuccess.load());
    EXPECT_EQ(-1, m_pListener->m_missing[0]);
    ExpectUserDataSafe();
}

TEST_F(CopyUSBInstallationTest, ReadOnlyEarlierFilesStayAsideAfterAGoodRun)
{
    Put(m_drive + L"probe.txt", "probe");
    SetFileAttributesW(m_drive + L"probe.txt", FILE_ATTRIBUTE_READONLY);
    if (DeleteFileW(m_drive + L"probe.txt"))
        GTEST_SKIP() << "a read-only file can be deleted on this file system";
    SetFileAttributesW(m_drive + L"probe.txt", FILE_ATTRIBUTE_NORMAL);
    MakeEarlierInstallation(StandardIni());
    SetFileAttributesW(CString(kOldFolder) + L"lib\\old.dll", FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(CString(kOldFolder) + L"Vantolin.exe", FILE_ATTRIBUTE_READONLY);
    // The new installation is complete with the user data: what cannot go stays aside.
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Contains(Log(), L"RemoveDirectoryRec failed to remove file"));
    EXPECT_TRUE(Contains(Log(), L"could not remove [U:\\Vantolin_A_portable.kept], it stays"));
    for (const CUserFile& file : UserFiles())
        EXPECT_EQ(file.bytes, ReadBytes(file.pszNew ? file.pszNew : file.pszOld));
    SetFileAttributesW(CString(kAsideFolder) + L"lib\\old.dll", FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW(CString(kAsideFolder) + L"Vantolin.exe", FILE_ATTRIBUTE_NORMAL);
}

TEST_F(CopyUSBInstallationTest, PulledOrStoppedMidRunPutsTheEarlierInstallationBack)
{
    typedef CRecordingUsbListener::EAction Act;
    enum class EOutcome
    {
        BackInPlace, // failed, the drive as before the run
        KeptAside,   // failed with the drive gone: the data waits aside on it, and the finish says where
        Replaced     // the new installation was complete before it happened
    };
    struct
    {
        const char* pszName;
        Act copyAct;
        int nCopyAt;
        Act deleteAct;
        int nDeleteAt;
        EOutcome outcome;
    } cases[] = {
        { "pulled during the launcher's copy", Act::Pull, 2, Act::None, 0, EOutcome::KeptAside },
        { "pulled during the product's copy", Act::Pull, 4, Act::None, 0, EOutcome::KeptAside },
        { "stopped during the launcher's copy", Act::Stop, 1, Act::None, 0, EOutcome::BackInPlace },
        { "stopped during the product's copy", Act::Stop, 4, Act::None, 0, EOutcome::BackInPlace },
        { "pulled while the earlier one goes", Act::None, 0, Act::Pull, 4, EOutcome::Replaced },
        { "stopped while the earlier one goes", Act::None, 0, Act::Stop, 4, EOutcome::Replaced },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        TearDown();
        SetUp();
        MakeEarlierInstallation(StandardIni());
        m_pListener->m_copyAct = c.copyAct;
        m_pListener->m_nCopyAt = c.nCopyAt;
        m_pListener->m_deleteAct = c.deleteAct;
        m_pListener->m_nDeleteAt = c.nDeleteAt;
        EXPECT_EQ(c.outcome == EOutcome::Replaced, Run());
        PlugUsbDrive();
        ExpectUserDataSafe();
        EXPECT_EQ(0, BackupFolders().GetSize());
        if (c.outcome == EOutcome::BackInPlace)
        {
            EXPECT_TRUE(Contains(Log(), L"[U:\\Vantolin_A_portable] is back in place"));
            ExpectDriveAsBefore();
        }
        else if (c.outcome == EOutcome::KeptAside)
        {
            EXPECT_TRUE(
                Contains(Log(), L"the user data of the earlier installation is kept in [U:\\Vantolin_A_portable.kept]"));
            EXPECT_EQ(CString(L"U:\\Vantolin_A_portable.kept"), m_pWorker->GetKeptPreviousFolder());
            for (const CUserFile& file : UserFiles())
            {
                CString aside(file.pszOld);
                aside.Replace(kOldFolder, kAsideFolder);
                EXPECT_EQ(file.bytes, ReadBytes(aside)) << aside.ToNarrow(CP_UTF8);
            }
        }
        else
            for (const CUserFile& file : UserFiles())
                EXPECT_EQ(file.bytes, ReadBytes(file.pszNew ? file.pszNew : file.pszOld));
    }
}

TEST_F(CopyUSBInstallationTest, DrivePulledBeforeTheBackupFailsWithNothingDeleted)
{
    for (bool bPutBack : { false, true })
    {
        SCOPED_TRACE(bPutBack ? "put back while waiting for room" : "stays out");
        TearDown();
        SetUp();
        MakeEarlierInstallation(StandardIni());
        m_pListener->m_bPullAtStart = true;
        if (bPutBack)
        {
            // The user data was looked for while the drive was out: nothing of it is saved, so
            // nothing of the earlier folder may go.
            g_freeBytes = 0;
            Put(m_setup + L"msi\\big.dat", std::string(100 * 1024, 'b')); // more than the removal frees
            m_pListener->m_bPlugWhenNoRoom = true;
        }
        EXPECT_FALSE(Run());
        PlugUsbDrive();
        EXPECT_EQ(std::string(900, 'o'), ReadBytes(CString(kOldFolder) + L"Vantolin.exe"));
        ExpectUserDataSafe();
        if (bPutBack)
            EXPECT_TRUE(Contains(Log(), L"was not there for the backup, it stays"));
    }
}

TEST_F(CopyUSBInstallationTest, StopBeforeTheRemovalDeletesNothing)
{
    MakeEarlierInstallation(StandardIni());
    m_pListener->m_bStopAtStart = true;
    EXPECT_FALSE(Run());
    EXPECT_TRUE(EarlierInstallationWhole());
    EXPECT_TRUE(m_pListener->m_deleted.empty());
    EXPECT_TRUE(m_pListener->m_copied.empty());
    EXPECT_EQ(0, BackupFolders().GetSize());
    ExpectUserDataSafe();
}

TEST_F(CopyUSBInstallationTest, SecondStartWhileRunningIsRefused)
{
    g_freeBytes = 0;
    ASSERT_EQ(1, m_pWorker->CopyUSBInstallation(m_setup, m_drive, m_drive, L"", L"B"));
    ASSERT_TRUE(m_pListener->m_noRoom.Wait());
    EXPECT_EQ(0, m_pWorker->CopyUSBInstallation(m_setup, m_drive, m_drive, L"", L"B"));
    EXPECT_TRUE(Contains(Log(), L"Worker thread is already live in CCopyUSBInstallationFromThread::CopyUSBInstallation"));
    m_pWorker->Stop();
    ASSERT_TRUE(m_pListener->m_finished.Wait());
    EXPECT_FALSE(m_pListener->m_bSuccess.load());
}
}

namespace
{
TEST_F(CopyUSBInstallationTest, RestoreThatFailsPutsTheEarlierInstallationBack)
{
    // The new product brings a folder where the user's settings file goes back.
    Put(m_setup + L"msi\\QMConfig.ini\\readme.txt", "in the way");
    MakeEarlierInstallation(StandardIni());
    EXPECT_FALSE(Run());
    EXPECT_TRUE(Contains(Log(), L"could not restore ["));
    ExpectDriveAsBefore();
}
}

namespace
{
// Run by tests/harness/usb_full_drive.sh with a 192 KiB file system behind U:; skipped in the
// program's own run.
std::string NoSmallDriveReason()
{
    wchar_t reason[200] = {};
    if (GetEnvironmentVariableW(L"VANTOLIN_FULL_DRIVE", reason, 200) != 0)
        return std::string();
    GetEnvironmentVariableW(L"VANTOLIN_FULL_DRIVE_SKIP", reason, 200);
    return reason[0] ? CString(reason).ToNarrow() : std::string("needs the small drive of usb_full_drive.sh");
}

TEST_F(CopyUSBInstallationTest, ReallyFullDriveWaitsWithoutDeletingAnything)
{
    const std::string skip = NoSmallDriveReason();
    if (!skip.empty())
        GTEST_SKIP() << skip;
    MakeEarlierInstallation(StandardIni());
    // More than the drive holds, even after the earlier installation is gone.
    Put(m_setup + L"msi\\big.dat", std::string(400 * 1024, 'b'));
    m_pWorker->SetFreeSpaceQuery(nullptr);
    ASSERT_EQ(1, m_pWorker->CopyUSBInstallation(m_setup, m_drive, m_drive, L"", L"B"));
    ASSERT_TRUE(m_pListener->m_noRoom.Wait());
    {
        std::lock_guard<std::mutex> lock(m_pListener->m_mutex);
        // About 200 KiB short: the megabytes round up.
        EXPECT_EQ(-1, m_pListener->m_missing[0]);
    }
    m_pWorker->Stop();
    ASSERT_TRUE(m_pListener->m_finished.Wait());
    EXPECT_FALSE(m_pListener->m_bSuccess.load());
    EXPECT_TRUE(EarlierInstallationWhole());
    ExpectUserDataSafe();
}

TEST_F(CopyUSBInstallationTest, ReallyFullDriveDuringTheCopyPutsTheEarlierInstallationBack)
{
    const std::string skip = NoSmallDriveReason();
    if (!skip.empty())
        GTEST_SKIP() << skip;
    MakeEarlierInstallation(StandardIni());
    // The volume query claims room (the fake's terabyte): the drive fills up during the copy.
    Put(m_setup + L"msi\\big.dat", std::string(400 * 1024, 'b'));
    EXPECT_FALSE(Run());
    EXPECT_TRUE(Contains(Log(), L"CopyDirectoryFromThread::CopyDirectory : could not copy file"));
    ExpectDriveAsBefore();
}
}

namespace
{
// One stick per attack, each with the harm it must not do: nothing outside the portable folders
// read, written, moved or emptied, and nothing of the user's lost. The link sticks are made by
// ctest's fixture step: D:\tests\usbcopy_links\<case>\ with outside\ (keep1.txt, sub\keep2.txt)
// and a link to it at the place the case names.
TEST_F(CopyUSBInstallationTest, StickAttacksHarmNothingOutsideThePortableFolders)
{
    typedef std::vector<std::pair<const wchar_t*, std::string>> Files;
    const std::string exe(900, 'o');
    const char* const pszIniA =
        "[General]\r\nproduct_exe=\\Vantolin_A_portable\\Vantolin.exe\r\nproduct_generation=A\r\n";
    struct
    {
        const char* pszName;
        const wchar_t* pszLinkCase; // null: the stand-in drive U: with the earlier installation
        std::string ini;
        Files put;    // on the stick before the run (the earlier installation's files on U:)
        bool bSucceeds;
        const wchar_t* pszLine;
        Files keep;   // afterwards, byte for byte
        std::vector<const wchar_t*> absent;
    } cases[] = {
        { "a user's folder as the earlier installation", nullptr,
          "[General]\r\nproduct_exe=\\photos\\x.exe\r\nproduct_generation=A\r\n", {}, true, L"is no portable folder",
          { { L"photos\\1.jpg", std::string(777, 'j') }, { L"Vantolin_A_portable\\Vantolin.exe", exe } }, {} },
        { "a portable folder without the named program", nullptr,
          "[General]\r\nproduct_exe=\\Vantolin_A_portable\\other.exe\r\nproduct_generation=A\r\n", {}, true,
          L"does not hold [other.exe]", { { L"Vantolin_A_portable\\lib\\old.dll", std::string(400, 'l') } }, {} },
        { "a generation that names another folder", nullptr,
          "[General]\r\nproduct_exe=\\Vantolin_A_portable\\Vantolin.exe\r\nproduct_generation=..\r\n", {}, true,
          L"is no portable folder", { { L"Vantolin_A_portable\\QMConfig.ini", "[Common]\r\nLanguage=fr\r\n" } }, {} },
        { "a junction as the earlier folder", L"earlier", pszIniA,
          { { L"Vantolin_A_portable\\Vantolin.exe", exe }, { L"Vantolin_A_portable\\QMConfig.ini", "theirs" } }, true,
          L"is a link, nothing of", { { L"outside\\Vantolin.exe", exe }, { L"outside\\QMConfig.ini", "theirs" } },
          { L"Vantolin_B_portable\\QMConfig.ini" } },
        { "a junction as the new folder", L"new", pszIniA, { { L"StartVantolin.exe", "old launcher" } }, false,
          L"is a link, nothing is copied to", { { L"StartVantolin.exe", "old launcher" } },
          { L"outside\\Vantolin.exe", L"outside\\lib" } },
        { "a junction as LocalAppDataFolder", L"user_data", pszIniA,
          { { L"Vantolin_A_portable\\Vantolin.exe", exe }, { L"Vantolin_A_portable\\QMConfig.ini", "mine" } }, true,
          L"is a link, nothing of",
          { { L"Vantolin_A_portable\\Vantolin.exe", exe }, { L"Vantolin_A_portable\\QMConfig.ini", "mine" } },
          { L"Vantolin_B_portable\\LocalAppDataFolder", L"Vantolin_A_portable.kept" } },
        { "a junction on the way to the earlier folder", L"way",
          "[General]\r\nproduct_exe=\\apps\\Vantolin_A_portable\\Vantolin.exe\r\nproduct_generation=A\r\n",
          { { L"apps\\Vantolin_A_portable\\Vantolin.exe", exe } }, true, L"is a link, nothing of",
          { { L"outside\\Vantolin_A_portable\\Vantolin.exe", exe } }, {} },
        // Not on any way: the earlier installation goes, the link itself at most.
        { "a junction inside the earlier folder", L"inner", pszIniA,
          { { L"Vantolin_A_portable\\Vantolin.exe", exe }, { L"Vantolin_A_portable\\QMConfig.ini", "mine" } }, true,
          nullptr, { { L"Vantolin_B_portable\\QMConfig.ini", "mine" } }, { L"Vantolin_B_portable\\lib\\keep1.txt" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        TearDown();
        SetUp();
        CString root = m_drive;
        if (c.pszLinkCase)
        {
            root = CString(L"D:\\tests\\usbcopy_links\\") + c.pszLinkCase + L"\\";
            ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(root + L"outside"))
                << "run through ctest, which makes the fixture";
            Put(root + L"StartVantolin.ini", c.ini);
        }
        else
            MakeEarlierInstallation(c.ini);
        for (const auto& file : c.put)
            Put(root + file.first, file.second);
        const bool bStarted = m_pWorker->CopyUSBInstallation(m_setup, root, root, L"", L"B") == 1;
        ASSERT_TRUE(bStarted && m_pListener->m_finished.Wait());
        EXPECT_EQ(c.bSucceeds, m_pListener->m_bSuccess.load());
        if (c.pszLine)
            EXPECT_TRUE(Contains(Log(), c.pszLine));
        for (const auto& file : c.keep)
            EXPECT_EQ(file.second, ReadBytes(root + file.first)) << CString(file.first).ToNarrow(CP_UTF8);
        for (const wchar_t* pszAbsent : c.absent)
            EXPECT_FALSE(PathExistsHere(root + pszAbsent)) << CString(pszAbsent).ToNarrow(CP_UTF8);
        if (c.pszLinkCase)
        {
            EXPECT_EQ("333", ReadBytes(root + L"outside\\keep1.txt"));
            EXPECT_EQ("4444", ReadBytes(root + L"outside\\sub\\keep2.txt"));
        }
        else
            for (const CUserFile& file : UserFiles())
                EXPECT_EQ(file.bytes, ReadBytes(file.pszOld)) << CString(file.pszOld).ToNarrow(CP_UTF8);
        EXPECT_EQ(c.bSucceeds, ReadBytes(root + L"StartVantolin.exe") == "new launcher");
        EXPECT_EQ(0, BackupFolders().GetSize());
    }
}
}
