// Whole installations by the built controller from a local setup folder: the setup archive is
// unpacked, the prerequisites and the product's package run, the post-installation list runs,
// the product's registry values are written and the extraction folder is removed.

#include "support/Registry.h"
#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

namespace
{
// The package's generation: the run re-roots to it after unpacking.
const wchar_t kGeneration[] = L"9111i";
// A renamed controller, so that Wine's version setting for it touches no other test: on
// Windows XP .NET 4 is missing and no .NET page is needed for step 21.
const wchar_t kController[] = L"VantolinSetupXP.exe";
const wchar_t kLauncher[] = L"VantolinSetup__AB12 (1).exe";
const wchar_t kCommonKey[] = L"SOFTWARE\\Quillmark\\Vantolin_9111i\\Common";

CString Between(const CString& text, const wchar_t* pszStart, const wchar_t* pszEnd)
{
    const int a = text.Find(pszStart);
    if (a < 0)
        return L"<none>";
    const int start = a + static_cast<int>(wcslen(pszStart));
    const int b = text.Find(pszEnd, start);
    return b < 0 ? text.Mid(start) : text.Mid(start, b - start);
}

int Count(const CString& text, const wchar_t* pszPart)
{
    int n = 0;
    for (int at = text.Find(pszPart); at >= 0; at = text.Find(pszPart, at + 1))
        ++n;
    return n;
}

// Every log the controller wrote for the generation (the folder is emptied for each run).
CString ReadGenerationLogs()
{
    const CString folder = ControllerLogFolder(kGeneration);
    CString text;
    for (const CString& name : ListFiles(folder + L"Log_oru_*.txt"))
        text += ReadUtf16File(folder + name);
    return text;
}

class InstallationRun : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SetWineVersionFor(kController, L"winxp")); }

    // A setup folder with the archive, the post-installation stand-ins and the launcher.
    CString PrepareFolder(const wchar_t* pszName, const char* pszIni)
    {
        const CString folder = PrepareControllerFolder(pszName, kGeneration, pszIni, kController);
        EXPECT_TRUE(CopyFileW(BinFolder() + L"..\\fixtures\\steps\\install\\VantolinSetupArchive.exe",
                              folder + L"VantolinSetupArchive.exe", FALSE));
        for (const wchar_t* name : { L"PostStepA", L"PostStepB" })
        {
            EXPECT_TRUE(CopyInto(L"StandIn.exe", folder, CString(name) + L".exe"));
            WriteTextFile(folder + name + L".ini", "[StandIn]\r\nExitCode=0\r\n");
        }
        EXPECT_TRUE(CopyInto(L"Launcher.exe", folder, kLauncher));
        WriteTextFile(folder + L"VantolinSetup__AB12 (1).ini", "[Launcher]\r\nProgram=VantolinSetupXP.exe\r\n");
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCommonKey, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS)
        {
            RegDeleteValueW(hKey, L"AffiliateId");
            RegDeleteValueW(hKey, L"InstalledVantolinView");
            RegCloseKey(hKey);
        }
        return folder;
    }
};
}

TEST_F(InstallationRun, OfflineInstallationFromTheSetupArchive)
{
    const struct
    {
        const char* name;
        const char* ini;
        const wchar_t* affiliate; // entry 1 afterwards
    } cases[] = {
        // The id comes from the name of the program that started the setup.
        { "id from the launcher's name", "", L"AB12 " },
        // oru.ini names one: the product gets it from there, entry 1 stays unwritten.
        { "id from oru.ini", "affiliateID=5150\r\n", nullptr },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const CString folder = PrepareFolder(L"steps_install", c.ini);
        const CControllerRun run = RunController(folder, kGeneration, L"/silent /quickmode:1 /view:9", kLauncher);
        EXPECT_EQ(0u, run.exitCode);
        // The run's own log (the process started was the launcher).
        const CString log = ReadGenerationLogs();

        const CString calls = ReadRefreshRtCalls(folder);
        const CString order = Between(calls, L"SetStringValue InstallationOrder=", L"\n");
        const CString tail(L"13;14;15;19;20;21;22;25;26;27;28;29;30;31;");
        EXPECT_TRUE(order.GetLength() > tail.GetLength() && order.Right(tail.GetLength()) == tail) << order.ToNarrow();
        EXPECT_TRUE(Contains(calls, L"SetIntValue InstallationReturnCode=10\n"));

        // The package ran with the folder of the setup and installed its file.
        const CString appDir = Between(log, L"APPDIR=\"", L"\"");
        EXPECT_TRUE(FileExists(appDir + L"\\readme.txt")) << appDir.ToNarrow();

        // The archive was given the folder and the silent switch as two arguments.
        const CString archiveRecord = ReadUtf16File(folder + L"VantolinSetupArchive.exe.record.txt");
        const CString extractDir = Between(archiveRecord, L"Argument=-d", L"\r\n");
        EXPECT_TRUE(Contains(archiveRecord, L"\r\nArgument=-s\r\n")) << archiveRecord.ToNarrow();
        EXPECT_EQ(L'\\', extractDir[extractDir.GetLength() - 1]) << extractDir.ToNarrow();
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(extractDir)) << "the extraction folder is removed: " << extractDir.ToNarrow();

        // Each post-installation command ran once. A silent run shows no progress page: the
        // switch for the page's window is passed on as it stands.
        const CString first = ReadUtf16File(folder + L"PostStepA.record.txt");
        EXPECT_EQ(1, Count(first, L"CommandLine=")) << first.ToNarrow();
        EXPECT_TRUE(Contains(first, L"/first -hwndoru\r\n")) << first.ToNarrow();
        EXPECT_TRUE(Contains(log, L"ERR: The progress dialog no longer exists in COruProcess::Step_PostInstallationStepsAdminLevel"));
        const CString second = ReadUtf16File(folder + L"PostStepB.record.txt");
        EXPECT_EQ(1, Count(second, L"CommandLine=")) << second.ToNarrow();
        EXPECT_TRUE(Contains(second, L"/second")) << second.ToNarrow();

        // The product's registry values.
        EXPECT_EQ(CString(L"9"), GetRegString(HKEY_LOCAL_MACHINE, kCommonKey, L"InstalledVantolinView", 0));
        EXPECT_EQ(CString(c.affiliate ? c.affiliate : L""), GetRegString(HKEY_LOCAL_MACHINE, kCommonKey, L"AffiliateId", 0));
        EXPECT_TRUE(Contains(log, L"GetNameOfParentProcess name of parent process is [VantolinSetup__AB12 (1).exe]") ||
                    c.affiliate == nullptr)
            << log.ToNarrow();
    }
}
