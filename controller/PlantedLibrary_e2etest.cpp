// Libraries planted beside the built programs, as a download could leave them in the user's
// Downloads: the controller and the cleanup program never run them, while a program importing
// those libraries the ordinary way does. The test runs with Wine's load order for version.dll
// and userenv.dll set to "native, then builtin" (the order Windows uses for a library that is not
// a known DLL: the program's folder first), so that a planted copy is reached wherever the
// libraries are looked up by name.
//
// Wine's own user32 imports version.dll by name, so under this order Wine maps a planted
// version.dll into every program with a window library (on Windows user32 is a known DLL and
// imports no version.dll). For version.dll the test therefore checks that the program's own
// version calls never reach the planted copy; userenv.dll, which none of Wine's start-up
// libraries imports, must not even be loaded.

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

namespace
{
const DWORD kRunTimeoutMs = 60000;
const wchar_t kPlanted[] = L"D:\\fixtures\\planted\\PlantedLibrary.dll";

void PlantBeside(const CString& folder)
{
    for (const wchar_t* name : { L"version.dll", L"userenv.dll" })
        EXPECT_TRUE(CopyFileW(kPlanted, folder + name, FALSE)) << CString(name).ToNarrow();
}

// What the planted copies recorded: which of them were loaded, and the calls that reached them
// from the program's own image.
struct CPlantedRecord
{
    bool versionLoaded = false;
    bool userenvLoaded = false;
    CString callsFromProgram;
};

CPlantedRecord ReadPlantedRecord(const CString& folder, const wchar_t* pszExe)
{
    CPlantedRecord record;
    record.versionLoaded = FileExists(folder + L"version.dll.loaded");
    record.userenvLoaded = FileExists(folder + L"userenv.dll.loaded");
    const CString program = folder + pszExe;
    for (const wchar_t* calls : { L"version.dll.calls", L"userenv.dll.calls" })
    {
        const CString text = ReadUtf8File(folder + calls);
        int start = 0;
        while (start < text.GetLength())
        {
            int end = text.Find(L"\r\n", start);
            if (end < 0)
                end = text.GetLength();
            const CString line = text.Mid(start, end - start);
            if (line.Right(program.GetLength()).CompareNoCase(program) == 0)
                record.callsFromProgram += line + L"\n";
            start = end + 2;
        }
    }
    return record;
}
}

TEST(PlantedLibrary, OnlyAProgramImportingTheLibrariesTheOrdinaryWayRunsThem)
{
    const struct
    {
        const wchar_t* exe;
        DWORD exitCode;
        bool reached;
    } cases[] = {
        // The control case: the loader takes the folder's copies, which hand the calls on.
        { L"PlainImports.exe", 0, true },
        // Without a folder to remove the cleanup program ends at once (87); its version and
        // userenv imports used to be resolved at its start.
        { L"VantolinSetupCleanup.exe", 87, false },
    };
    for (const auto& c : cases)
    {
        const std::string exe = CString(c.exe).ToNarrow();
        const CString folder = FreshTestFolder(L"planted_library");
        ASSERT_TRUE(CopyInto(c.exe, folder));
        PlantBeside(folder);
        CChildProcess process;
        ASSERT_TRUE(process.Start(folder + c.exe, L"", folder));
        const DWORD exitCode = process.Wait(kRunTimeoutMs);
        if (exitCode == STILL_ACTIVE)
            TerminateProcess(process.GetHandle(), 99);
        EXPECT_EQ(c.exitCode, exitCode) << exe;
        const CPlantedRecord record = ReadPlantedRecord(folder, c.exe);
        EXPECT_EQ(c.reached, record.userenvLoaded) << exe;
        if (c.reached)
        {
            EXPECT_TRUE(record.versionLoaded) << exe;
            EXPECT_TRUE(Contains(record.callsFromProgram, L"GetFileVersionInfoSizeW ")) << exe;
            EXPECT_TRUE(Contains(record.callsFromProgram, L"GetProfilesDirectoryW ")) << exe;
        }
        else
        {
            EXPECT_EQ(L"", record.callsFromProgram) << exe;
        }
    }
}

TEST(PlantedLibrary, ControllerRunsOnTheSystemsLibrariesOnly)
{
    const CString folder = PrepareControllerFolder(L"planted_library_controller", L"9151");
    PlantBeside(folder);
    // Without the Internet and without a setup archive the run ends cancelled, after its log
    // header (version.dll) and its Internet check (winhttp.dll) have used delay-loaded libraries.
    const CControllerRun run = RunController(folder, L"9151", L"", L"VantolinSetup.exe", IDOK);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_TRUE(Contains(run.log, L"INF: Starting ORU2010 version 3.0.1.12")) << run.log.ToNarrow();
    const CPlantedRecord record = ReadPlantedRecord(folder, L"VantolinSetup.exe");
    EXPECT_FALSE(record.userenvLoaded);
    EXPECT_EQ(L"", record.callsFromProgram);
}
