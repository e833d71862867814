#include "support/Registry.h"
#include "support/ShellExecuteProcess.h"
#include "support/SysUtil.h"
#include "support/SystemShutdown.h"
#include "support/TraceLog.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <set>
#include <thread>
#include <vector>

namespace
{
const wchar_t kTestKey[] = L"Software\\VantolinTests\\SysUtil_unittest";

class RegistryTest : public ::testing::Test
{
protected:
    void TearDown() override { SHDeleteKeyW(HKEY_CURRENT_USER, kTestKey); }
    void WriteRaw(const wchar_t* pszName, DWORD type, const void* pData, DWORD bytes)
    {
        CScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 key.Receive(), nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), pszName, 0, type, static_cast<const BYTE*>(pData), bytes));
    }
};
}

TEST_F(RegistryTest, StringReadsAreAlwaysTerminated)
{
    const std::wstring full(1024, L'w'); // 2048 bytes: the read buffer's exact size, no terminator
    const std::wstring over(1025, L'o');
    const std::wstring almost(1023, L'a');
    const struct
    {
        const wchar_t* name;
        DWORD type;
        std::wstring data;
        bool terminated;
        bool ok;
    } cases[] = {
        { L"plain", REG_SZ, L"text", true, true },
        { L"noterm", REG_SZ, L"abc", false, true },
        { L"expand", REG_EXPAND_SZ, L"%SystemRoot%\\x", true, true },
        { L"exact", REG_SZ, full, false, true },
        { L"exactterm", REG_SZ, almost, true, true },
        { L"toolong", REG_SZ, over, false, false },
        { L"multi", REG_MULTI_SZ, L"a", true, false },
    };
    for (const auto& c : cases)
    {
        std::vector<wchar_t> data(c.data.begin(), c.data.end());
        if (c.terminated)
            data.push_back(L'\0');
        WriteRaw(c.name, c.type, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)));
        DWORD type = 0;
        CString text(L"untouched");
        EXPECT_EQ(c.ok, ReadRegString(HKEY_CURRENT_USER, kTestKey, c.name, type, text, 0)) << CString(c.name).ToNarrow();
        if (c.ok)
        {
            EXPECT_EQ(c.type, type);
            EXPECT_EQ(CString(c.data), text) << CString(c.name).ToNarrow();
            EXPECT_EQ(CString(c.data), GetRegString(HKEY_CURRENT_USER, kTestKey, c.name, 0));
        }
        else
            EXPECT_EQ(L"", GetRegString(HKEY_CURRENT_USER, kTestKey, c.name, 0));
    }
}

TEST_F(RegistryTest, DwordAndStringWriteReadBack)
{
    DWORD value = 0;
    EXPECT_FALSE(ReadRegDword(HKEY_CURRENT_USER, kTestKey, L"d", value, 0));
    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kTestKey, L"d", 0x12345678, nullptr, 0));
    EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, kTestKey, L"d", value, 0));
    EXPECT_EQ(0x12345678u, value);
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kTestKey, L"s", REG_SZ, L"12", nullptr, 0));
    EXPECT_FALSE(ReadRegDword(HKEY_CURRENT_USER, kTestKey, L"s", value, 0)) << "a REG_SZ is not a number";
    DWORD type = 0;
    CString text;
    EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, kTestKey, L"d", type, text, 0));

    // The shared-key security attributes are accepted by the writers.
    SECURITY_ATTRIBUTES sa;
    ASSERT_TRUE(CreateAllUsersSecurityAttributes(sa));
    EXPECT_EQ(12u, sa.nLength);
    EXPECT_FALSE(sa.bInheritHandle);
    EXPECT_TRUE(WriteRegString(HKEY_CURRENT_USER, CString(kTestKey) + L"\\shared", L"v", REG_SZ, L"x", &sa, 0));
    LocalFree(sa.lpSecurityDescriptor);
    EXPECT_EQ(L"x", GetRegString(HKEY_CURRENT_USER, CString(kTestKey) + L"\\shared", L"v", 0));
}

TEST(SysUtil, ErrorTextsAndGuids)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    const CString last = GetLastErrorText();
    EXPECT_EQ(0, last.Find(L"2: ")) << last.ToNarrow();
    EXPECT_GT(last.GetLength(), 3);
    const CString text = GetSystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_EQ(text.GetLength() - 4, text.Find(L" (5)")) << text.ToNarrow();
    EXPECT_LT(text.Find(L'\n'), 0);
    EXPECT_EQ(L" (-559038737)", GetSystemErrorText(0xDEADBEEF));

    EXPECT_EQ(L"00000000-0000-0000-0000-000000000000", FormatGuid(GUID{}));
    const GUID g = { 0x1234abcd, 0x12ef, 0xa0b1, { 1, 2, 3, 4, 5, 6, 0xfe, 0xff } };
    EXPECT_EQ(L"1234ABCD-12EF-A0B1-0102-03040506FEFF", FormatGuid(g));
    CString a, b;
    ASSERT_TRUE(CreateGuidString(a));
    ASSERT_TRUE(CreateGuidString(b));
    EXPECT_NE(a, b);
    EXPECT_EQ(36, a.GetLength());
}

TEST(SysUtil, ProgramAndProcessLookups)
{
    const wchar_t* pszFolder = GetExeFolder();
    ASSERT_NE(nullptr, pszFolder);
    EXPECT_EQ(BinFolder(), CString(pszFolder));
    EXPECT_EQ(L"SysUtil_unittest.exe", GetModuleFileNameOnly());
    CString name;
    ASSERT_TRUE(GetProcessImagePath(name));
    EXPECT_EQ(0, name.CompareNoCase(L"SysUtil_unittest.exe")) << name.ToNarrow();

    PROCESSENTRY32W entry = {};
    ASSERT_TRUE(FindProcessEntry(GetCurrentProcessId(), entry));
    EXPECT_EQ(GetCurrentProcessId(), entry.th32ProcessID);
    DWORD pid = 0;
    EXPECT_TRUE(FindProcessByExeName(entry.szExeFile, pid));
    EXPECT_FALSE(FindProcessByExeName(L"no-such-program.exe", pid));
}

TEST(SysUtil, UniqueLocalTimeAcrossThreads)
{
    std::vector<SYSTEMTIME> times(200);
    std::thread other([&] {
        for (int i = 0; i < 100; ++i)
            GetUniqueLocalTime(times[i]);
    });
    for (int i = 100; i < 200; ++i)
        GetUniqueLocalTime(times[i]);
    other.join();
    std::set<std::string> seen;
    for (const SYSTEMTIME& t : times)
        EXPECT_TRUE(seen.insert(std::string(reinterpret_cast<const char*>(&t), sizeof(t))).second);
}

namespace
{
int g_shutdownCalls = 0;
BOOL g_lastReboot = FALSE, g_lastForce = FALSE;
DWORD g_lastTimeout = 99;
BOOL g_shutdownResult = TRUE;

BOOL WINAPI FakeShutdown(LPWSTR machine, LPWSTR message, DWORD timeout, BOOL force, BOOL reboot)
{
    ++g_shutdownCalls;
    g_lastTimeout = timeout;
    g_lastForce = force;
    g_lastReboot = reboot;
    EXPECT_EQ(nullptr, machine);
    EXPECT_EQ(nullptr, message);
    SetLastError(ERROR_ACCESS_DENIED);
    return g_shutdownResult;
}

class SysUtilTracedTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "sysutil_"; }
};
}

TEST_F(SysUtilTracedTest, ShutdownGoesThroughTheSeam)
{
    const SystemShutdownCalls fake = { FakeShutdown };
    const CScopedCalls<SystemShutdownCalls> shutdownCalls(SetSystemShutdownCalls, &fake);
    {
        CSystemShutdown shutdown;
        shutdown.SetReboot(true);
        EXPECT_TRUE(shutdown.Initiate());
        EXPECT_EQ(1, g_shutdownCalls);
        EXPECT_TRUE(g_lastReboot);
        EXPECT_TRUE(g_lastForce);
        EXPECT_EQ(0u, g_lastTimeout);
        g_shutdownResult = FALSE;
        EXPECT_FALSE(shutdown.Initiate());
    }
    EXPECT_TRUE(Contains(Log(), L"ERR: Error initiating system shutdown [0x5]"));
}

TEST_F(SysUtilTracedTest, ShellStartWaitAndNoProcess)
{
    CShellExecuteProcess notStarted;
    EXPECT_EQ(nullptr, notStarted.GetProcessHandle());
    EXPECT_EQ(static_cast<DWORD>(-1), notStarted.WaitForExit());

    CShellExecuteProcess process;
    ASSERT_TRUE(process.Start(BinFolder() + L"StandIn.exe", L"/exit:42", L"", false));
    EXPECT_NE(nullptr, process.GetProcessHandle());
    EXPECT_EQ(42u, process.WaitForExit());
    EXPECT_FALSE(process.Start(m_folder + L"missing.exe", L"", m_folder, true));
    EXPECT_TRUE(Contains(Log(), L"CShellExecuteProcess::WaitForExit : no process was started"));
}
