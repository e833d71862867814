// The shipped .NET seam shows dialog 157 on the worker's thread: its answer is the worker's, and
// a restart pending in the 64-bit registry view leaves only the abort.
#include "controller/DotNetFrameworkSeam.h"
#include "controller/OruUtil.h"
#include "support/Registry.h"
#include "classlib/Handles.h"
#include "classlib/WinApp.h"
#include "wizard/resource.h"
#include "workers/CheckDisabledDotNetFromThread.h"

#include "tests/common/RecordingWindow.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/Windows.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
const wchar_t kAutoUpdate[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update";

REGSAM View64()
{
    return COruUtil::Is64BitOS() ? KEY_WOW64_64KEY : 0;
}

// The flag of a pending restart for the test's lifetime.
class CPendingReboot
{
public:
    CPendingReboot()
    {
        m_bSet = WriteRegDword(HKEY_LOCAL_MACHINE, CString(kAutoUpdate) + L"\\RebootRequired", L"VantolinTests", 1,
                               nullptr, View64());
    }
    ~CPendingReboot()
    {
        CScopedRegKey parent;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAutoUpdate, 0, KEY_ALL_ACCESS | View64(), parent.Receive()) ==
            ERROR_SUCCESS)
            RegDeleteKeyW(parent.Get(), L"RebootRequired");
    }
    bool m_bSet = false;
};

CString TextOf(HWND hDlg, int nID)
{
    wchar_t text[2048] = {};
    GetDlgItemTextW(hDlg, nID, text, 2048);
    return text;
}

struct CAnswer
{
    CString message;
    bool enableOffered = false;
    DWORD thread = 0;
};

// Answers the .NET page the worker shows: Enable when offered and bEnable, else Abort.
void AnswerPage(CAnswer& rAnswer, bool bEnable)
{
    HWND hDlg = WaitForProcessDialog(GetCurrentProcessId(), 20000);
    if (!hDlg)
        return;
    Sleep(100);
    rAnswer.message = TextOf(hDlg, IDC_DOTNET_MESSAGE);
    rAnswer.enableOffered = IsWindowEnabled(GetDlgItem(hDlg, IDOK)) != FALSE;
    rAnswer.thread = GetWindowThreadProcessId(hDlg, nullptr);
    PressDialogButton(hDlg, bEnable && rAnswer.enableOffered ? IDOK : IDCANCEL);
}

class DotNetFrameworkSeamTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "controller_dotnetseam_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    }
    // The worker's result after the page was answered.
    int RunWorker(CAnswer& rAnswer)
    {
        CDotNetFrameworkSeam seam;
        CCheckDisabledDotNetFromThread worker(nullptr, &seam);
        std::thread driver([&]() { AnswerPage(rAnswer, false); });
        EXPECT_EQ(1, worker.Check(nullptr));
        int result = -1;
        EXPECT_TRUE(CRecordingWindow::PumpUntil([&] { return worker.IsFinished(result); }, 30000));
        driver.join();
        return result;
    }
};

CString English(UINT nID)
{
    CString text;
    AfxLoadString(nID, text, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    return text;
}
}

TEST_F(DotNetFrameworkSeamTest, ShippedSeamAsksThePageOnTheWorkersThreadAndAbortDeclines)
{
    ASSERT_FALSE(COruUtil::IsRebootPending()) << "the prefix has no pending reboot";
    CAnswer answer;
    EXPECT_EQ(0, RunWorker(answer));
    EXPECT_EQ(English(IDS_DOTNET_DISABLED) + English(IDS_DOTNET_CAN_ENABLE), answer.message);
    EXPECT_TRUE(Contains(answer.message, L"from the controil panel Programs and Features"));
    EXPECT_TRUE(answer.enableOffered);
    EXPECT_NE(GetCurrentThreadId(), answer.thread);
    EXPECT_NE(0u, answer.thread);
    EXPECT_TRUE(Contains(Log(), L"CDotNetFrameworkSeam::ShowDotNetDisabledPage : first time 1, answer 2"));
    EXPECT_TRUE(Contains(Log(), L"user declined enabling .Net framework"));
}

TEST_F(DotNetFrameworkSeamTest, RestartPendingInTheSixtyFourBitViewOffersOnlyTheAbort)
{
    CPendingReboot pending;
    ASSERT_TRUE(pending.m_bSet);
    ASSERT_TRUE(COruUtil::IsRebootPending());
    CAnswer answer;
    EXPECT_EQ(0, RunWorker(answer));
    EXPECT_FALSE(answer.enableOffered);
    // The first showing explains what the wizard could do; only the abort is left to press.
    EXPECT_EQ(English(IDS_DOTNET_DISABLED) + English(IDS_DOTNET_CAN_ENABLE), answer.message);
    EXPECT_TRUE(Contains(Log(), L"user declined enabling .Net framework"));
}
