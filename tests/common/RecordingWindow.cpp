#include "RecordingWindow.h"
#include "Windows.h"

#include "workers/WorkerStrings.h"

#include <oleauto.h>

namespace
{
const wchar_t kClassName[] = L"VantolinTestsRecordingWindow";
const int kControlIds[] = { IDC_PROGRESS_MAIN_TEXT, IDC_PROGRESS_EXTRA_TEXT, IDCANCEL };
}

CRecordingWindow::CRecordingWindow(UINT nStringMessage) : m_nStringMessage(nStringMessage)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &CRecordingWindow::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc); // fails harmlessly when registered already
    m_hWnd = CreateWindowExW(0, kClassName, L"recording page", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                             wc.hInstance, this);
    for (int id : kControlIds)
    {
        HWND hControl = CreateWindowExW(0, id == IDCANCEL ? L"BUTTON" : L"STATIC", L"", WS_CHILD, 0, 0, 50, 20, m_hWnd,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), wc.hInstance, nullptr);
        m_controls.push_back({ hControl, id, nullptr, {} });
    }
    // Subclassed only now: the vector no longer moves.
    for (CControl& control : m_controls)
    {
        SetPropW(control.hWnd, L"RecordingControl", &control);
        control.previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control.hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CRecordingWindow::ControlProc)));
    }
}

CRecordingWindow::~CRecordingWindow()
{
    for (CControl& control : m_controls)
    {
        SetWindowLongPtrW(control.hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(control.previous));
        RemovePropW(control.hWnd, L"RecordingControl");
    }
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    // Strings still queued for the window would leak; nothing else is lost.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
    }
}

LRESULT CALLBACK CRecordingWindow::WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE)
    {
        SetWindowLongPtrW(hWnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
    CRecordingWindow* pThis = reinterpret_cast<CRecordingWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (pThis && msg >= 0xC000 && msg <= 0xFFFF)
    {
        CMessage record = { msg, wParam, lParam, CString() };
        if (pThis->m_nStringMessage && msg == pThis->m_nStringMessage && lParam)
        {
            BSTR text = reinterpret_cast<BSTR>(lParam);
            record.text = text;
            SysFreeString(text);
        }
        pThis->m_messages.push_back(record);
        return 0;
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CRecordingWindow::ControlProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CControl* pControl = static_cast<CControl*>(GetPropW(hWnd, L"RecordingControl"));
    if (!pControl)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    if (msg == WM_SETTEXT)
        pControl->texts.push_back(CString(reinterpret_cast<const wchar_t*>(lParam)));
    return CallWindowProcW(pControl->previous, hWnd, msg, wParam, lParam);
}

std::vector<CRecordingWindow::CMessage> CRecordingWindow::Messages(UINT msg) const
{
    std::vector<CMessage> result;
    for (const CMessage& m : m_messages)
    {
        if (msg == 0 || m.msg == msg)
            result.push_back(m);
    }
    return result;
}

std::vector<CString> CRecordingWindow::Texts(int nControlId) const
{
    for (const CControl& control : m_controls)
    {
        if (control.id == nControlId)
            return control.texts;
    }
    return {};
}

bool CRecordingWindow::IsControlEnabled(int nControlId) const
{
    return IsWindowEnabled(GetDlgItem(m_hWnd, nControlId)) != FALSE;
}

bool CRecordingWindow::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    return PumpMessagesUntil(done, timeoutMs);
}
