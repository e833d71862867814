#include "workers/MsiUIHandler.h"
#include "workers/WorkerStrings.h"

#include "tests/common/ScopedCalls.h"
#include "tests/common/RecordingWindow.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace
{
const wchar_t kInstalling[] = L"Installing product features";
const wchar_t kCancelling[] = L"Cancelling operation, please wait...";
const wchar_t kRollingBack[] = L"Rolling back performed operations";
const int kBoxAnswer = IDABORT;

// What the handler showed and called, through its seam; every box is answered kBoxAnswer.
struct CRecordedCalls
{
    std::vector<std::wstring> boxes; // "owner|caption|text|flags|language"
    std::vector<UINT> beeps;
    std::vector<INSTALLUILEVEL> levels;
    std::vector<std::wstring> properties; // "package|name=value"
};
CRecordedCalls g_recorded;

int WINAPI RecordBox(HWND hWnd, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType, WORD wLanguageId)
{
    g_recorded.boxes.push_back(std::to_wstring(reinterpret_cast<ULONG_PTR>(hWnd)) + L"|" + pszCaption + L"|" + pszText +
                               L"|" + std::to_wstring(uType) + L"|" + std::to_wstring(wLanguageId));
    return kBoxAnswer;
}
BOOL WINAPI RecordBeep(UINT uType)
{
    g_recorded.beeps.push_back(uType);
    return TRUE;
}
INSTALLUILEVEL WINAPI RecordLevel(INSTALLUILEVEL level, HWND*)
{
    g_recorded.levels.push_back(level);
    return INSTALLUILEVEL_NONE;
}
UINT WINAPI RecordProperty(MSIHANDLE hInstall, LPCWSTR pszName, LPCWSTR pszValue)
{
    g_recorded.properties.push_back(std::to_wstring(hInstall) + L"|" + pszName + L"=" + pszValue);
    return ERROR_SUCCESS;
}
const MsiUIHandlerCalls kRecordingCalls = { RecordBox, RecordBeep, RecordLevel, RecordProperty };

class MsiUIHandlerTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "workers_handler_"; }
    const CScopedCalls<MsiUIHandlerCalls> m_calls{ SetMsiUIHandlerCalls, &kRecordingCalls };
    void SetUp() override
    {
        CTracedTest::SetUp();
        g_recorded = CRecordedCalls();
    }
    int Call(MsiUIContext& context, UINT kind, const wchar_t* pszText, UINT flags = 0)
    {
        return MsiUIHandler(&context, kind | flags, pszText);
    }
    volatile LONG m_stop = 0;
};
}

TEST_F(MsiUIHandlerTest, AnswersEachKindWithAndWithoutCancel)
{
    const struct
    {
        UINT kind;
        int answer;
        int cancelledAnswer;
    } cases[] = {
        // Boxes: the user's button, cancelled or not.
        { INSTALLMESSAGE_FATALEXIT, kBoxAnswer, kBoxAnswer },
        { INSTALLMESSAGE_ERROR, kBoxAnswer, kBoxAnswer },
        { INSTALLMESSAGE_WARNING, kBoxAnswer, kBoxAnswer },
        { INSTALLMESSAGE_USER, IDOK, IDCANCEL },
        { INSTALLMESSAGE_INFO, 0, IDCANCEL },
        { INSTALLMESSAGE_FILESINUSE, 0, IDCANCEL },
        { INSTALLMESSAGE_RESOLVESOURCE, 0, 0 },
        { INSTALLMESSAGE_OUTOFDISKSPACE, IDOK, IDCANCEL },
        { INSTALLMESSAGE_ACTIONSTART, 0, IDCANCEL },
        { INSTALLMESSAGE_ACTIONDATA, 0, IDCANCEL },
        { INSTALLMESSAGE_PROGRESS, 0, 0 },
        { INSTALLMESSAGE_COMMONDATA, 0, IDCANCEL },
        { INSTALLMESSAGE_RMFILESINUSE, 0, IDCANCEL },
        { INSTALLMESSAGE_INITIALIZE, 0, IDCANCEL },
        { INSTALLMESSAGE_SHOWDIALOG, 0, IDCANCEL },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "kind 0x" << std::hex << c.kind);
        m_stop = 0;
        MsiUIContext context(L"/qn", &m_stop, nullptr);
        EXPECT_EQ(c.answer, Call(context, c.kind, L"1: 0 2: 0", MB_OK));
        m_stop = 1;
        EXPECT_EQ(c.cancelledAnswer, Call(context, c.kind, L"1: 0 2: 0", MB_OK));
    }
    // A message without text: 2 once cancelled, whatever the kind.
    m_stop = 0;
    MsiUIContext context(L"", &m_stop, nullptr);
    EXPECT_EQ(0, Call(context, INSTALLMESSAGE_USER, nullptr));
    m_stop = 1;
    EXPECT_EQ(IDCANCEL, Call(context, INSTALLMESSAGE_RESOLVESOURCE, nullptr));
}

TEST_F(MsiUIHandlerTest, ErrorsAndWarningsAreBoxesOwnedByThePageInTheInstallersLanguage)
{
    CRecordingWindow page;
    const std::wstring owner = std::to_wstring(reinterpret_cast<ULONG_PTR>(page.Get()));
    MsiUIContext context(L"", &m_stop, page.Get());
    context.hPackage = 42;
    const UINT retry = MB_RETRYCANCEL | MB_ICONERROR;
    EXPECT_EQ(kBoxAnswer, Call(context, INSTALLMESSAGE_ERROR, L"Error 1303. No access.", retry));
    // The installer's language for later errors (common data of type 0).
    Call(context, INSTALLMESSAGE_COMMONDATA, L"1: 0 2: 1031 3: 1252 ");
    EXPECT_EQ(kBoxAnswer, Call(context, INSTALLMESSAGE_ERROR, L"Error 1304.", MB_OK | MB_ICONWARNING));
    EXPECT_EQ(kBoxAnswer, Call(context, INSTALLMESSAGE_FATALEXIT, L"Fatal one", MB_OK));
    EXPECT_EQ(kBoxAnswer, Call(context, INSTALLMESSAGE_WARNING, L"A warning", MB_YESNO));
    const std::vector<std::wstring> expected = {
        owner + L"|Error|Error 1303. No access.|" + std::to_wstring(retry) + L"|0",
        owner + L"|Error|Error 1304.|" + std::to_wstring(MB_OK | MB_ICONWARNING) + L"|1031",
        owner + L"|Fatal Error|Fatal one|0|0",
        owner + L"|Warning|A warning|" + std::to_wstring(MB_YESNO) + L"|0",
    };
    EXPECT_EQ(expected, g_recorded.boxes);
    // Errors beep with their icon.
    EXPECT_EQ((std::vector<UINT>{ MB_ICONERROR, MB_ICONWARNING }), g_recorded.beeps);
    // The first call's work, once: the basic level without a window and the client's level.
    EXPECT_EQ(std::vector<INSTALLUILEVEL>{ INSTALLUILEVEL_BASIC }, g_recorded.levels);
    EXPECT_EQ(std::vector<std::wstring>{ L"42|CLIENTUILEVEL=2" }, g_recorded.properties);

    // Without the page (or once it is gone) the boxes have no owner.
    g_recorded.boxes.clear();
    MsiUIContext unowned(L"", &m_stop, nullptr);
    Call(unowned, INSTALLMESSAGE_WARNING, L"Alone", MB_OK);
    EXPECT_EQ(std::vector<std::wstring>{ L"0|Warning|Alone|0|0" }, g_recorded.boxes);
}

TEST_F(MsiUIHandlerTest, ARealBoxAnswersWithTheButtonPressed)
{
    m_calls.Install(nullptr);
    MsiUIContext context(L"", &m_stop, nullptr);
    std::atomic<bool> found{ false };
    std::thread user([&found]() {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 20000)
        {
            HWND hBox = FindWindowW(L"#32770", L"Warning");
            if (hBox && IsWindowVisible(hBox))
            {
                found = true;
                PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hBox, IDNO)));
                return;
            }
            Sleep(20);
        }
    });
    const int answer = Call(context, INSTALLMESSAGE_WARNING, L"Continue without the codec pack?", MB_YESNO);
    user.join();
    EXPECT_TRUE(found);
    EXPECT_EQ(IDNO, answer);
}

TEST_F(MsiUIHandlerTest, PageTextsAndCancelButton)
{
    CRecordingWindow page;
    MsiUIContext context(L"", &m_stop, page.Get());
    Call(context, INSTALLMESSAGE_ACTIONSTART, L"Action 1");
    Call(context, INSTALLMESSAGE_ACTIONSTART, L"Action 2");
    EXPECT_EQ(std::vector<CString>{ kInstalling }, page.Texts(IDC_PROGRESS_MAIN_TEXT));
    EXPECT_EQ(std::vector<CString>{ L"" }, page.Texts(IDC_PROGRESS_EXTRA_TEXT));

    // Common data type 2 switches the Cancel button; type 1 (caption) changes nothing.
    EnableWindow(GetDlgItem(page.Get(), IDCANCEL), TRUE);
    Call(context, INSTALLMESSAGE_COMMONDATA, L"1: 2 2: 0 ");
    EXPECT_FALSE(page.IsControlEnabled(IDCANCEL));
    Call(context, INSTALLMESSAGE_COMMONDATA, L"1: 1 2: 1 ");
    EXPECT_FALSE(page.IsControlEnabled(IDCANCEL));
    Call(context, INSTALLMESSAGE_COMMONDATA, L"1: 2 2: 1 ");
    EXPECT_TRUE(page.IsControlEnabled(IDCANCEL));
    // Type 0 sets the language of later boxes.
    Call(context, INSTALLMESSAGE_COMMONDATA, L"1: 0 2: 1031 3: 1252 ");
    EXPECT_EQ(1031, context.language);

    // The cancel texts are set once, however many messages follow.
    m_stop = 1;
    for (int i = 0; i < 5; ++i)
        Call(context, INSTALLMESSAGE_ACTIONSTART, L"Rollback");
    EXPECT_EQ((std::vector<CString>{ kInstalling, kCancelling }), page.Texts(IDC_PROGRESS_MAIN_TEXT));
    EXPECT_EQ((std::vector<CString>{ L"", kRollingBack }), page.Texts(IDC_PROGRESS_EXTRA_TEXT));
    EXPECT_EQ(5, context.nCancelCount);
    // After the cancel the installer cannot offer Cancel again.
    Call(context, INSTALLMESSAGE_COMMONDATA, L"1: 2 2: 1 ");
    EXPECT_FALSE(page.IsControlEnabled(IDCANCEL));
    const CString log = Log();
    EXPECT_EQ(1, CountOf(log, L"MsiUIHandler : Cancelling installation..."));
    EXPECT_EQ(2, CountOf(log, L"MsiUIHandler : Disable the Cancel button"));
    EXPECT_EQ(1, CountOf(log, L"MsiUIHandler : Enable the Cancel button"));
}

TEST_F(MsiUIHandlerTest, NullOrGoneWindowIsLeftAlone)
{
    HWND gone;
    {
        CRecordingWindow page;
        gone = page.Get();
    }
    for (HWND hWnd : { static_cast<HWND>(nullptr), gone })
    {
        m_stop = 0;
        MsiUIContext context(L"", &m_stop, hWnd);
        EXPECT_EQ(0, Call(context, INSTALLMESSAGE_COMMONDATA, L"1: 2 2: 0 "));
        m_stop = 1;
        EXPECT_EQ(IDCANCEL, Call(context, INSTALLMESSAGE_ACTIONSTART, L"x"));
        EXPECT_EQ(1, context.nCancelCount);
    }
    EXPECT_EQ(0, MsiUIHandler(nullptr, INSTALLMESSAGE_USER, L"x"));
}

TEST(MsiUIRecords, CommonData)
{
    const struct
    {
        const wchar_t* record;
        bool ok;
        int type, field2;
    } cases[] = {
        { L"1: 0 2: 1031 3: 1252 ", true, 0, 1031 },
        { L"1: 2 2: 0 ", true, 2, 0 },
        { L"1: 2 2: 1", true, 2, 1 },
        { L"1: 3 2: -7 ", true, 3, -7 },
        { L"1: 1 2: 1 ", false, 0, 0 },  // caption
        { L"", false, 0, 0 },
        { L"1: x 2: 1", false, 0, 0 },
        { L"1: 2", false, 0, 0 },
        { L"2: 1 1: 2", false, 0, 0 },
        { L"1: 2 3: 1", false, 0, 0 },
        { L"1: 2 2: 1x", false, 0, 0 },
        { L"1: 22 2: 1", false, 0, 0 },
        { L"1: 2 2: 99999999999999", true, 2, INT_MAX },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.record).ToNarrow());
        int type = -1, field2 = -1;
        EXPECT_EQ(c.ok, ParseCommonDataRecord(c.record, type, field2));
        if (c.ok)
        {
            EXPECT_EQ(c.type, type);
            EXPECT_EQ(c.field2, field2);
        }
        else
        {
            EXPECT_EQ(-1, type);
            EXPECT_EQ(-1, field2);
        }
    }
    int type, field2;
    EXPECT_FALSE(ParseCommonDataRecord(nullptr, type, field2));
}

TEST(MsiUIRecords, Progress)
{
    const struct
    {
        const wchar_t* record;
        bool ok;
        int type, f2, f3, f4;
    } cases[] = {
        { L"1: 0 2: 2000 3: 0 4: 1 ", true, 0, 2000, 0, 1 },  // reset
        { L"1: 1 2: 25 3: 1 ", true, 1, 25, 1, 0 },           // action info: stops after field 3
        { L"1: 2 2: 512 3: 0 4: 0 ", true, 2, 512, 0, 0 },    // report: stops after field 2
        { L"1: 3 2: 100 ", true, 3, 100, 0, 0 },
        { L"1: 0 2: 2000 3: 0 ", false, 0, 0, 0, 0 },         // reset needs field 4
        { L"1: 1 2: 25 ", false, 0, 0, 0, 0 },
        { L"1: a 2: 1 ", false, 0, 0, 0, 0 },
        { L"", false, 0, 0, 0, 0 },
        { L"x", false, 0, 0, 0, 0 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.record).ToNarrow());
        int type = -1, f2 = -1, f3 = -1, f4 = -1;
        EXPECT_EQ(c.ok, ParseProgressRecord(c.record, type, f2, f3, f4));
        if (c.ok)
        {
            EXPECT_EQ(c.type, type);
            EXPECT_EQ(c.f2, f2);
            EXPECT_EQ(c.f3, f3);
            EXPECT_EQ(c.f4, f4);
        }
    }
}
