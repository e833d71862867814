// The installation folder, options and media-library pages as real windows on the test X server
// in every language, driven by Win32 messages: their texts, the caller's values edited in place,
// Next only for a folder the installer can take, partner 11082, and the results.
#include "wizard/ChoicePages_unittest.h"
#include "wizard/InstallFolderDlg.h"
#include "wizard/InstallOptionsDlg.h"
#include "wizard/ScanMusicCollectionDlg.h"
#include "wizard/resource.h"
#include "tests/common/Screenshot.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/WizardFakes.h"

#include <gtest/gtest.h>

namespace
{
const LANGID kEnglish = 1033;

void Show(HWND hPage)
{
    SetWindowPos(hPage, HWND_TOP, 30, 30, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(hPage);
    PumpMessagesUntil([]() { return true; }, 500);
}

class ChoicePagesTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "InstallFolderAndOptionsDlg_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(kEnglish);
    }
    CFakeWizardHost m_host;
};

TEST_F(ChoicePagesTest, FolderPageInEveryLanguageTakesOnlyAFolderTheInstallerCanCarry)
{
    for (const CPageLanguage& language : kPageLanguages)
    {
        SCOPED_TRACE(CString(language.pszCode).ToNarrow(CP_UTF8));
        CString folder = L"C:\\Program Files\\Quux Player\\";
        CInstallFolderDlg page(folder, nullptr);
        page.SetTemplateLanguage(language.id);
        ASSERT_TRUE(page.Create());
        HWND hPage = page.m_hWnd;
        EXPECT_EQ(WithName(TemplateText(IDD_INSTALL_FOLDER, language.id, IDC_WIZARD_SUBHEADING)), ItemText(hPage, IDC_WIZARD_SUBHEADING));
        EXPECT_EQ(folder, ItemText(hPage, IDC_FOLDER_EDIT));
        EXPECT_TRUE(IsItemEnabled(hPage, IDOK));
        EXPECT_TRUE(IsItemEnabled(hPage, IDC_WIZARD_BACK));
        Show(hPage);
        ExpectBrandingAndText(hPage, kFakeHeaderColour, IDC_FOLDER_TEXT);
        EXPECT_FALSE(SaveWindowScreenshot(hPage, CString(L"InstallFolder_") + language.pszCode).IsEmpty());

        struct CEdit
        {
            const wchar_t* pszText;
            bool bNext;
        };
        const CEdit edits[] = {
            { L"", false },
            { L"D:\\Quux", true },
            { L"D:\\Quux\" /qn \"", false }, // a quote would end the folder on the installer's command line
            { L" ", true },                  // not validated further
        };
        for (const CEdit& edit : edits)
        {
            SetEditText(hPage, IDC_FOLDER_EDIT, edit.pszText);
            EXPECT_EQ(CString(edit.pszText), folder);
            EXPECT_EQ(edit.bNext, IsItemEnabled(hPage, IDOK)) << CString(edit.pszText).ToNarrow(CP_UTF8);
        }
        page.DestroyWindow();
    }
}

TEST_F(ChoicePagesTest, FolderPageResultsAndEnterOnAnEmptyFolder)
{
    struct CCase
    {
        const char* name;
        const wchar_t* pszTyped;
        int nButton;
        INT_PTR nResult;
        const wchar_t* pszFolder;
    };
    const CCase cases[] = {
        { "Next", L"D:\\Other", IDOK, IDOK, L"D:\\Other" },
        { "Back keeps the edit", L"D:\\Back", IDC_WIZARD_BACK, 1017, L"D:\\Back" },
        { "Enter on an empty folder does not confirm it", L"", IDOK, IDCANCEL, L"" },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CString folder = L"C:\\Program Files\\Quux Player\\";
        CInstallFolderDlg page(folder, nullptr);
        bool bStayed = false;
        const INT_PTR nResult = RunModalPage(page, [&](HWND hPage) {
            if (!hPage)
                return;
            SetEditText(hPage, IDC_FOLDER_EDIT, c.pszTyped);
            PressDialogButton(hPage, c.nButton);
            if (c.nResult != IDCANCEL)
                return;
            Sleep(300);
            bStayed = IsWindowVisible(hPage) != FALSE;
            PressDialogButton(hPage, IDCANCEL);
            const DWORD threadId = GetWindowThreadProcessId(hPage, nullptr);
            if (HWND hQuestion = WaitForWindow([threadId]() { return FindThreadWindow(threadId, L"#32770", L"Cancel Installation"); }))
                PressDialogButton(hQuestion, IDOK);
        });
        EXPECT_EQ(c.nResult, nResult);
        EXPECT_EQ(CString(c.pszFolder), folder);
        if (c.nResult == IDCANCEL)
        {
            EXPECT_TRUE(bStayed);
        }
    }
}

TEST_F(ChoicePagesTest, FolderPageBrowsesTwiceWithOnePickerAtATime)
{
    const CString chosen = m_folder + L"Chosen";
    CreateDirectoryW(chosen, nullptr);
    CString folder = m_folder + L"Start";
    CreateDirectoryW(folder, nullptr);
    CInstallFolderDlg page(folder, nullptr);
    CString afterFirst, afterCancel, pickerCaption;
    const INT_PTR nResult = RunModalPage(page, [&](HWND hPage) {
        if (!hPage)
            return;
        const DWORD threadId = GetWindowThreadProcessId(hPage, nullptr);
        const LONG_PTR procedure = GetWindowLongPtrW(hPage, GWLP_WNDPROC);
        auto findPicker = [threadId]() { return FindThreadWindow(threadId, L"#32770", L"Choose Installation Directory"); };
        auto gone = [](HWND h) { return WaitForWindow([h]() { return IsWindow(h) ? nullptr : h; }) != nullptr; };
        PressDialogButton(hPage, IDC_FOLDER_BROWSE);
        HWND hPicker = WaitForWindow(findPicker);
        if (!hPicker)
            return;
        if (!SelectInPicker(hPicker, chosen))
            return;
        PressDialogButton(hPicker, IDOK);
        if (!gone(hPicker))
            return;
        WaitForWindow([&]() { return GetWindowLongPtrW(hPage, GWLP_WNDPROC) == procedure ? hPage : nullptr; });
        afterFirst = ItemText(hPage, IDC_FOLDER_EDIT);
        // The second browse: cancelled, the folder stays.
        PressDialogButton(hPage, IDC_FOLDER_BROWSE);
        if (!(hPicker = WaitForWindow(findPicker)))
            return;
        PressDialogButton(hPicker, IDCANCEL);
        if (!gone(hPicker))
            return;
        afterCancel = ItemText(hPage, IDC_FOLDER_EDIT);
        if (GetWindowLongPtrW(hPage, GWLP_WNDPROC) == procedure)
            PressDialogButton(hPage, IDOK);
    });
    EXPECT_EQ(chosen, afterFirst);
    EXPECT_EQ(chosen, afterCancel);
    ASSERT_EQ(IDOK, nResult);
    EXPECT_EQ(chosen, folder);
}

TEST_F(ChoicePagesTest, OptionsPageInEveryLanguageEditsTheFlagsAndHandsThemBackOnBackAndInstall)
{
    for (const CPageLanguage& language : kPageLanguages)
    {
        SCOPED_TRACE(CString(language.pszCode).ToNarrow(CP_UTF8));
        int mp3 = 1, statistics = 0, import = 1, notifier = 1;
        CInstallOptionsDlg page(mp3, statistics, import, notifier, nullptr);
        page.SetTemplateLanguage(language.id);
        ASSERT_TRUE(page.Create());
        HWND hPage = page.m_hWnd;
        for (int nID : { IDC_WIZARD_SUBHEADING, IDC_OPTIONS_USAGE_STATISTICS })
            EXPECT_EQ(WithName(TemplateText(IDD_INSTALL_OPTIONS, language.id, nID)), ItemText(hPage, nID)) << nID;
        EXPECT_EQ(TemplateText(IDD_INSTALL_OPTIONS, language.id, IDC_OPTIONS_TEXT), ItemText(hPage, IDC_OPTIONS_TEXT));
        const int expected[] = { BST_CHECKED, BST_UNCHECKED, BST_CHECKED, BST_CHECKED };
        const int boxes[] = { IDC_OPTIONS_MP3, IDC_OPTIONS_USAGE_STATISTICS, IDC_OPTIONS_IMPORT_SETTINGS, IDC_OPTIONS_NOTIFIER_AT_START };
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(expected[i], static_cast<int>(IsDlgButtonChecked(hPage, boxes[i]))) << boxes[i];
        Show(hPage);
        for (int nID : boxes)
            EXPECT_TRUE(IsItemVisible(hPage, nID)) << nID;
        ExpectBrandingAndText(hPage, kFakeHeaderColour, IDC_OPTIONS_TEXT);
        EXPECT_FALSE(SaveWindowScreenshot(hPage, CString(L"InstallOptions_") + language.pszCode).IsEmpty());
        page.DestroyWindow();
    }

    struct CCase
    {
        const char* name;
        const wchar_t* pszPartner;
        int nButton;
        INT_PTR nResult;
        int mp3, statistics, import, notifier; // after the page
        bool bBoxesHidden;
    };
    // The user turns MP3 off and statistics on.
    const CCase cases[] = {
        { "Install", L"", IDOK, IDOK, 0, 1, 1, 1, false },
        { "Back returns the boxes' states", L"", IDC_WIZARD_BACK, 1017, 0, 1, 1, 1, false },
        { "11082: the hidden boxes come back as given", L"11082", IDOK, IDOK, 0, 1, 1, 1, true },
        { "11082 and Back", L"11082", IDC_WIZARD_BACK, 1017, 0, 1, 1, 1, true },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        int mp3 = 1, statistics = 0, import = 1, notifier = 1;
        CInstallOptionsDlg page(mp3, statistics, import, notifier, nullptr);
        page.SetPartnerId(c.pszPartner);
        bool bHidden = false, bZeroWhileOpen = false;
        const INT_PTR nResult = RunModalPage(page, [&](HWND hPage) {
            if (!hPage)
                return;
            bHidden = !IsItemVisible(hPage, IDC_OPTIONS_IMPORT_SETTINGS) && !IsItemVisible(hPage, IDC_OPTIONS_NOTIFIER_AT_START);
            bZeroWhileOpen = import == 0 && notifier == 0;
            ClickCheck(hPage, IDC_OPTIONS_MP3, BST_UNCHECKED);
            ClickCheck(hPage, IDC_OPTIONS_USAGE_STATISTICS, BST_CHECKED);
            PressDialogButton(hPage, c.nButton);
        });
        EXPECT_EQ(c.nResult, nResult);
        EXPECT_EQ(c.bBoxesHidden, bHidden);
        EXPECT_EQ(c.bBoxesHidden, bZeroWhileOpen);
        EXPECT_EQ(c.mp3, mp3);
        EXPECT_EQ(c.statistics, statistics);
        EXPECT_EQ(c.import, import);
        EXPECT_EQ(c.notifier, notifier);
    }
}

TEST_F(ChoicePagesTest, MusicPageInEveryLanguageAsksToIncludeTheMusicFolder)
{
    for (const CPageLanguage& language : kPageLanguages)
    {
        SCOPED_TRACE(CString(language.pszCode).ToNarrow(CP_UTF8));
        ScanMusicCollectionDlg page(nullptr);
        page.SetTemplateLanguage(language.id);
        ASSERT_TRUE(page.Create());
        HWND hPage = page.m_hWnd;
        EXPECT_EQ(LoadLanguageString(IDS_INSTALL_BUTTON, language.id), ItemText(hPage, IDOK));
        EXPECT_TRUE(ButtonTextFits(hPage, IDOK));
        for (int nID : { IDC_WIZARD_HEADING, IDC_WIZARD_SUBHEADING, IDC_MUSIC_INCLUDE, IDC_MUSIC_EXCLUDE })
            EXPECT_EQ(TemplateText(IDD_SCAN_MUSIC_COLLECTION, language.id, nID), ItemText(hPage, nID)) << nID;
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hPage, IDC_MUSIC_INCLUDE));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hPage, IDC_MUSIC_EXCLUDE));
        Show(hPage);
        ExpectBrandingAndText(hPage, kFakeHeaderColour, IDC_MUSIC_EXCLUDE);
        EXPECT_FALSE(SaveWindowScreenshot(hPage, CString(L"ScanMusicCollection_") + language.pszCode).IsEmpty());
        page.DestroyWindow();

        // Partner 11082 names its own product where the template says Vantolin.
        ScanMusicCollectionDlg partner(nullptr);
        partner.SetTemplateLanguage(language.id);
        partner.SetPartnerId(L"11082");
        ASSERT_TRUE(partner.Create());
        for (int nID : { IDC_WIZARD_HEADING, IDC_WIZARD_SUBHEADING, IDC_MUSIC_INCLUDE })
        {
            CString expected = TemplateText(IDD_SCAN_MUSIC_COLLECTION, language.id, nID);
            EXPECT_GT(expected.Replace(L"Vantolin", L"Quux Player"), 0) << nID;
            EXPECT_EQ(expected, ItemText(partner.m_hWnd, nID)) << nID;
        }
        partner.DestroyWindow();
    }

    struct CCase
    {
        const char* name;
        int nRadio; // 0: none clicked
        int nButton;
        INT_PTR nResult;
        bool bInclude;
    };
    const CCase cases[] = {
        { "included", IDC_MUSIC_INCLUDE, IDOK, IDOK, true },
        { "not now, as given", 0, IDOK, IDOK, false },
        { "included, then not", IDC_MUSIC_EXCLUDE, IDOK, IDOK, false },
        { "Back", IDC_MUSIC_INCLUDE, IDC_WIZARD_BACK, 1017, false },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        ScanMusicCollectionDlg page(nullptr);
        const INT_PTR nResult = RunModalPage(page, [&](HWND hPage) {
            if (!hPage)
                return;
            if (c.nRadio == IDC_MUSIC_EXCLUDE)
                ClickRadio(hPage, IDC_MUSIC_INCLUDE, IDC_MUSIC_EXCLUDE, IDC_MUSIC_INCLUDE);
            if (c.nRadio)
                ClickRadio(hPage, IDC_MUSIC_INCLUDE, IDC_MUSIC_EXCLUDE, c.nRadio);
            PressDialogButton(hPage, c.nButton);
        });
        EXPECT_EQ(c.nResult, nResult);
        EXPECT_EQ(c.bInclude, page.IncludeMusicCollection());
    }
}
}
