// Step 34 on the stand-in drive U:: the engine starts the USB copy with the product generation,
// waits for it, and goes on to the settings files of that generation's folder or ends the USB
// installation as failed; behind the application's progress page, a drive without room is named
// on the page, whose Cancel then ends the wait.

#include "controller/CoruApp.h"
#include "controller/OruProcess.h"
#include "controller/OruSettings.h"
#include "controller/resource.h"
#include "config/GenerationNames.h"
#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "tests/common/EngineFakes.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"
#include "workers/CopyUSBInstallationFromThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

struct CoruAppProbe
{
    static void ShowPages(CoruApp& app, COruProcess* pProcess)
    {
        app.m_bSilent = false;
        app.m_interfaceLanguage = 1033;
        app.m_strAppTitle = L"Vantolin Setup";
        app.m_pageLink.SetEngine(pProcess);
    }
    static bool RunUsbPhase(CoruApp& app, COruProcess* pProcess) { return app.USBInstallationProgress(pProcess); }
    static HWND Page(CoruApp& app) { return app.MsiProgressWindow(); }
    static IUSBInstallerListener* UsbListener(CoruApp& app) { return &app; }
    static void ClosePages(CoruApp& app, COruProcess* pProcess)
    {
        app.CloseMsiProgressDialog(pProcess);
        app.m_pageLink.SetEngine(nullptr);
    }
};

namespace
{
const DWORD kWaitMs = 30000;

bool NoRoom(const wchar_t*, ULONGLONG& rFreeBytes)
{
    rFreeBytes = 0;
    return true;
}

class UsbInstallationStepTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "usbstep_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        m_drive = FreshUsbDrive();
        m_extract = m_folder + L"extract\\";
        CreateFolderTree(m_extract + L"usb", nullptr);
        CreateFolderTree(m_extract + L"msi", nullptr);
        WriteTextFile(m_extract + L"usb\\StartVantolin.exe", "launcher");
        WriteTextFile(m_extract + L"usb\\StartVantolin.ini", "[General]\r\n");
        WriteTextFile(m_extract + L"msi\\Vantolin.exe", "product");
        WriteTextFile(m_extract + L"msi\\VantolinSetup.msi", "package");
    }
    void TearDown() override
    {
        m_engine.reset();
        CTracedTest::TearDown();
    }

    COruProcess& Make()
    {
        m_engine = m_services.MakeEngine(m_folder, m_extract);
        EXPECT_TRUE(m_engine != nullptr);
        // The product's version differs from its generation: the folder must follow the generation.
        EXPECT_TRUE(COruSettings::GetInstance().SetGeneration(L"2012.1"));
        EXPECT_TRUE(m_engine->ReadProductKey(L"3.0.1.12"));
        // As the installation-type page leaves it after the user chose the drive.
        COruProcessProbe::ForcedStep(*m_engine) = 16;
        m_engine->SetInstallationType(false, m_drive, m_drive);
        return *m_engine;
    }
    int RunCopy(COruProcess& e)
    {
        e.RunNextStep();
        const DWORD start = GetTickCount();
        int next;
        while ((next = e.GetNextStep(true)) == ORU_STEP_BUSY && GetTickCount() - start < kWaitMs)
            Sleep(10);
        return next;
    }

    CFakeEngineServices m_services{ L"UsbInstallationStep" };
    CString m_drive, m_extract;
    std::unique_ptr<COruProcess> m_engine;
};

TEST_F(UsbInstallationStepTest, CopyOfTheGenerationLeadsToItsSettingsFiles)
{
    COruProcess& e = Make();
    EXPECT_EQ(34, e.GetNextStep(true));
    EXPECT_EQ(35, RunCopy(e));
    EXPECT_TRUE(e.IsSuccess());
    EXPECT_EQ("product", ReadBytes(L"U:\\Vantolin_2012_1_portable\\Vantolin.exe"));
    EXPECT_FALSE(PathExistsHere(L"U:\\Vantolin_3_0_1_12_portable"));
    EXPECT_FALSE(FileExists(L"U:\\Vantolin_2012_1_portable\\VantolinSetup.msi"));
    EXPECT_EQ("launcher", ReadBytes(L"U:\\StartVantolin.exe"));
    EXPECT_EQ(CString(L"U:\\StartVantolin.exe"), e.GetLaunchCommand());
}

TEST_F(UsbInstallationStepTest, FailedCopyEndsTheUsbInstallation)
{
    RemoveDirectoryRec(m_extract + L"usb");
    COruProcess& e = Make();
    EXPECT_EQ(37, RunCopy(e));
    EXPECT_FALSE(e.IsSuccess());
    EXPECT_TRUE(e.GetUSBKeptDataFolder().IsEmpty());
}

// A reinstallation of the same generation whose copy fails and whose new folder cannot be taken
// away (a read-only file in it): the earlier one cannot go back, and the finish is told where it is.
TEST_F(UsbInstallationStepTest, EarlierInstallationThatCannotGoBackIsNamedForTheFinish)
{
    const CString old = L"U:\\Vantolin_2012_1_portable\\";
    WriteTextFile(L"U:\\StartVantolin.ini",
                  "[General]\r\nproduct_exe=\\Vantolin_2012_1_portable\\Vantolin.exe\r\nproduct_generation=2012.1\r\n");
    CreateFolderTree(old, nullptr);
    WriteTextFile(old + L"Vantolin.exe", "old product");
    WriteTextFile(old + L"QMConfig.ini", "[Common]\r\nLanguage=fr\r\n");
    WriteTextFile(m_extract + L"msi\\readonly.dat", "ro");
    SetFileAttributesW(m_extract + L"msi\\readonly.dat", FILE_ATTRIBUTE_READONLY);
    // The restore of the settings file fails on the new product's folder of that name.
    CreateFolderTree(m_extract + L"msi\\QMConfig.ini", nullptr);
    WriteTextFile(m_extract + L"msi\\QMConfig.ini\\readme.txt", "in the way");
    COruProcess& e = Make();
    EXPECT_EQ(37, RunCopy(e));
    EXPECT_FALSE(e.IsSuccess());
    const bool bReadOnlyStays = PathExists(old + L"readonly.dat");
    SetFileAttributesW(m_extract + L"msi\\readonly.dat", FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW(old + L"readonly.dat", FILE_ATTRIBUTE_NORMAL);
    if (!bReadOnlyStays)
        GTEST_SKIP() << "a read-only file can be deleted on this file system";
    EXPECT_EQ(CString(L"U:\\Vantolin_2012_1_portable.kept"), e.GetUSBKeptDataFolder());
    EXPECT_EQ("[Common]\r\nLanguage=fr\r\n", ReadBytes(L"U:\\Vantolin_2012_1_portable.kept\\QMConfig.ini"));
    EXPECT_EQ("old product", ReadBytes(L"U:\\Vantolin_2012_1_portable.kept\\Vantolin.exe"));
}

// Only the user can make room on the drive: the page says what is missing and offers Cancel, a
// phase that otherwise has none; a confirmed cancel stops the wait and nothing reaches the drive.
TEST_F(UsbInstallationStepTest, WaitForRoomIsNamedOnThePageAndItsCancelEndsIt)
{
    COruProcess& e = Make();
    CoruApp app;
    CoruAppProbe::ShowPages(app, &e);
    // The worker the step takes, as the engine would make it, on a drive that never has room.
    std::unique_ptr<CCopyUSBInstallationFromThread>& worker = COruProcessProbe::UsbCopy(e);
    worker.reset(new CCopyUSBInstallationFromThread(CoruAppProbe::UsbListener(app), &GetPortableFolderName));
    worker->SetFreeSpaceQuery(NoRoom);
    worker->SetRoomRetryMilliseconds(50);
    CString noRoom;
    noRoom.LoadString(IDS_NOT_ENOUGH_SPACE_ON_DEVICE);
    ASSERT_FALSE(noRoom.IsEmpty());

    std::atomic<bool> offered{ false }, named{ false }, asked{ false };
    std::thread user([&]() {
        HWND hPage = nullptr;
        const DWORD start = GetTickCount();
        while (!offered && GetTickCount() - start < kWaitMs)
        {
            hPage = CoruAppProbe::Page(app);
            HWND hCancel = hPage ? GetDlgItem(hPage, IDCANCEL) : nullptr;
            offered = hCancel && IsWindowVisible(hCancel) && IsWindowEnabled(hCancel);
            if (!offered)
                Sleep(20);
        }
        if (!offered)
        {
            // Ends the phase, so that the test fails instead of waiting for ever.
            e.Stop(true);
            return;
        }
        wchar_t text[512] = {};
        GetDlgItemTextW(hPage, IDC_PROGRESS_EXTRA_TEXT, text, 512);
        named = noRoom == text;
        PostMessageW(hPage, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        HWND hQuestion = WaitForWindow([hPage]() { return OwnedBy(hPage); });
        asked = hQuestion != nullptr;
        if (hQuestion)
            PressDialogButton(hQuestion, IDOK);
        else
            e.Stop(true);
    });
    const bool result = CoruAppProbe::RunUsbPhase(app, &e);
    user.join();
    CoruAppProbe::ClosePages(app, &e);
    EXPECT_TRUE(offered);
    EXPECT_TRUE(named);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(result);
    EXPECT_TRUE(Contains(Log(), L"Installation was cancelled during USBInstallationProgress!"));
    EXPECT_FALSE(FileExists(L"U:\\StartVantolin.exe"));
    EXPECT_FALSE(PathExistsHere(L"U:\\Vantolin_2012_1_portable"));
}
}
