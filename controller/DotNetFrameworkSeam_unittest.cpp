#include "controller/DotNetFrameworkSeam.h"
#include "workers/CheckDisabledDotNetFromThread.h"

#include "tests/common/RecordingWindow.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

class DotNetFrameworkSeamTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "controller_dotnetseam_"; }
};

TEST_F(DotNetFrameworkSeamTest, ShippedSeamDeclines)
{
    CDotNetFrameworkSeam seam;
    CCheckDisabledDotNetFromThread worker(nullptr, &seam);
    ASSERT_EQ(1, worker.Check(nullptr));
    int result = -1;
    ASSERT_TRUE(CRecordingWindow::PumpUntil([&] { return worker.IsFinished(result); }, 20000));
    EXPECT_EQ(0, result);
    EXPECT_TRUE(Contains(Log(), L"no .NET page in this build, declined (first time 1)"));
    EXPECT_TRUE(Contains(Log(), L"user declined enabling .Net framework"));
}
