// The installation type page as a real window on the test X server in every language, driven by
// Win32 messages: its texts and controls for the two installation types, the drive list kept
// current by device broadcasts (the drives from a fake of the drive queries: Wine reports no
// removable media), the target folder chosen in the real folder picker, help, and its results.
#include "wizard/ChoicePages_unittest.h"
#include "wizard/ChooseInstallationTypeDlg.h"
#include "wizard/resource.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/Screenshot.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"
#include "tests/common/WizardFakes.h"

#include <gtest/gtest.h>

#include <dbt.h>

namespace
{
const LANGID kEnglish = 1033;

void Show(HWND hPage)
{
    SetWindowPos(hPage, HWND_TOP, 30, 30, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(hPage);
    PumpMessagesUntil([]() { return true; }, 500);
}

LONG WeightOf(HWND hControl)
{
    LOGFONTW logFont = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hControl, WM_GETFONT, 0, 0)), sizeof(logFont), &logFont);
    return logFont.lfWeight;
}

// A volume broadcast straight to the page's monitor window (a window of this thread).
void SendVolumeChange(DWORD nEvent, wchar_t cLetter)
{
    HWND hMonitor = FindThreadWindow(GetCurrentThreadId(), nullptr, L"ORU_DEVICE_MONITOR", false);
    ASSERT_TRUE(hMonitor);
    DEV_BROADCAST_VOLUME volume = {};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << (cLetter - L'A');
    SendMessageW(hMonitor, WM_DEVICECHANGE, nEvent, reinterpret_cast<LPARAM>(&volume));
}

// The same broadcast sent by another process to every window (as the system does); answers
// this thread's messages until it has ended.
DWORD BroadcastFromAnotherProcess(DWORD nEvent, wchar_t cLetter)
{
    CChildProcess child;
    CString args;
    args.Format(L"/devicechange:%lu,%lu,0,%lu", nEvent, static_cast<DWORD>(DBT_DEVTYP_VOLUME), 1ul << (cLetter - L'A'));
    if (!child.Start(BinFolder() + L"StandIn.exe", args, BinFolder()))
        return 0xFFFFFFFF;
    HANDLE hProcess = child.GetHandle();
    PumpMessagesUntil([hProcess]() { return WaitForSingleObject(hProcess, 0) == WAIT_OBJECT_0; }, 120000);
    return child.Wait(0);
}

class ChooseInstallationTypeDlgTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "ChooseInstallationTypeDlg_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        AfxSetResourceLanguage(kEnglish);
    }
    CFakeWizardHost m_host;
    CFakeDriveQuery m_drives;
};

TEST_F(ChooseInstallationTypeDlgTest, EveryLanguageShowsTheTypesWithTheirTextsAndControls)
{
    m_drives.Set(L'E', L"STICK");
    for (const CPageLanguage& language : kPageLanguages)
    {
        SCOPED_TRACE(CString(language.pszCode).ToNarrow(CP_UTF8));
        CChooseInstallationTypeDlg page(nullptr);
        page.SetTemplateLanguage(language.id);
        page.SetDriveQuery(&m_drives);
        ASSERT_TRUE(page.Create());
        HWND hPage = page.m_hWnd;
        EXPECT_EQ(language.id, page.GetLoadedLanguage());
        for (int nID : { IDC_WIZARD_TEXT, IDC_TYPE_STANDARD_TEXT, IDC_TYPE_USB_TEXT })
            EXPECT_EQ(WithName(TemplateText(IDD_CHOOSE_INSTALLATION_TYPE, language.id, nID)), ItemText(hPage, nID)) << nID;
        EXPECT_EQ(TemplateText(IDD_CHOOSE_INSTALLATION_TYPE, language.id, IDC_WIZARD_HEADING), ItemText(hPage, IDC_WIZARD_HEADING));
        // "Standard" at first; both radios stressed by 300.
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hPage, IDC_TYPE_STANDARD));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hPage, IDC_TYPE_USB));
        EXPECT_EQ(700, WeightOf(GetDlgItem(hPage, IDC_TYPE_STANDARD)));
        EXPECT_EQ(700, WeightOf(GetDlgItem(hPage, IDC_TYPE_USB)));
        EXPECT_EQ(LoadLanguageString(IDS_NEXT_BUTTON, language.id), ItemText(hPage, IDOK));
        EXPECT_TRUE(ButtonTextFits(hPage, IDOK));
        EXPECT_TRUE(IsItemEnabled(hPage, IDOK));
        EXPECT_EQ(CString(L"(E:\\) STICK"), ComboSelection(hPage, IDC_TYPE_DRIVES));
        EXPECT_FALSE(IsItemEnabled(hPage, IDC_TYPE_DRIVES));
        for (int nID : { IDC_TYPE_REFRESH, IDC_TYPE_TARGET_FOLDER, IDC_TYPE_BROWSE, IDC_TYPE_HELP, IDC_WIZARD_BACK })
            EXPECT_FALSE(IsItemEnabled(hPage, nID)) << nID;
        Show(hPage);
        EXPECT_TRUE(IsItemVisible(hPage, IDC_TYPE_TARGET_FOLDER));
        EXPECT_TRUE(IsItemVisible(hPage, IDC_TYPE_BROWSE));
        EXPECT_EQ(CString(L"E:\\"), ItemText(hPage, IDC_TYPE_TARGET_FOLDER));
        ExpectBrandingAndText(hPage, kFakeHeaderColour, IDC_WIZARD_TEXT);
        EXPECT_FALSE(SaveWindowScreenshot(hPage, CString(L"InstallationType_") + language.pszCode).IsEmpty());

        ClickRadio(hPage, IDC_TYPE_STANDARD, IDC_TYPE_USB, IDC_TYPE_USB);
        EXPECT_EQ(LoadLanguageString(IDS_INSTALL_BUTTON, language.id), ItemText(hPage, IDOK));
        EXPECT_TRUE(ButtonTextFits(hPage, IDOK));
        for (int nID : { IDOK, IDC_TYPE_DRIVES, IDC_TYPE_REFRESH, IDC_TYPE_TARGET_FOLDER, IDC_TYPE_BROWSE })
            EXPECT_TRUE(IsItemEnabled(hPage, nID)) << nID;
        UpdateWindow(hPage);
        EXPECT_FALSE(SaveWindowScreenshot(hPage, CString(L"InstallationTypeUsb_") + language.pszCode).IsEmpty());

        // No drive: the list asks for one and Install waits for it.
        m_drives.Set(L'E', nullptr);
        ClickCheck(hPage, IDC_TYPE_REFRESH);
        EXPECT_EQ(LoadLanguageString(IDS_CONNECT_USB_DEVICE, language.id), ComboItems(hPage, IDC_TYPE_DRIVES));
        EXPECT_FALSE(IsItemEnabled(hPage, IDOK));
        EXPECT_FALSE(IsItemEnabled(hPage, IDC_TYPE_DRIVES));
        EXPECT_FALSE(IsItemVisible(hPage, IDC_TYPE_TARGET_FOLDER));
        EXPECT_FALSE(IsItemVisible(hPage, IDC_TYPE_BROWSE));
        UpdateWindow(hPage);
        EXPECT_FALSE(SaveWindowScreenshot(hPage, CString(L"InstallationTypeNoDrive_") + language.pszCode).IsEmpty());
        m_drives.Set(L'E', L"STICK");
        page.DestroyWindow();
        CString root, folder;
        EXPECT_FALSE(page.GetSelectedDrive(root, folder));
    }
}

TEST_F(ChooseInstallationTypeDlgTest, ArrivalsAreSelectedRemovalsAndRefreshKeepTheSelectedDrive)
{
    m_drives.Set(L'E', L"STICK");
    CChooseInstallationTypeDlg page(nullptr);
    page.SetDriveQuery(&m_drives);
    ASSERT_TRUE(page.Create());
    HWND hPage = page.m_hWnd;
    ClickRadio(hPage, IDC_TYPE_STANDARD, IDC_TYPE_USB, IDC_TYPE_USB);

    struct CStep
    {
        const char* name;
        wchar_t cLetter;
        const wchar_t* pszLabel; // null: the drive goes
        DWORD nEvent;            // 0: Refresh pressed
        const wchar_t* pszItems;
        const wchar_t* pszSelected;
        const wchar_t* pszFolder;
    };
    const CStep steps[] = {
        { "G: arrives and is selected", L'G', L"DATA", DBT_DEVICEARRIVAL, L"(E:\\) STICK|(G:\\) DATA", L"(G:\\) DATA", L"G:\\" },
        { "E: goes, G: stays selected", L'E', nullptr, DBT_DEVICEREMOVECOMPLETE, L"(G:\\) DATA", L"(G:\\) DATA", L"G:\\" },
        { "F: arrives before G: in the list", L'F', L"CARD", DBT_DEVICEARRIVAL, L"(F:\\) CARD|(G:\\) DATA", L"(F:\\) CARD", L"F:\\" },
        { "the selected F: goes: the first drive", L'F', nullptr, DBT_DEVICEREMOVECOMPLETE, L"(G:\\) DATA", L"(G:\\) DATA", L"G:\\" },
        { "E: comes back unannounced, Refresh keeps G:", L'E', L"STICK", 0, L"(E:\\) STICK|(G:\\) DATA", L"(G:\\) DATA", L"G:\\" },
    };
    for (const CStep& step : steps)
    {
        SCOPED_TRACE(step.name);
        m_drives.Set(step.cLetter, step.pszLabel);
        if (step.nEvent)
            SendVolumeChange(step.nEvent, step.cLetter);
        else
            ClickCheck(hPage, IDC_TYPE_REFRESH);
        EXPECT_EQ(CString(step.pszItems), ComboItems(hPage, IDC_TYPE_DRIVES));
        EXPECT_EQ(CString(step.pszSelected), ComboSelection(hPage, IDC_TYPE_DRIVES));
        EXPECT_EQ(CString(step.pszFolder), ItemText(hPage, IDC_TYPE_TARGET_FOLDER));
        EXPECT_TRUE(IsItemEnabled(hPage, IDOK));
    }

    // Every drive gone, then one arriving through a broadcast of another process.
    m_drives.Set(L'E', nullptr);
    m_drives.Set(L'G', nullptr);
    SendVolumeChange(DBT_DEVICEREMOVECOMPLETE, L'G');
    EXPECT_FALSE(IsItemEnabled(hPage, IDOK));
    EXPECT_EQ(CString(L""), ItemText(hPage, IDC_TYPE_TARGET_FOLDER));
    m_drives.Set(L'H', L"NEW");
    ASSERT_EQ(0u, BroadcastFromAnotherProcess(DBT_DEVICEARRIVAL, L'H'));
    EXPECT_EQ(CString(L"(H:\\) NEW"), ComboSelection(hPage, IDC_TYPE_DRIVES));
    EXPECT_TRUE(IsItemEnabled(hPage, IDOK));
    EXPECT_TRUE(Contains(Log(), L"Event DBT_DEVICEARRIVAL"));
}

// The folder picker the page opens (on this thread, owned by the page); null when none appears.
HWND WaitForPicker(DWORD threadId)
{
    return WaitForWindow([threadId]() { return FindThreadWindow(threadId, L"#32770", L"Choose Installation Directory"); });
}

// Chooses the folder in the picker and presses OK; false when the picker does not close.
bool ChooseInPicker(HWND hPicker, const CString& folder)
{
    if (!SelectInPicker(hPicker, folder))
        return false;
    PressDialogButton(hPicker, IDOK);
    return WaitForWindow([hPicker]() { return IsWindow(hPicker) ? nullptr : hPicker; }) != nullptr;
}

TEST_F(ChooseInstallationTypeDlgTest, AFolderChosenOnTheSelectedDriveStaysUntilAnotherDriveIsSelected)
{
    // D: is the test area: the picker can open at its root.
    const CString portable = m_folder + L"Portable";
    CreateDirectoryW(portable, nullptr);
    m_drives.Set(L'D', L"TESTAREA");
    m_drives.Set(L'G', L"DATA");
    CChooseInstallationTypeDlg page(nullptr);
    page.SetDriveQuery(&m_drives);
    const DWORD threadId = GetCurrentThreadId();
    CString chosen, afterRefresh, onG, backOnD, pickerTitle;
    bool bHelpAnswered = false, bProcedureBack = false;
    const INT_PTR nResult = RunModalPage(page, [&](HWND hPage) {
        if (!hPage)
            return;
        ClickRadio(hPage, IDC_TYPE_STANDARD, IDC_TYPE_USB, IDC_TYPE_USB);
        const LONG_PTR procedure = GetWindowLongPtrW(hPage, GWLP_WNDPROC);
        PressDialogButton(hPage, IDC_TYPE_BROWSE);
        HWND hPicker = WaitForPicker(threadId);
        if (!hPicker)
            return;
        HELPINFO help = { sizeof(help) };
        bHelpAnswered = SendMessageW(hPage, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)) == 1;
        if (!ChooseInPicker(hPicker, portable))
            return;
        bProcedureBack = WaitForWindow([&]() { return GetWindowLongPtrW(hPage, GWLP_WNDPROC) == procedure ? hPage : nullptr; }) != nullptr;
        chosen = ItemText(hPage, IDC_TYPE_TARGET_FOLDER);
        ClickCheck(hPage, IDC_TYPE_REFRESH);
        afterRefresh = ItemText(hPage, IDC_TYPE_TARGET_FOLDER);
        SelectComboItem(hPage, IDC_TYPE_DRIVES, 1);
        onG = ItemText(hPage, IDC_TYPE_TARGET_FOLDER);
        SelectComboItem(hPage, IDC_TYPE_DRIVES, 0);
        backOnD = ItemText(hPage, IDC_TYPE_TARGET_FOLDER);
        // Back on D: with the picker: the chosen folder becomes the target.
        PressDialogButton(hPage, IDC_TYPE_BROWSE);
        if ((hPicker = WaitForPicker(threadId)) != nullptr && ChooseInPicker(hPicker, portable))
            PressDialogButton(hPage, IDOK);
    });
    EXPECT_TRUE(bHelpAnswered);
    EXPECT_TRUE(bProcedureBack);
    EXPECT_EQ(portable, chosen);
    EXPECT_EQ(portable, afterRefresh);
    EXPECT_EQ(CString(L"G:\\"), onG);
    EXPECT_EQ(CString(L"D:\\"), backOnD);
    ASSERT_EQ(IDOK, nResult);
    CString root, folder;
    ASSERT_TRUE(page.GetSelectedDrive(root, folder));
    EXPECT_EQ(CString(L"D:\\"), root);
    EXPECT_EQ(portable, folder);
}

TEST_F(ChooseInstallationTypeDlgTest, StandardIsAPcInstallationEvenWithADriveSelectedCancelNeedsAYes)
{
    m_drives.Set(L'E', L"STICK");
    struct CCase
    {
        const char* name;
        bool bUsb;
        bool bCancel;
        INT_PTR nResult;
        BOOL bDrive;
    };
    const CCase cases[] = {
        { "USB and Install", true, false, IDOK, TRUE },
        { "USB, then Standard and Next", false, false, IDOK, FALSE },
        { "Cancel answered Yes", true, true, IDCANCEL, TRUE },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CChooseInstallationTypeDlg page(nullptr);
        page.SetDriveQuery(&m_drives);
        const INT_PTR nResult = RunModalPage(page, [&](HWND hPage) {
            if (!hPage)
                return;
            ClickRadio(hPage, IDC_TYPE_STANDARD, IDC_TYPE_USB, IDC_TYPE_USB);
            if (!c.bUsb)
                ClickRadio(hPage, IDC_TYPE_STANDARD, IDC_TYPE_USB, IDC_TYPE_STANDARD);
            if (!c.bCancel)
            {
                PressDialogButton(hPage, IDOK);
                return;
            }
            PressDialogButton(hPage, IDCANCEL);
            const DWORD threadId = GetWindowThreadProcessId(hPage, nullptr);
            if (HWND hQuestion = WaitForWindow([threadId]() { return FindThreadWindow(threadId, L"#32770", L"Cancel Installation"); }))
                PressDialogButton(hQuestion, IDOK);
        });
        EXPECT_EQ(c.nResult, nResult);
        CString root, folder;
        EXPECT_EQ(c.bDrive, page.GetSelectedDrive(root, folder));
        if (c.bDrive)
        {
            EXPECT_EQ(CString(L"E:\\"), root);
            EXPECT_EQ(CString(L"E:\\"), folder);
        }
    }
}

TEST_F(ChooseInstallationTypeDlgTest, HelpNeedsAHelpFileAndAMissingOneIsOnlyTraced)
{
    {
        CChooseInstallationTypeDlg page(nullptr);
        page.SetDriveQuery(&m_drives);
        ASSERT_TRUE(page.Create());
        EXPECT_FALSE(IsItemEnabled(page.m_hWnd, IDC_TYPE_HELP));
    }
    CChooseInstallationTypeDlg page(nullptr);
    page.SetDriveQuery(&m_drives);
    page.SetHelpFileBaseName(L"NoSuchHelp");
    page.SetLanguageId(1031);
    ASSERT_TRUE(page.Create());
    EXPECT_TRUE(IsItemEnabled(page.m_hWnd, IDC_TYPE_HELP));
    ClickCheck(page.m_hWnd, IDC_TYPE_HELP);
    EXPECT_TRUE(Contains(Log(), L"Failed to open help file [NoSuchHelp]"));
    EXPECT_TRUE(IsWindow(page.m_hWnd));
}
}
