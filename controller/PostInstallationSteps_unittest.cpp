// Step 28 as the controller runs it: the engine reads the product's post-installation list from
// the registry and its worker drives the engine through it while this thread only pumps.

#include "controller/OruProcess.h"
#include "support/Registry.h"
#include "tests/common/EngineFakes.h"
#include "tests/common/RecordingWindow.h"
#include "tests/common/TraceCapture.h"
#include "workers/WindowMessages.h"

#include <gtest/gtest.h>

#include <memory>
#include <shlwapi.h>

namespace
{
const DWORD kWaitMs = 30000;
const wchar_t kBase[] = L"Software\\VantolinTests\\PostInstallSteps";
const wchar_t kAdmin[] = L"Software\\VantolinTests\\PostInstallSteps\\Product\\Admin";

struct CListEntry
{
    const wchar_t* pszSubkey;
    const wchar_t* pszCommand;       // null: no value
    const wchar_t* pszParams;        // null: no value
    const wchar_t* pszCheckReturnCode; // null: no value
};

class PostInstallationStepsTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "poststeps_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        SHDeleteKeyW(HKEY_CURRENT_USER, kBase);
    }
    void TearDown() override
    {
        m_engine.reset();
        SHDeleteKeyW(HKEY_CURRENT_USER, kBase);
        CTracedTest::TearDown();
    }

    // In the order given, which need not be the order of the names.
    void WriteList(const std::vector<CListEntry>& entries)
    {
        HKEY hAdmin = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kAdmin, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hAdmin, nullptr));
        RegCloseKey(hAdmin);
        for (const CListEntry& entry : entries)
        {
            const CString key = CString(kAdmin) + L"\\" + entry.pszSubkey;
            HKEY hKey = nullptr;
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
            RegCloseKey(hKey);
            const struct
            {
                const wchar_t* pszName;
                const wchar_t* pszValue;
            } values[] = { { L"Command", entry.pszCommand },
                           { L"CommandParams", entry.pszParams },
                           { L"CheckReturnCode", entry.pszCheckReturnCode } };
            for (const auto& v : values)
                if (v.pszValue)
                    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, key, v.pszName, REG_SZ, v.pszValue, nullptr, 0));
        }
    }

    COruProcess& Make()
    {
        m_engine = m_services.MakeEngine(m_folder, m_folder + L"extract");
        EXPECT_TRUE(m_engine != nullptr);
        m_engine->SetProgressWnd(m_page.Get());
        // The product's package ran on the process worker before, as in every installation.
        EXPECT_TRUE(m_engine->LaunchMsiInstall(L"product.msi", L"", nullptr));
        m_engine->WaitForProcessEnd();
        m_nPackageRuns = m_exec.Runs().size();
        return *m_engine;
    }

    // Step 28 as the post-installation phase starts it; true when the worker ran to its end.
    bool RunPhase(COruProcess& e, const std::function<void()>& whileRunning = nullptr)
    {
        COruProcessProbe::ForcedStep(e) = 28;
        e.RunNextStep();
        if (!e.StartPostInstallationSteps())
            return false;
        if (whileRunning)
            whileRunning();
        return CRecordingWindow::PumpUntil([&] { return e.IsPostInstallationFinished(); }, kWaitMs) &&
               CRecordingWindow::PumpUntil([&] { return !m_page.Messages(PROGRESSDLG_END_DIALOG).empty(); }, kWaitMs);
    }

    CFakeEngineServices m_services{ L"PostInstallSteps" };
    CFakeExecuter& m_exec = m_services.exec;
    CRecordingWindow m_page{ PROGRESSDLG_SET_MESSAGE };
    std::unique_ptr<COruProcess> m_engine;
    size_t m_nPackageRuns = 0;

    // The commands run since the package.
    std::vector<std::wstring> Commands()
    {
        const std::vector<std::wstring> runs = m_exec.Runs();
        return std::vector<std::wstring>(runs.begin() + static_cast<std::ptrdiff_t>(m_nPackageRuns), runs.end());
    }
};

TEST_F(PostInstallationStepsTest, CommandsRunInTheRegistrysOrderWithMissingValuesEmpty)
{
    WriteList({ { L"02_b", L"b.exe", nullptr, nullptr }, { L"01_a", L"a.exe", L"/x", L"1" } });
    COruProcess& e = Make();
    ASSERT_TRUE(RunPhase(e));
    EXPECT_EQ((std::vector<std::wstring>{ L"a.exe /x", L"b.exe " }), Commands());
    const auto end = m_page.Messages(PROGRESSDLG_END_DIALOG);
    ASSERT_EQ(1u, end.size());
    EXPECT_EQ(1u, end[0].wParam);
    EXPECT_EQ(29, e.GetNextStep(true));
    EXPECT_TRUE(e.IsSuccess());
}

TEST_F(PostInstallationStepsTest, OnlyTheExactTextOneChecksTheExitCode)
{
    const struct
    {
        const wchar_t* pszCheck;
        bool bChecked;
    } cases[] = { { L"1", true }, { L"true", false }, { L" 1", false }, { nullptr, false } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.pszCheck ? c.pszCheck : L"(none)").ToNarrow());
        SHDeleteKeyW(HKEY_CURRENT_USER, kBase);
        WriteList({ { L"01_busy", L"busy.exe", L"", c.pszCheck }, { L"02_next", L"next.exe", L"", nullptr } });
        m_exec.codes[L"busy.exe"] = 1618; // another installation is running
        COruProcess& e = Make();
        ASSERT_TRUE(RunPhase(e));
        EXPECT_EQ(c.bChecked, e.IsAnotherInstallRunning());
        EXPECT_EQ(!c.bChecked, e.IsSuccess());
        EXPECT_EQ(c.bChecked ? 39 : 29, e.GetNextStep(true));
        EXPECT_EQ(c.bChecked ? 1u : 2u, Commands().size());
    }
}

TEST_F(PostInstallationStepsTest, MissingOrEmptyListEndsAtOnce)
{
    for (bool bEmptyKey : { true, false })
    {
        SCOPED_TRACE(bEmptyKey ? "empty key" : "missing key");
        SHDeleteKeyW(HKEY_CURRENT_USER, kBase);
        if (bEmptyKey)
            WriteList({});
        COruProcess& e = Make();
        const size_t before = m_page.Messages(PROGRESSDLG_END_DIALOG).size();
        COruProcessProbe::ForcedStep(e) = 28;
        e.RunNextStep();
        ASSERT_TRUE(e.StartPostInstallationSteps());
        ASSERT_TRUE(CRecordingWindow::PumpUntil(
            [&] { return m_page.Messages(PROGRESSDLG_END_DIALOG).size() > before; }, kWaitMs));
        EXPECT_TRUE(m_page.Messages(PROGRESSDLG_PBM_SETRANGE32).empty());
        EXPECT_TRUE(Commands().empty());
        EXPECT_EQ(29, e.GetNextStep(true));
        EXPECT_EQ(!bEmptyKey, Contains(Log(), L"CPostInstallationStepsUtil::FillPostInstallationStepsForKey failed for key ["));
    }
}

TEST_F(PostInstallationStepsTest, StopMidListStartsNoFurtherCommand)
{
    WriteList({ { L"01", L"one.exe", L"", nullptr }, { L"02", L"two.exe", L"", nullptr }, { L"03", L"three.exe", L"", nullptr } });
    COruProcess& e = Make();
    m_exec.CloseGate();
    ASSERT_TRUE(RunPhase(e, [&] {
        ASSERT_TRUE(CRecordingWindow::PumpUntil([&] { return !Commands().empty(); }, kWaitMs));
        // The page's cancel: a stop request that does not wait, then the running command ends.
        e.Stop(false);
        m_exec.OpenGate();
    }));
    EXPECT_EQ((std::vector<std::wstring>{ L"one.exe " }), Commands());
}
}
