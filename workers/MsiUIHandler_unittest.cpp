#include "workers/MsiUIHandler.h"
#include "workers/WorkerStrings.h"

#include "tests/common/RecordingWindow.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

namespace
{
const wchar_t kInstalling[] = L"Installing product features";
const wchar_t kCancelling[] = L"Cancelling operation, please wait...";
const wchar_t kRollingBack[] = L"Rolling back performed operations";

class MsiUIHandlerTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "workers_handler_"; }
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
        { INSTALLMESSAGE_FATALEXIT, 0, 0 },
        { INSTALLMESSAGE_ERROR, 0, 0 },
        { INSTALLMESSAGE_WARNING, 0, 0 },
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

TEST_F(MsiUIHandlerTest, ErrorsAreLoggedNotShown)
{
    MsiUIContext context(L"", &m_stop, nullptr);
    EXPECT_EQ(0, Call(context, INSTALLMESSAGE_ERROR, L"Error 1303. No access.", MB_RETRYCANCEL | MB_ICONERROR));
    EXPECT_EQ(0, Call(context, INSTALLMESSAGE_FATALEXIT, L"Fatal one", MB_OK));
    EXPECT_EQ(0, Call(context, INSTALLMESSAGE_WARNING, L"A warning", MB_OK));
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"MsiUIHandler : Error 1303. No access.")) << log.ToNarrow();
    EXPECT_TRUE(Contains(log, L"MsiUIHandler : Fatal one"));
    EXPECT_TRUE(Contains(log, L"MsiUIHandler : A warning"));
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
    const CString log = Log();
    EXPECT_EQ(1, CountOf(log, L"MsiUIHandler : Cancelling installation..."));
    EXPECT_EQ(1, CountOf(log, L"MsiUIHandler : Disable the Cancel button"));
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
