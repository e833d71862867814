// The page-driving functions of the tests (tests/common/WizardDriver.h) on real pages shown by
// this program on the test X server: each page is found and told apart, and a person's answers
// (an edit, check boxes, radio buttons, the buttons, the cancel question, Esc, the close box) reach
// it as the page's own result.
#include "wizard/ChoicePages_unittest.h"
#include "wizard/InstallFolderDlg.h"
#include "wizard/InstallOptionsDlg.h"
#include "wizard/ScanMusicCollectionDlg.h"
#include "wizard/resource.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/WizardDriver.h"
#include "tests/common/WizardFakes.h"

#include <gtest/gtest.h>

namespace
{
const DWORD kPageWaitMs = 10000;

class WizardDriverTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "WizardDriver_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(1033);
    }
    // Runs the page modally while drive() answers it through the driver's own search for the
    // process's page; whether the page was found as the expected kind.
    INT_PTR Drive(CDialog& page, EWizardPage kind, const std::function<void(HWND)>& drive)
    {
        bool bFound = false;
        const INT_PTR nResult = RunModalPage(page, [&](HWND) {
            HWND hPage = WaitForWizardPage(GetCurrentProcessId(), kind, kPageWaitMs);
            bFound = hPage != nullptr;
            if (!hPage)
                return;
            EXPECT_EQ(hPage, FindWizardPage(GetCurrentProcessId()));
            drive(hPage);
            if (WaitForWindowGone(hPage, kPageWaitMs))
                return;
            // A driver that stopped half-way leaves the page up: end it, or the test never ends.
            ADD_FAILURE() << "the page is still shown";
            if (PressPageButton(hPage, kWizardCancel))
                AnswerCancelQuestion(hPage, true);
        });
        EXPECT_TRUE(bFound) << WizardPageName(kind);
        return nResult;
    }
    CFakeWizardHost m_host;
};

// How a person leaves a page that asks before it ends: the question answered No leaves the page
// up and working, Yes ends it.
enum class ELeave
{
    CancelButton,
    Escape,
    CloseBox
};

bool Leave(HWND hPage, ELeave how)
{
    switch (how)
    {
    case ELeave::CancelButton:
        return PressPageButton(hPage, kWizardCancel);
    case ELeave::Escape:
        return PressPageEscape(hPage);
    case ELeave::CloseBox:
        return ClosePage(hPage);
    }
    return false;
}

TEST_F(WizardDriverTest, FolderPageTakesTheTypedFolderOnNextAndKeepsItOnBack)
{
    struct CCase
    {
        const char* name;
        const wchar_t* pszTyped;
        int nButton;
        INT_PTR nResult;
    };
    const CCase cases[] = {
        { "Next", L"D:\\Driven\\Folder", kWizardNext, IDOK },
        { "Back", L"D:\\Back", kWizardBack, 1017 },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CString folder = L"C:\\Program Files\\Quux Player\\";
        CInstallFolderDlg page(folder, nullptr);
        const INT_PTR nResult = Drive(page, EWizardPage::Folder, [&](HWND hPage) {
            // The picture shows the page as painted: its branding and its text.
            EXPECT_FALSE(SavePageScreenshot(hPage, c.nButton == kWizardNext ? L"Folder" : L"FolderBack").IsEmpty());
            ExpectBrandingAndText(hPage, kFakeHeaderColour, IDC_FOLDER_TEXT);
            // A person cannot press a button that is disabled: an empty folder disables Next.
            ASSERT_TRUE(SetPageEditText(hPage, IDC_FOLDER_EDIT, L""));
            EXPECT_FALSE(PressPageButton(hPage, kWizardNext));
            EXPECT_FALSE(PressPageButton(hPage, 4242)); // no such control
            ASSERT_TRUE(SetPageEditText(hPage, IDC_FOLDER_EDIT, c.pszTyped));
            EXPECT_EQ(CString(c.pszTyped), PageItemText(hPage, IDC_FOLDER_EDIT));
            EXPECT_TRUE(PressPageButton(hPage, c.nButton));
        });
        EXPECT_EQ(c.nResult, nResult);
        EXPECT_EQ(CString(c.pszTyped), folder);
    }
}

TEST_F(WizardDriverTest, OptionsAndMusicPagesTakeTheTickedBoxesAndTheChosenRadioButton)
{
    int mp3 = 1, statistics = 0, import = 1, notifier = 1;
    CInstallOptionsDlg options(mp3, statistics, import, notifier, nullptr);
    const INT_PTR nOptions = Drive(options, EWizardPage::Options, [&](HWND hPage) {
        EXPECT_TRUE(SetPageCheck(hPage, IDC_OPTIONS_MP3, false));
        EXPECT_TRUE(SetPageCheck(hPage, IDC_OPTIONS_USAGE_STATISTICS, true));
        EXPECT_TRUE(SetPageCheck(hPage, IDC_OPTIONS_IMPORT_SETTINGS, true)); // ticked already: stays
        EXPECT_FALSE(SetPageCheck(hPage, 4242, true));
        EXPECT_TRUE(PressPageButton(hPage, kWizardNext));
    });
    EXPECT_EQ(IDOK, nOptions);
    EXPECT_EQ(0, mp3);
    EXPECT_EQ(1, statistics);
    EXPECT_EQ(1, import);
    EXPECT_EQ(1, notifier);

    for (const int nRadio : { IDC_MUSIC_INCLUDE, IDC_MUSIC_EXCLUDE })
    {
        SCOPED_TRACE(nRadio);
        ScanMusicCollectionDlg music(nullptr);
        const INT_PTR nMusic = Drive(music, EWizardPage::Music, [&](HWND hPage) {
            // Chosen twice: the second choice is the page's answer.
            EXPECT_TRUE(SetPageCheck(hPage, nRadio == IDC_MUSIC_INCLUDE ? IDC_MUSIC_EXCLUDE : IDC_MUSIC_INCLUDE, true));
            EXPECT_TRUE(SetPageCheck(hPage, nRadio, true));
            EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hPage, nRadio == IDC_MUSIC_INCLUDE ? IDC_MUSIC_EXCLUDE : IDC_MUSIC_INCLUDE));
            EXPECT_TRUE(PressPageButton(hPage, kWizardNext));
        });
        EXPECT_EQ(IDOK, nMusic);
        EXPECT_EQ(nRadio == IDC_MUSIC_INCLUDE, music.IncludeMusicCollection());
    }
}

TEST_F(WizardDriverTest, CancelEscAndCloseBoxAskFirstAndEndThePageOnlyOnYes)
{
    for (const ELeave how : { ELeave::CancelButton, ELeave::Escape, ELeave::CloseBox })
    {
        SCOPED_TRACE(static_cast<int>(how));
        int mp3 = 1, statistics = 0, import = 1, notifier = 1;
        CInstallOptionsDlg page(mp3, statistics, import, notifier, nullptr);
        const INT_PTR nResult = Drive(page, EWizardPage::Options, [&](HWND hPage) {
            ASSERT_TRUE(Leave(hPage, how));
            ASSERT_TRUE(AnswerCancelQuestion(hPage, false));
            // No: the page is the process's page again and takes a person's input.
            ASSERT_EQ(hPage, WaitForWindow([hPage]() {
                          HWND hNow = FindWizardPage(GetCurrentProcessId());
                          return hNow == hPage && IsWindowEnabled(hPage) && !OwnedBy(hPage) ? hNow : nullptr;
                      }, kPageWaitMs));
            EXPECT_TRUE(SetPageCheck(hPage, IDC_OPTIONS_MP3, false));
            ASSERT_TRUE(Leave(hPage, how));
            EXPECT_TRUE(AnswerCancelQuestion(hPage, true));
        });
        EXPECT_EQ(IDCANCEL, nResult);
    }
}

TEST_F(WizardDriverTest, NoPageAndNoQuestionAreTimedOutNotWaitedForForever)
{
    EXPECT_EQ(nullptr, FindWizardPage(GetCurrentProcessId()));
    EXPECT_EQ(nullptr, WaitForWizardPage(GetCurrentProcessId(), EWizardPage::Folder, 200));
    EXPECT_EQ(EWizardPage::None, IdentifyWizardPage(nullptr));
    int mp3 = 1, statistics = 0, import = 1, notifier = 1;
    CInstallOptionsDlg page(mp3, statistics, import, notifier, nullptr);
    const INT_PTR nResult = Drive(page, EWizardPage::Options, [&](HWND hPage) {
        // A page that asks nothing: the answer gives up after its time.
        EXPECT_FALSE(AnswerCancelQuestion(hPage, true, 300));
        EXPECT_EQ(nullptr, WaitForWizardPage(GetCurrentProcessId(), EWizardPage::Folder, 200));
        EXPECT_EQ(nullptr, WaitForAnotherWizardPage(GetCurrentProcessId(), hPage, 200));
        EXPECT_TRUE(PressPageButton(hPage, kWizardBack));
    });
    EXPECT_EQ(1017, nResult);
}
}
