#include "BrowseFolderDlg.h"

#include "support/TraceLog.h"

#include <exception>

namespace
{
// Process-wide: the folder last chosen in any picker, and the owner's own procedure while a
// picker has it subclassed.
CString g_lastFolder;
WNDPROC g_pfnOwnerPrevious = nullptr;

// An item id list the shell allocated, freed with the shell's allocator.
struct CShellItemList
{
    explicit CShellItemList(LPITEMIDLIST pidl) : m_pidl(pidl) {}
    ~CShellItemList()
    {
        IMalloc* pMalloc = nullptr;
        if (m_pidl && SUCCEEDED(SHGetMalloc(&pMalloc)) && pMalloc)
        {
            pMalloc->Free(m_pidl);
            pMalloc->Release();
        }
    }
    CShellItemList(const CShellItemList&) = delete;
    CShellItemList& operator=(const CShellItemList&) = delete;
    LPITEMIDLIST m_pidl;
};

struct CComScope
{
    explicit CComScope(bool bSkip) : m_bInitialised(!bSkip && SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComScope()
    {
        if (m_bInitialised)
            CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;
    bool m_bInitialised;
};
}

CBrowseFolderDlg::CBrowseFolderDlg(const wchar_t* pszInitialFolder, UINT nFlags, HWND hOwner, int, int)
    : m_browseInfo(), m_selectedPath(pszInitialFolder ? CString(pszInitialFolder) : g_lastFolder), m_szDisplayName(),
      m_szPath(), m_hBrowseWnd(nullptr), m_bCallerOwnsCom(false), m_bSubclassed(false)
{
    m_browseInfo.hwndOwner = hOwner;
    m_browseInfo.pszDisplayName = m_szDisplayName;
    m_browseInfo.ulFlags = nFlags;
    m_browseInfo.lpfn = BrowseCallbackProc;
    m_browseInfo.lParam = reinterpret_cast<LPARAM>(this);
}

CBrowseFolderDlg::~CBrowseFolderDlg()
{
    RestoreOwner();
    FreeRoot();
}

void CBrowseFolderDlg::SetCaptionAndTitle(const wchar_t* pszCaption, const wchar_t* pszTitle)
{
    m_caption = pszCaption ? pszCaption : L"";
    m_title = pszTitle ? pszTitle : L"";
    m_browseInfo.lpszTitle = m_title;
}

void CBrowseFolderDlg::SetRootFolder(const wchar_t* pszRoot)
{
    m_rootFolder = pszRoot ? pszRoot : L"";
}

void CBrowseFolderDlg::FreeRoot()
{
    if (m_browseInfo.pidlRoot)
        CoTaskMemFree(const_cast<LPITEMIDLIST>(m_browseInfo.pidlRoot));
    m_browseInfo.pidlRoot = nullptr;
}

INT_PTR CBrowseFolderDlg::Browse()
{
    CComScope com(m_bCallerOwnsCom);
    FreeRoot();
    if (!m_rootFolder.IsEmpty())
    {
        IShellFolder* pDesktop = nullptr;
        if (SUCCEEDED(SHGetDesktopFolder(&pDesktop)) && pDesktop)
        {
            CString root = m_rootFolder;
            LPITEMIDLIST pidlRoot = nullptr;
            if (SUCCEEDED(pDesktop->ParseDisplayName(nullptr, nullptr, root.GetBuffer(root.GetLength() + 1), nullptr, &pidlRoot, nullptr)))
                m_browseInfo.pidlRoot = pidlRoot;
            else
                Trace(TRACE_WARNING, L"CBrowseFolderDlg::Browse : the root folder %s cannot be parsed", static_cast<const wchar_t*>(m_rootFolder));
            root.ReleaseBuffer();
            pDesktop->Release();
        }
    }
    INT_PTR nResult = IDCANCEL;
    {
        CShellItemList chosen(SHBrowseForFolderW(&m_browseInfo));
        // The owner gets its own procedure back before anything else can reach it.
        RestoreOwner();
        if (chosen.m_pidl && SHGetPathFromIDListW(chosen.m_pidl, m_szPath))
        {
            m_selectedPath = m_szPath;
            g_lastFolder = m_selectedPath;
            nResult = IDOK;
        }
    }
    m_hBrowseWnd = nullptr;
    return nResult;
}

void CBrowseFolderDlg::OnBrowseCallback(HWND hBrowseWnd, UINT message, LPARAM lParam)
{
    m_hBrowseWnd = hBrowseWnd;
    if (message == BFFM_INITIALIZED)
        OnInitialized(hBrowseWnd);
    else if (message == BFFM_SELCHANGED)
        OnSelChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
}

void CBrowseFolderDlg::OnInitialized(HWND hBrowseWnd)
{
    ::SendMessageW(hBrowseWnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(static_cast<const wchar_t*>(m_selectedPath)));
    if (!m_caption.IsEmpty())
        ::SetWindowTextW(hBrowseWnd, m_caption);
    SubclassOwner();
}

void CBrowseFolderDlg::OnSelChanged(LPCITEMIDLIST pidl)
{
    const BOOL bFileSystem = pidl && SHGetPathFromIDListW(pidl, m_szPath);
    ::SendMessageW(m_hBrowseWnd, BFFM_ENABLEOK, 0, bFileSystem);
}

// Once per browse: a second subclassing would store OwnerWndProc as its own predecessor.
void CBrowseFolderDlg::SubclassOwner()
{
    HWND hOwner = m_browseInfo.hwndOwner;
    if (!hOwner || m_bSubclassed || g_pfnOwnerPrevious)
        return;
    g_pfnOwnerPrevious = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hOwner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnerWndProc)));
    m_bSubclassed = g_pfnOwnerPrevious != nullptr;
}

void CBrowseFolderDlg::RestoreOwner()
{
    if (!m_bSubclassed)
        return;
    if (IsWindow(m_browseInfo.hwndOwner))
        SetWindowLongPtrW(m_browseInfo.hwndOwner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnOwnerPrevious));
    g_pfnOwnerPrevious = nullptr;
    m_bSubclassed = false;
}

int CALLBACK BrowseCallbackProc(HWND hWnd, UINT message, LPARAM lParam, LPARAM lpData)
{
    // An exception must not cross the shell's frames.
    try
    {
        if (CBrowseFolderDlg* pDlg = reinterpret_cast<CBrowseFolderDlg*>(lpData))
            pDlg->OnBrowseCallback(hWnd, message, lParam);
    }
    catch (const std::exception& e)
    {
        Trace(TRACE_ERROR, L"BrowseCallbackProc : %S", e.what());
    }
    catch (...)
    {
        Trace(TRACE_ERROR, L"BrowseCallbackProc : unknown exception");
    }
    return 0;
}

LRESULT CALLBACK OwnerWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HELP)
        return 1;
    if (!g_pfnOwnerPrevious)
        return DefWindowProcW(hWnd, message, wParam, lParam);
    return CallWindowProcW(g_pfnOwnerPrevious, hWnd, message, wParam, lParam);
}
