// refresh_rt keeps the addresses of the module descriptor and the store it was given and reads
// them up to the statistics' release (the stand-in does the same): the controller must keep
// both alive until then, also the descriptor it replaced when the package named another
// generation.

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

TEST(RefreshRtLifetime, StatisticsReleasedWhileTheirModuleAndStoreLive)
{
    // The run removes its extraction folder at the end: each run gets a copy of the fixture.
    CString extract = CopyExtractFixture(L"rt_lifetime_extract");
    extract.TrimRight(L"\\");
    const struct
    {
        const wchar_t* name;
        CString args;
        const wchar_t* storeRoot;
    } cases[] = {
        { L"plain run", L"", L"Vantolin_9134" },
        // A package named by /extract_dir: outside a continuation is not taken (Wine shows no
        // folder as an elevated run's own, so no command line re-roots here): the store keeps
        // the program's generation.
        { L"package on the command line", L"/extract_dir:\"" + extract + L"\"", L"Vantolin_9134" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.name).ToNarrow());
        const CString folder = PrepareControllerFolder(L"rt_lifetime", L"9134");
        CopyExtractFixture(L"rt_lifetime_extract");
        const CControllerRun run = RunController(folder, L"9134", c.args, L"VantolinSetup.exe", IDOK);
        EXPECT_EQ(2u, run.exitCode);
        const CString calls = ReadRefreshRtCalls(folder);
        // The generation of the descriptor the statistics were built on, read back at release.
        const CString created = L"GetUsageStatisticsInstance edition=0 product=Vantolin generation=";
        const int from = calls.Find(created);
        ASSERT_GE(from, 0) << calls.ToNarrow();
        const int start = from + created.GetLength();
        const CString generation = calls.Mid(start, calls.Find(L' ', start) - start);
        const int at = calls.Find(L"ReleaseUsageStatistics read product=Vantolin generation=" + generation + L" store=");
        ASSERT_GE(at, 0) << calls.ToNarrow();
        const CString line = calls.Mid(at, calls.Find(L'\n', at) - at);
        EXPECT_TRUE(Contains(line, c.storeRoot)) << line.ToNarrow();
    }
}
