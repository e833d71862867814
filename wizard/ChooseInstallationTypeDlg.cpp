#include "ChooseInstallationTypeDlg.h"
#include "BrowseFolderDlg.h"
#include "PageTexts.h"
#include "resource.h"

#include "support/Language.h"
#include "support/TraceLog.h"

#include <shellapi.h>

#include <algorithm>

namespace
{
const LONG kRadioWeightIncrease = 300;
const LONG kMaxWeight = 900;
const UINT kBrowseFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;

struct CWaitCursor
{
    CWaitCursor() : m_hPrevious(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(m_hPrevious); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    HCURSOR m_hPrevious;
};

CString RootOf(wchar_t cLetter)
{
    CString root;
    root.Format(L"%c:\\", cLetter);
    return root;
}

wchar_t LetterOf(const sDEVICE_INFO& drive)
{
    return static_cast<wchar_t>(L'A' + drive.nDriveIndex);
}

// The folder the program runs from, with a trailing backslash.
CString ProgramFolder()
{
    wchar_t szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    CString path = szPath;
    return path.Left(path.ReverseFind(L'\\') + 1);
}
}

BEGIN_MESSAGE_MAP(CChooseInstallationTypeDlg, CWizardParentDlg)
ON_BN_CLICKED(IDC_TYPE_STANDARD, &CChooseInstallationTypeDlg::UpdateControls)
ON_BN_CLICKED(IDC_TYPE_USB, &CChooseInstallationTypeDlg::UpdateControls)
ON_BN_CLICKED(IDC_TYPE_REFRESH, &CChooseInstallationTypeDlg::OnRefresh)
ON_CONTROL(CBN_SELCHANGE, IDC_TYPE_DRIVES, &CChooseInstallationTypeDlg::OnDriveSelChange)
ON_BN_CLICKED(IDCANCEL, &CWizardParentDlg::OnCancelInstallation)
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_TYPE_HELP, &CChooseInstallationTypeDlg::OnHelp)
ON_BN_CLICKED(IDC_TYPE_BROWSE, &CChooseInstallationTypeDlg::OnBrowse)
END_MESSAGE_MAP()

CChooseInstallationTypeDlg::CChooseInstallationTypeDlg(HWND hParent)
    : CWizardParentDlg(TRUE, FALSE, IDD_CHOOSE_INSTALLATION_TYPE, hParent), m_cSelectedLetter(0),
      m_nLanguageId(1033), m_pDriveQuery(nullptr)
{
}

CChooseInstallationTypeDlg::~CChooseInstallationTypeDlg() = default;

BOOL CChooseInstallationTypeDlg::OnInitDialog()
{
    CWizardParentDlg::OnInitDialog();
    FormatItemWithDisplayName(m_hWnd, IDC_WIZARD_TEXT);
    FormatItemWithDisplayName(m_hWnd, IDC_TYPE_STANDARD_TEXT);
    FormatItemWithDisplayName(m_hWnd, IDC_TYPE_USB_TEXT);
    ::EnableWindow(GetDlgItem(IDC_TYPE_HELP), !m_helpFileBaseName.IsEmpty());
    m_pDeviceMonitor.reset(new CDeviceChangeMonitorWnd);
    m_pDeviceMonitor->Create(this);
    CheckRadioButton(m_hWnd, IDC_TYPE_STANDARD, IDC_TYPE_USB, IDC_TYPE_STANDARD);
    MakeRadioFont();
    RefreshDrives(0);
    return TRUE;
}

void CChooseInstallationTypeDlg::MakeRadioFont()
{
    HWND hStandard = GetDlgItem(IDC_TYPE_STANDARD);
    HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(hStandard, WM_GETFONT, 0, 0));
    LOGFONTW logFont = {};
    if (!hFont || !GetObjectW(hFont, sizeof(logFont), &logFont))
        return;
    logFont.lfWeight = std::min(logFont.lfWeight + kRadioWeightIncrease, kMaxWeight);
    if (!m_radioFont.CreateFontIndirect(&logFont))
        return;
    const WPARAM wFont = reinterpret_cast<WPARAM>(m_radioFont.GetSafeHandle());
    ::SendMessageW(hStandard, WM_SETFONT, wFont, TRUE);
    ::SendMessageW(GetDlgItem(IDC_TYPE_USB), WM_SETFONT, wFont, TRUE);
}

void CChooseInstallationTypeDlg::RefreshDrives(wchar_t cPreferredLetter)
{
    CWaitCursor waitCursor;
    HWND hCombo = GetDlgItem(IDC_TYPE_DRIVES);
    ::SendMessageW(hCombo, CB_RESETCONTENT, 0, 0);
    EnumerateRemovableDrives(m_drives, m_pDriveQuery);
    if (m_drives.empty())
    {
        const CString connect = LoadPageString(IDS_CONNECT_USB_DEVICE, GetLoadedLanguage());
        const LRESULT nItem = ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<const wchar_t*>(connect)));
        ::SendMessageW(hCombo, CB_SETITEMDATA, nItem, static_cast<LPARAM>(-1));
        ::SendMessageW(hCombo, CB_SETCURSEL, nItem, 0);
    }
    else
    {
        LRESULT nSelect = -1;
        for (size_t i = 0; i < m_drives.size(); ++i)
        {
            CString item;
            item.Format(L"(%c:\\) %s", LetterOf(m_drives[i]), m_drives[i].szVolumeName);
            const LRESULT nItem = ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<const wchar_t*>(item)));
            // The list is sorted: each item carries its entry of the drive list.
            ::SendMessageW(hCombo, CB_SETITEMDATA, nItem, static_cast<LPARAM>(i));
        }
        const int nItems = static_cast<int>(::SendMessageW(hCombo, CB_GETCOUNT, 0, 0));
        for (int nItem = 0; nItem < nItems && cPreferredLetter; ++nItem)
        {
            const size_t nEntry = static_cast<size_t>(::SendMessageW(hCombo, CB_GETITEMDATA, nItem, 0));
            if (nEntry < m_drives.size() && LetterOf(m_drives[nEntry]) == cPreferredLetter)
                nSelect = nItem;
        }
        ::SendMessageW(hCombo, CB_SETCURSEL, nSelect < 0 ? 0 : nSelect, 0);
    }
    OnDriveSelChange();
}

void CChooseInstallationTypeDlg::OnDriveSelChange()
{
    HWND hCombo = GetDlgItem(IDC_TYPE_DRIVES);
    const LRESULT nItem = ::SendMessageW(hCombo, CB_GETCURSEL, 0, 0);
    const size_t nEntry = nItem == CB_ERR ? m_drives.size() : static_cast<size_t>(::SendMessageW(hCombo, CB_GETITEMDATA, nItem, 0));
    if (nEntry < m_drives.size())
    {
        m_cSelectedLetter = LetterOf(m_drives[nEntry]);
        const CString root = RootOf(m_cSelectedLetter);
        // A folder chosen on the same drive stays.
        if (m_targetFolder.IsEmpty() || m_targetFolder.Left(3) != root)
            m_targetFolder = root;
    }
    else
    {
        m_cSelectedLetter = 0;
        m_targetFolder.Empty();
    }
    SetDlgItemText(IDC_TYPE_TARGET_FOLDER, m_targetFolder);
    UpdateControls();
}

bool CChooseInstallationTypeDlg::IsStandardChecked() const
{
    return IsDlgButtonChecked(m_hWnd, IDC_TYPE_STANDARD) == BST_CHECKED;
}

void CChooseInstallationTypeDlg::UpdateControls()
{
    const bool bStandard = IsStandardChecked();
    const bool bDrives = !m_drives.empty();
    ::EnableWindow(GetDlgItem(IDC_TYPE_DRIVES), !bStandard && bDrives);
    ::EnableWindow(GetDlgItem(IDOK), bStandard || bDrives);
    SetDlgItemText(IDOK, LoadPageString(bStandard ? IDS_NEXT_BUTTON : IDS_INSTALL_BUTTON, GetLoadedLanguage()));
    for (int nID : { IDC_TYPE_REFRESH, IDC_TYPE_TARGET_FOLDER, IDC_TYPE_BROWSE })
        ::EnableWindow(GetDlgItem(nID), !bStandard);
    const int nShow = m_cSelectedLetter ? SW_SHOW : SW_HIDE;
    ::ShowWindow(GetDlgItem(IDC_TYPE_TARGET_FOLDER), nShow);
    ::ShowWindow(GetDlgItem(IDC_TYPE_BROWSE), nShow);
}

void CChooseInstallationTypeDlg::OnRefresh()
{
    RefreshDrives(m_cSelectedLetter);
}

void CChooseInstallationTypeDlg::OnDeviceArrived(wchar_t cDriveLetter)
{
    RefreshDrives(cDriveLetter);
}

void CChooseInstallationTypeDlg::OnDeviceRemoved(wchar_t)
{
    // The selected drive stays selected while it is still there.
    RefreshDrives(m_cSelectedLetter);
}

void CChooseInstallationTypeDlg::OnBrowse()
{
    if (!m_cSelectedLetter)
        return;
    const LANGID lang = GetLoadedLanguage();
    CBrowseFolderDlg picker(nullptr, kBrowseFlags, m_hWnd, 0, 0);
    picker.SetCaptionAndTitle(LoadPageString(IDS_BROWSE_FOLDER_CAPTION, lang),
                              FormatWithDisplayName(LoadPageString(IDS_BROWSE_FOLDER_TITLE, lang)));
    picker.SetRootFolder(RootOf(m_cSelectedLetter));
    if (picker.Browse() == IDOK)
    {
        m_targetFolder = picker.GetSelectedPath();
        SetDlgItemText(IDC_TYPE_TARGET_FOLDER, m_targetFolder);
    }
}

void CChooseInstallationTypeDlg::OnHelp()
{
    const HRESULT hrCom = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    CString isoCode;
    LanguageSupport::MakeIsoCode(static_cast<LANGID>(m_nLanguageId), isoCode);
    const CString file = m_helpFileBaseName + L"_" + isoCode + L".html";
    const CString folder = ProgramFolder();
    const HINSTANCE hResult = ShellExecuteW(nullptr, L"open", file, nullptr, folder, SW_SHOWMAXIMIZED);
    if (reinterpret_cast<INT_PTR>(hResult) <= 32)
        Trace(TRACE_ERROR, L"Failed to open help file [%s]", static_cast<const wchar_t*>(m_helpFileBaseName));
    if (SUCCEEDED(hrCom))
        CoUninitialize();
}

void CChooseInstallationTypeDlg::OnDestroy()
{
    // "Standard" is a PC installation, whatever drive the list shows.
    if (IsStandardChecked())
        m_cSelectedLetter = 0;
    if (m_pDeviceMonitor)
        m_pDeviceMonitor->DestroyWindow();
    CWizardParentDlg::OnDestroy();
}

BOOL CChooseInstallationTypeDlg::GetSelectedDrive(CString& rRoot, CString& rFolder) const
{
    if (!m_cSelectedLetter)
        return FALSE;
    rRoot = RootOf(m_cSelectedLetter);
    rFolder = m_targetFolder;
    return TRUE;
}
