// A fault inside the controller ends the run as failed (exit 1) with an error line in its log,
// never as a cancel (3) and never on a box that a silent run would wait on for ever.

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

TEST(CoruAppCrash, FaultsEndAsAFailedRunWithTheirLine)
{
    const struct
    {
        const wchar_t* args;
        const wchar_t* cause;
    } cases[] = {
        { L"/silent /crash:throw", L"the exception \"planted in InitInstance\"" },
        { L"/silent /crash:pure", L"a pure virtual call" },
        { L"/silent /crash:thread", L"the runtime's terminate handler (an uncaught exception or a pure virtual call)" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.args).ToNarrow());
        const CString folder = PrepareControllerFolder(L"crash_run", L"9131");
        ASSERT_TRUE(CopyInto(L"VantolinSetupCrash.exe", folder));
        // A box would hold the process until the run's time is up (exit 99).
        const CControllerRun run = RunController(folder, L"9131", c.args, L"VantolinSetupCrash.exe");
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_TRUE(Contains(run.log, CString(L"ERR: CoruApp::OnUnhandledException : the run ends on ") + c.cause))
            << run.log.ToNarrow();
    }
}
