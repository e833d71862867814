#include "Wnd.h"
#include "Sync.h"
#include "WinApp.h"

#include <exception>
#include <map>
#include <tuple>

namespace
{
const wchar_t kObjectProperty[] = L"ClassLibWndObject";
// The object whose CreateEx runs on this thread: its window's first messages arrive before
// CreateWindowExW returns the handle.
thread_local CWnd* t_pCreating = nullptr;

HINSTANCE ClassInstance()
{
    HINSTANCE hInstance = AfxGetInstanceHandle();
    return hInstance ? hInstance : GetModuleHandleW(nullptr);
}

bool MatchesEntry(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (entry.pnRegistered)
        return *entry.pnRegistered != 0 && *entry.pnRegistered == message;
    if (entry.nSig == AfxSig_hCtlColor)
        return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    if (entry.nMessage != message)
        return false;
    if (message == WM_COMMAND)
    {
        const UINT id = LOWORD(wParam);
        return HIWORD(wParam) == entry.nCode && id >= entry.nID && id <= entry.nLastID;
    }
    if (message == WM_NOTIFY)
    {
        const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
        return pHeader && pHeader->code == entry.nCode && pHeader->idFrom >= entry.nID &&
               pHeader->idFrom <= entry.nLastID;
    }
    return true;
}

// Sets the message Default() answers for the time of one dispatch.
class CCurrentMessage
{
public:
    CCurrentMessage(const MSG*& rSlot, const MSG* pMsg) : m_rSlot(rSlot), m_pPrevious(rSlot) { m_rSlot = pMsg; }
    ~CCurrentMessage() { m_rSlot = m_pPrevious; }
    CCurrentMessage(const CCurrentMessage&) = delete;
    CCurrentMessage& operator=(const CCurrentMessage&) = delete;

private:
    const MSG*& m_rSlot;
    const MSG* m_pPrevious;
};
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP s_map = { nullptr, nullptr };
    return &s_map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

CWnd::~CWnd()
{
    if (m_hWnd && IsWindow(m_hWnd))
    {
        if (!m_bOwnsWindow)
        {
            UnsubclassWindow();
        }
        else
        {
            // The object is going: the window must not reach it any more, and its own
            // procedure (a dialog's) does the rest of its destruction.
            HWND hWnd = UnsubclassWindow();
            RemovePropW(hWnd, kObjectProperty);
            ::DestroyWindow(hWnd);
        }
    }
    m_hWnd = nullptr;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, const wchar_t* pszClassName, const wchar_t* pszWindowName, DWORD dwStyle,
                    const RECT& rect, HWND hParent, UINT nID, LPVOID pParam)
{
    if (m_hWnd)
        return FALSE;
    CWnd* pOuter = t_pCreating;
    t_pCreating = this;
    HWND hWnd = CreateWindowExW(dwExStyle, pszClassName, pszWindowName, dwStyle, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, hParent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), ClassInstance(), pParam);
    t_pCreating = pOuter;
    if (!hWnd)
    {
        m_hWnd = nullptr;
        return FALSE;
    }
    m_hWnd = hWnd;
    m_bOwnsWindow = true;
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? static_cast<CWnd*>(GetPropW(hWnd, kObjectProperty)) : nullptr;
}

void CWnd::AttachCreated(HWND hWnd)
{
    m_hWnd = hWnd;
    m_bOwnsWindow = true;
    SetPropW(hWnd, kObjectProperty, this);
    WNDPROC pfnOwn = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
    if (pfnOwn != &CWnd::StandardWindowProc)
    {
        m_pfnSuper = pfnOwn;
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWindowProc));
    }
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (m_hWnd || !hWnd || !IsWindow(hWnd) || FromHandlePermanent(hWnd))
        return FALSE;
    m_hWnd = hWnd;
    m_bOwnsWindow = false;
    SetPropW(hWnd, kObjectProperty, this);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWindowProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    return pParent ? SubclassWindow(pParent->GetDlgItem(static_cast<int>(nID))) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (!hWnd)
        return nullptr;
    if (m_pfnSuper)
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    if (!m_bOwnsWindow)
        RemovePropW(hWnd, kObjectProperty);
    m_hWnd = nullptr;
    return hWnd;
}

CString CWnd::GetWindowText() const
{
    CString text;
    const int nLength = ::GetWindowTextLengthW(m_hWnd);
    if (nLength > 0)
    {
        ::GetWindowTextW(m_hWnd, text.GetBuffer(nLength + 1), nLength + 1);
        text.ReleaseBuffer();
    }
    return text;
}

CString CWnd::GetDlgItemText(int nID) const
{
    HWND hItem = GetDlgItem(nID);
    CString text;
    const int nLength = hItem ? ::GetWindowTextLengthW(hItem) : 0;
    if (nLength > 0)
    {
        ::GetWindowTextW(hItem, text.GetBuffer(nLength + 1), nLength + 1);
        text.ReleaseBuffer();
    }
    return text;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->pEntries; pEntry && pEntry->pfn; ++pEntry)
        {
            if (!MatchesEntry(*pEntry, message, wParam, lParam))
                continue;
            switch (pEntry->nSig)
            {
            case AfxSig_lwl:
                *pResult = (this->*pEntry->pfn)(wParam, lParam);
                break;
            case AfxSig_vv:
                (this->*reinterpret_cast<void (CWnd::*)()>(pEntry->pfn))();
                *pResult = 0;
                break;
            case AfxSig_vNotify:
            {
                LRESULT result = 0;
                (this->*reinterpret_cast<void (CWnd::*)(NMHDR*, LRESULT*)>(pEntry->pfn))(
                    reinterpret_cast<NMHDR*>(lParam), &result);
                *pResult = result;
                break;
            }
            case AfxSig_vTimer:
                (this->*reinterpret_cast<void (CWnd::*)(UINT_PTR)>(pEntry->pfn))(static_cast<UINT_PTR>(wParam));
                *pResult = 0;
                break;
            case AfxSig_hCtlColor:
                *pResult = reinterpret_cast<LRESULT>((this->*reinterpret_cast<HBRUSH (CWnd::*)(HDC, HWND, UINT)>(
                    pEntry->pfn))(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                  message - WM_CTLCOLORMSGBOX));
                break;
            default:
                return FALSE;
            }
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    if (!m_pCurrentMsg)
        return 0;
    return DefWindowProc(m_pCurrentMsg->message, m_pCurrentMsg->wParam, m_pCurrentMsg->lParam);
}

LRESULT CWnd::OnHandlerException(UINT message)
{
    if (message == WM_CREATE)
        return -1;
    return 0;
}

LRESULT CWnd::DispatchGuarded(UINT message, WPARAM wParam, LPARAM lParam)
{
    const MSG msg = { m_hWnd, message, wParam, lParam, 0, {} };
    CCurrentMessage current(m_pCurrentMsg, &msg);
    try
    {
        return WindowProc(message, wParam, lParam);
    }
    catch (const std::exception& e)
    {
        AfxReportError(L"CWnd::WindowProc : the handler of message 0x%04x threw \"%hs\"", message,
                       e.what() ? e.what() : "");
    }
    catch (...)
    {
        AfxReportError(L"CWnd::WindowProc : the handler of message 0x%04x threw an exception of unknown type",
                       message);
    }
    try
    {
        return OnHandlerException(message);
    }
    catch (...)
    {
        AfxReportError(L"CWnd::WindowProc : the answer to the failed message 0x%04x threw as well", message);
        return 0;
    }
}

LRESULT CALLBACK CWnd::StandardWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (!pWnd && t_pCreating && !t_pCreating->m_hWnd)
    {
        pWnd = t_pCreating;
        pWnd->m_hWnd = hWnd;
        SetPropW(hWnd, kObjectProperty, pWnd);
    }
    if (!pWnd)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    const LRESULT result = pWnd->DispatchGuarded(message, wParam, lParam);
    if (message == WM_NCDESTROY)
    {
        RemovePropW(hWnd, kObjectProperty);
        if (pWnd->m_pfnSuper)
            SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
        pWnd->m_pfnSuper = nullptr;
        pWnd->m_hWnd = nullptr;
        try
        {
            pWnd->PostNcDestroy();
        }
        catch (...)
        {
            AfxReportError(L"CWnd::PostNcDestroy threw an exception");
        }
    }
    return result;
}

const wchar_t* AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    static CCriticalSection s_lock;
    static std::map<std::tuple<UINT, HCURSOR, HBRUSH, HICON>, CString> s_names;
    CSingleLock lock(&s_lock, true);
    const auto key = std::make_tuple(nClassStyle, hCursor, hbrBackground, hIcon);
    auto found = s_names.find(key);
    if (found != s_names.end())
        return found->second.GetString();
    CString name;
    name.Format(L"ClassLibWnd:%p:%x:%p:%p:%p", static_cast<void*>(ClassInstance()), nClassStyle,
                static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    WNDCLASSW wc = {};
    wc.style = nClassStyle;
    wc.lpfnWndProc = &CWnd::StandardWindowProc;
    wc.hInstance = ClassInstance();
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.hIcon = hIcon;
    wc.lpszClassName = name;
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    return s_names.emplace(key, name).first->second.GetString();
}
