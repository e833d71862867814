// The folder picker over the shell's real folder browser under Wine, driven from another thread
// by its own messages (BFFM_SETSELECTIONW, OK, Cancel): the chosen path, the last folder as the
// next picker's start, virtual folders, the root, the owner's WM_HELP while open and its own
// procedure afterwards, two browses on one picker, and a callback that throws.
#include "wizard/BrowseFolderDlg.h"
#include "wizard/ChoicePages_unittest.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <stdexcept>

namespace
{
const wchar_t kCaption[] = L"Test Picker";

// The last BFFM_ENABLEOK the picker sent its browse window on a selection change (-1: none).
// Wine's browser sets OK itself after the callback has answered, so its button cannot show it.
LPARAM g_lastEnableOk = -1;
bool g_bInSelChanged = false;
WNDPROC g_pfnBrowsePrevious = nullptr;

LRESULT CALLBACK RecordEnableOk(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == BFFM_ENABLEOK && g_bInSelChanged)
        g_lastEnableOk = lParam;
    return CallWindowProcW(g_pfnBrowsePrevious, hWnd, message, wParam, lParam);
}

class CRecordingPicker : public CBrowseFolderDlg
{
public:
    using CBrowseFolderDlg::CBrowseFolderDlg;
    CString m_firstSelection;
    CString m_selections;
    bool m_bThrow = false;

protected:
    void OnInitialized(HWND hBrowseWnd) override
    {
        g_lastEnableOk = -1;
        g_pfnBrowsePrevious = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hBrowseWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordEnableOk)));
        CBrowseFolderDlg::OnInitialized(hBrowseWnd);
    }

    void OnSelChanged(LPCITEMIDLIST pidl) override
    {
        wchar_t path[MAX_PATH] = {};
        if (m_firstSelection.IsEmpty() && pidl && SHGetPathFromIDListW(pidl, path))
            m_firstSelection = path;
        m_selections += path;
        m_selections += L"|";
        if (m_bThrow)
        {
            // Once: the picker must go on working after it.
            m_bThrow = false;
            throw std::runtime_error("selection");
        }
        g_bInSelChanged = true;
        CBrowseFolderDlg::OnSelChanged(pidl);
        g_bInSelChanged = false;
    }
};

struct CPickerRun
{
    INT_PTR nResult = 0;
    bool bHelpAnswered = false;
    CString rootText;
    int nRootItems = 0;
};

// Browses with the picker while another thread does what act(picker window) says; act returns
// the button to press.
CPickerRun Browse(CBrowseFolderDlg& picker, HWND hOwner, const std::function<int(HWND, CPickerRun&)>& act)
{
    CPickerRun run;
    const DWORD threadId = GetCurrentThreadId();
    std::thread driver([&]() {
        HWND hPicker = WaitForWindow([threadId]() { return FindThreadWindow(threadId, L"#32770", kCaption); });
        if (!hPicker)
            return;
        if (hOwner)
        {
            HELPINFO help = { sizeof(help) };
            run.bHelpAnswered = SendMessageW(hOwner, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)) == 1;
        }
        PressDialogButton(hPicker, act(hPicker, run));
    });
    run.nResult = picker.Browse();
    driver.join();
    return run;
}

int Choose(HWND hPicker, const CString& folder)
{
    EXPECT_TRUE(SelectInPicker(hPicker, folder)) << folder.ToNarrow(CP_UTF8);
    return IDOK;
}

class BrowseFolderDlgTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "BrowseFolderDlg_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        m_hOwner = CreateWindowExW(0, L"Static", L"Owner", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, nullptr, nullptr, nullptr, nullptr);
        m_ownerProcedure = GetWindowLongPtrW(m_hOwner, GWLP_WNDPROC);
        for (const wchar_t* pszName : { L"One", L"Two", L"Root", L"Root\\Inner" })
            CreateDirectoryW(m_folder + pszName, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(m_hOwner);
        CTracedTest::TearDown();
    }
    HWND m_hOwner = nullptr;
    LONG_PTR m_ownerProcedure = 0;
};

TEST_F(BrowseFolderDlgTest, ChosenOrCancelledTheOwnerAnswersHelpWhileOpenAndHasItsProcedureBack)
{
    struct CCase
    {
        const char* name;
        const wchar_t* pszChoose; // null: Cancel
        INT_PTR nResult;
        const wchar_t* pszPath;   // after the browse, under the test folder
    };
    const CCase cases[] = {
        { "chosen", L"One", IDOK, L"One" },
        { "cancelled: the initial folder stays", nullptr, IDCANCEL, L"Two" },
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CBrowseFolderDlg picker(m_folder + L"Two", BIF_EDITBOX | BIF_NEWDIALOGSTYLE, m_hOwner, 0, 0);
        picker.SetCaptionAndTitle(kCaption, L"Select the folder");
        const CPickerRun run = Browse(picker, m_hOwner, [&](HWND hPicker, CPickerRun&) {
            return c.pszChoose ? Choose(hPicker, m_folder + c.pszChoose) : IDCANCEL;
        });
        EXPECT_EQ(c.nResult, run.nResult);
        EXPECT_EQ(m_folder + c.pszPath, picker.GetSelectedPath());
        EXPECT_TRUE(run.bHelpAnswered);
        EXPECT_EQ(m_ownerProcedure, GetWindowLongPtrW(m_hOwner, GWLP_WNDPROC));
    }
}

TEST_F(BrowseFolderDlgTest, APickerWithoutAnInitialFolderOpensAtTheLastOneChosen)
{
    CBrowseFolderDlg first(nullptr, BIF_NEWDIALOGSTYLE, nullptr, 0, 0);
    first.SetCaptionAndTitle(kCaption, L"");
    ASSERT_EQ(IDOK, Browse(first, nullptr, [&](HWND hPicker, CPickerRun&) { return Choose(hPicker, m_folder + L"Root\\Inner"); }).nResult);
    CRecordingPicker second(nullptr, BIF_NEWDIALOGSTYLE, nullptr, 0, 0);
    second.SetCaptionAndTitle(kCaption, L"");
    EXPECT_EQ(m_folder + L"Root\\Inner", second.GetSelectedPath());
    EXPECT_EQ(IDCANCEL, Browse(second, nullptr, [](HWND, CPickerRun&) { return IDCANCEL; }).nResult);
    EXPECT_EQ(m_folder + L"Root\\Inner", second.m_firstSelection);
}

TEST_F(BrowseFolderDlgTest, TwoBrowsesOnOnePickerSubclassTheOwnerOnceEach)
{
    CBrowseFolderDlg picker(m_folder + L"One", BIF_NEWDIALOGSTYLE, m_hOwner, 0, 0);
    picker.SetCaptionAndTitle(kCaption, L"");
    for (const wchar_t* pszChoose : { L"Two", L"One" })
    {
        SCOPED_TRACE(CString(pszChoose).ToNarrow(CP_UTF8));
        const CPickerRun run = Browse(picker, m_hOwner, [&](HWND hPicker, CPickerRun&) { return Choose(hPicker, m_folder + pszChoose); });
        EXPECT_EQ(IDOK, run.nResult);
        EXPECT_TRUE(run.bHelpAnswered);
        EXPECT_EQ(m_folder + pszChoose, picker.GetSelectedPath());
        EXPECT_EQ(m_ownerProcedure, GetWindowLongPtrW(m_hOwner, GWLP_WNDPROC));
    }
    // The owner answers as before: a message reaches its own procedure, not a loop.
    EXPECT_EQ(0, SendMessageW(m_hOwner, WM_HELP, 0, 0));
}

TEST_F(BrowseFolderDlgTest, TheRootLimitsTheTree)
{
    CBrowseFolderDlg picker(m_folder + L"Root\\Inner", BIF_NEWDIALOGSTYLE, m_hOwner, 0, 0);
    picker.SetCaptionAndTitle(kCaption, L"");
    picker.SetRootFolder(m_folder + L"Root");
    const CPickerRun run = Browse(picker, m_hOwner, [&](HWND hPicker, CPickerRun& rRun) {
        HWND hTree = PickerTree(hPicker);
        HTREEITEM hRoot = reinterpret_cast<HTREEITEM>(SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
        for (HTREEITEM h = hRoot; h; h = reinterpret_cast<HTREEITEM>(SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(h))))
            ++rRun.nRootItems;
        rRun.rootText = TreeItemText(hTree, hRoot);
        return IDCANCEL;
    });
    EXPECT_EQ(IDCANCEL, run.nResult);
    EXPECT_EQ(1, run.nRootItems);
    EXPECT_EQ(CString(L"Root"), run.rootText);
    EXPECT_EQ(m_ownerProcedure, GetWindowLongPtrW(m_hOwner, GWLP_WNDPROC));
}

TEST_F(BrowseFolderDlgTest, AVirtualFolderCannotBeChosen)
{
    CRecordingPicker open(m_folder + L"One", BIF_NEWDIALOGSTYLE, m_hOwner, 0, 0);
    open.SetCaptionAndTitle(kCaption, L"");
    LPARAM okOnFolder = -1, okOnVirtual = -1;
    bool bSelected = false;
    CString virtualText;
    Browse(open, m_hOwner, [&](HWND hPicker, CPickerRun&) {
        WaitForWindow([]() { return g_lastEnableOk != -1 ? reinterpret_cast<HWND>(1) : nullptr; });
        okOnFolder = g_lastEnableOk;
        LPITEMIDLIST pidlControls = nullptr;
        if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pidlControls)) && pidlControls)
        {
            SendMessageW(hPicker, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(pidlControls));
            bSelected = true;
            virtualText = PickerSelectionText(hPicker);
            okOnVirtual = g_lastEnableOk;
            CoTaskMemFree(pidlControls);
        }
        return IDCANCEL;
    });
    EXPECT_EQ(TRUE, okOnFolder);
    EXPECT_TRUE(bSelected);
    EXPECT_EQ(FALSE, okOnVirtual) << virtualText.ToNarrow(CP_UTF8) << " " << open.m_selections.ToNarrow(CP_UTF8);
    EXPECT_EQ(m_folder + L"One", open.GetSelectedPath());
}

TEST_F(BrowseFolderDlgTest, ACallbackThatThrowsIsCaughtBeforeTheShellsFrames)
{
    CRecordingPicker picker(m_folder + L"One", BIF_NEWDIALOGSTYLE, m_hOwner, 0, 0);
    picker.SetCaptionAndTitle(kCaption, L"");
    picker.m_bThrow = true;
    const CPickerRun run = Browse(picker, m_hOwner, [&](HWND hPicker, CPickerRun&) { return Choose(hPicker, m_folder + L"Two"); });
    EXPECT_EQ(IDOK, run.nResult);
    EXPECT_EQ(m_folder + L"Two", picker.GetSelectedPath()) << picker.m_firstSelection.ToNarrow(CP_UTF8);
    EXPECT_TRUE(Contains(Log(), L"BrowseCallbackProc : selection"));
    EXPECT_EQ(m_ownerProcedure, GetWindowLongPtrW(m_hOwner, GWLP_WNDPROC));
}
}
