// Installations of the product's package in this process, through the process worker, the
// executer and the installer UI handler, as the setup's step 26 runs them; each installed
// package is removed again.
#include "workers/ProcessExecuter.h"
#include "workers/StartProcessFromThread.h"
#include "workers/WindowMessages.h"
#include "workers/WorkerStrings.h"

#include "support/PathUtil.h"
#include "support/Registry.h"
#include "tests/common/RecordingWindow.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <msi.h>

namespace
{
const DWORD kWaitMs = 120000;
const wchar_t kProductKey[] = L"Software\\Quillmark\\ORU_Vantolin";
const wchar_t kPropertiesKey[] = L"Software\\Quillmark\\ORU_Vantolin\\PackageProperties";

CString Package(const wchar_t* pszVariant)
{
    return FormatString(L"D:\\fixtures\\workers\\%s\\VantolinSetup.msi", pszVariant);
}

int WINAPI SentinelHandler(LPVOID, UINT, LPCWSTR)
{
    return 0;
}

struct COutcome
{
    bool finished = false, success = false, cancelled = false, checkReturnCode = false;
    DWORD exitCode = 0;
};

class InstallTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "workers_install_"; }
    void TearDown() override
    {
        for (const CString& package : m_installed)
        {
            MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
            EXPECT_EQ(ERROR_SUCCESS, MsiInstallProductW(package, L"REMOVE=ALL")) << package.ToNarrow();
        }
        CTracedTest::TearDown();
    }

    // The property line of step 26 for a setup folder and an installation folder with blanks.
    CString StepLine(const CString& logFile)
    {
        m_setupFolder = m_folder + L"setup dir\\";
        m_appFolder = m_folder + L"app dir\\";
        return FormatString(L"/l*vx \"%s\" SETUP_FOLDER=\"%s\" AI_SETUPEXEPATH=\"%s\" APPDIR=\"%s\" PERFORM_MUSIC_SCAN=%d %s "
                            L"AUTO_DOWNLOAD_LAME=%d CHK_AUTO_DOWNLOAD_LAME=%d CHK_SEND_USAGE_STATISTICS=%d "
                            L"SEND_USAGE_STATISTICS=%d CHK_IMPORT_OLD_SETTINGS=%d %s SHORTCUT_PRODUCT_NAME=\"%s\" PARTNER_ID=\"%s\"",
                            logFile.GetString(), m_setupFolder.GetString(), (m_setupFolder + L"VantolinSetup.exe").GetString(),
                            m_appFolder.GetString(), 1,
                            L"SCAN_MUSIC_FOLDER_SELECTION=CustomMusicFolder CUSTOM_MUSIC_FOLDER=\"D:\\My Music\\\"", 0, 0,
                            1, 1, 0, L"", L"Vantolin Player", L"61000");
    }

    COutcome Install(const CString& package, const CString& line, HWND hPage, bool bKeepInstalled = true)
    {
        CProcessExecuter executer;
        CStartProcessFromThread worker(&executer, nullptr);
        COutcome o;
        EXPECT_EQ(1, worker.StartInstaller(package, line, false, hPage, HKEY_LOCAL_MACHINE, kProductKey, L"InstallationSuccessful"));
        CRecordingWindow::PumpUntil(
            [&] { return worker.ProcessFinished(o.success, o.cancelled, o.checkReturnCode, o.exitCode, false); }, kWaitMs);
        o.finished = worker.ProcessFinished(o.success, o.cancelled, o.checkReturnCode, o.exitCode, false);
        if (bKeepInstalled && o.finished && o.exitCode == 0)
            m_installed.push_back(package);
        return o;
    }

    std::vector<CString> m_installed;
    CString m_setupFolder, m_appFolder;
};

std::vector<std::pair<WPARAM, LPARAM>> EndDialogs(CRecordingWindow& page)
{
    CRecordingWindow::PumpUntil([&] { return !page.Messages(PROGRESSDLG_END_DIALOG).empty(); }, 5000);
    std::vector<std::pair<WPARAM, LPARAM>> result;
    for (const auto& m : page.Messages(PROGRESSDLG_END_DIALOG))
        result.push_back({ m.wParam, m.lParam });
    return result;
}
}

TEST_F(InstallTest, SilentInstallationOfTheProductPackage)
{
    const CString logFile = m_folder + L"logs a=b\\new\\deeper\\Vantolin_20261210_msi.log";
    const CString line = StepLine(logFile);
    MsiSetExternalUIW(SentinelHandler, INSTALLLOGMODE_ERROR, nullptr);
    const INSTALLUILEVEL levelBefore = MsiSetInternalUI(INSTALLUILEVEL_BASIC, nullptr);

    CRecordingWindow page;
    const COutcome o = Install(Package(L"full"), line, page.Get());
    ASSERT_TRUE(o.finished);
    EXPECT_EQ(0u, o.exitCode);
    EXPECT_TRUE(o.success) << Log().ToNarrow();
    EXPECT_FALSE(o.cancelled);
    EXPECT_TRUE(o.checkReturnCode);
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{ { 1, 0 } }), EndDialogs(page));

    // Installed as the line says: the file, the properties (quoted folders with blanks), the
    // success value; no property from the quoted log path.
    EXPECT_TRUE(FileExists(m_appFolder + L"readme.txt"));
    const struct
    {
        const wchar_t* name;
        CString value;
    } properties[] = {
        { L"SETUP_FOLDER", m_setupFolder },
        { L"AI_SETUPEXEPATH", m_setupFolder + L"VantolinSetup.exe" },
        { L"APPDIR", m_appFolder },
        { L"CUSTOM_MUSIC_FOLDER", L"D:\\My Music\\" },
        { L"SCAN_MUSIC_FOLDER_SELECTION", L"CustomMusicFolder" },
        { L"PERFORM_MUSIC_SCAN", L"1" },
        { L"SEND_USAGE_STATISTICS", L"1" },
        { L"SHORTCUT_PRODUCT_NAME", L"Vantolin Player" },
        { L"PARTNER_ID", L"61000" },
    };
    for (const auto& p : properties)
        EXPECT_EQ(p.value, GetRegString(HKEY_LOCAL_MACHINE, kPropertiesKey, p.name, 0)) << CString(p.name).ToNarrow();
    EXPECT_EQ(CString(L"1"), GetRegString(HKEY_LOCAL_MACHINE, kProductKey, L"InstallationSuccessful", 0));
    EXPECT_TRUE(Contains(Log(), L"Success key [-2147483646] [Software\\Quillmark\\ORU_Vantolin] [InstallationSuccessful] = [1]"));

    // The installer's log, in a folder chain that did not exist.
    EXPECT_TRUE(FileExists(logFile));
    // The handler's first text reached the page.
    ASSERT_FALSE(page.Texts(IDC_PROGRESS_MAIN_TEXT).empty());
    EXPECT_EQ(CString(L"Installing product features"), page.Texts(IDC_PROGRESS_MAIN_TEXT)[0]);

    // What the installer had before is back.
    EXPECT_EQ(INSTALLUILEVEL_BASIC, MsiSetInternalUI(levelBefore, nullptr));
    EXPECT_EQ(&SentinelHandler, MsiSetExternalUIW(nullptr, 0, nullptr));
}

TEST_F(InstallTest, SilentInstallationWithoutAPage)
{
    const CString logFile = m_folder + L"nopage\\Vantolin_msi.log";
    const COutcome o = Install(Package(L"full"), StepLine(logFile), nullptr);
    ASSERT_TRUE(o.finished);
    EXPECT_EQ(0u, o.exitCode);
    EXPECT_TRUE(o.success);
    EXPECT_TRUE(FileExists(m_appFolder + L"readme.txt"));
    EXPECT_TRUE(FileExists(logFile));
    EXPECT_EQ(CString(L"1"), GetRegString(HKEY_LOCAL_MACHINE, kProductKey, L"InstallationSuccessful", 0));
}

TEST_F(InstallTest, PackageWithoutSuccessValue)
{
    CRecordingWindow page;
    const COutcome o = Install(Package(L"nosuccess"), StepLine(m_folder + L"log\\n.log"), page.Get());
    ASSERT_TRUE(o.finished);
    EXPECT_EQ(0u, o.exitCode);
    EXPECT_FALSE(o.success);
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{ { 1, 0 } }), EndDialogs(page));
    EXPECT_TRUE(FileExists(m_appFolder + L"readme.txt"));
    EXPECT_TRUE(Contains(Log(), L"[InstallationSuccessful] = [0]"));
}

TEST_F(InstallTest, FailedAndMissingPackages)
{
    {
        CRecordingWindow page;
        const COutcome o = Install(Package(L"blocked"), StepLine(m_folder + L"log\\b.log"), page.Get());
        ASSERT_TRUE(o.finished);
        EXPECT_FALSE(o.success);
        EXPECT_FALSE(o.cancelled);
        EXPECT_TRUE(o.checkReturnCode);
        EXPECT_EQ(1603u, o.exitCode);
        EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{ { 3, 0 } }), EndDialogs(page));
        EXPECT_FALSE(FileExists(m_appFolder + L"readme.txt"));
    }
    {
        CRecordingWindow page;
        const CString missing = m_folder + L"missing.msi";
        const COutcome o = Install(missing, L"/qn", page.Get());
        ASSERT_TRUE(o.finished);
        EXPECT_FALSE(o.success);
        EXPECT_EQ(1u, o.exitCode);
        EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{ { 3, 0 } }), EndDialogs(page));
        EXPECT_TRUE(Contains(Log(), (L"CProcessExecuter::ExecuteInstall: Failed to open " + missing + L" database.").GetString()));
    }
    {
        // A file that is no package.
        const CString broken = m_folder + L"broken.msi";
        ASSERT_TRUE(WriteTextFile(broken, "not a package"));
        const COutcome o = Install(broken, L"/qn", nullptr);
        ASSERT_TRUE(o.finished);
        EXPECT_FALSE(o.success);
        EXPECT_EQ(1u, o.exitCode);
    }
    // A gone page hears nothing and nothing fails.
    HWND gone;
    {
        CRecordingWindow page;
        gone = page.Get();
    }
    const COutcome o = Install(m_folder + L"missing.msi", L"/qn", gone);
    EXPECT_TRUE(o.finished);
    EXPECT_EQ(1u, o.exitCode);
}

TEST_F(InstallTest, RuntimePackageInProcess)
{
    // Step 23's line for the runtime package.
    const CString package = L"D:\\fixtures\\standins\\vcredist_x86\\vc_red.msi";
    const CString line = FormatString(L"/l* \"%s\" USING_EXUIH=1 REBOOT=ReallySuppress REBOOTPROMPT=Suppress",
                                      (m_folder + L"vcredist_x86_20261210_msi.log").GetString());
    CProcessExecuter executer;
    DWORD result = 99;
    EXPECT_TRUE(executer.ExecuteInstall(package, line, nullptr, result));
    EXPECT_EQ(0u, result);
    if (result == 0)
        m_installed.push_back(package);
    EXPECT_EQ(CString(L"1"), GetRegString(HKEY_LOCAL_MACHINE, L"Software\\Quillmark\\RuntimeStandIn", L"Installed_x86", 0));
}
