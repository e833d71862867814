#include "Wnd.h"
#include "Sync.h"
#include "WinApp.h"

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
}

const AFX_MSGMAP CWnd::messageMap = { nullptr, nullptr };

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return &CWnd::messageMap;
}

CWnd::~CWnd()
{
    if (m_hWnd && IsWindow(m_hWnd))
    {
        // The object is going: the window must not reach it any more.
        RemovePropW(m_hWnd, kObjectProperty);
        ::DestroyWindow(m_hWnd);
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

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap; pMap = pMap->pBaseMap)
    {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->pEntries; pEntry && pEntry->nMessage != 0; ++pEntry)
        {
            if (pEntry->nMessage == message)
                return (this->*pEntry->pfn)(wParam, lParam);
        }
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
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
    const LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY)
    {
        RemovePropW(hWnd, kObjectProperty);
        pWnd->m_hWnd = nullptr;
        pWnd->PostNcDestroy();
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
