#pragma once
// Windows of the class library: a CWnd object owns one window created through CreateEx (or a
// dialog, see Dialog.h), or is bound to an existing window it subclasses. The window's messages
// reach the object through its message map (a table of handlers chained to the base class's
// table); what no entry takes goes to the window's default procedure.
//
// No exception leaves a window procedure: one thrown by a handler is caught, reported through
// AfxReportError and the message is answered as failed (see CWnd::OnHandlerException).

#include "String.h"

#include <windows.h>

class CWnd;
const wchar_t* AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon);

typedef LRESULT (CWnd::*AFX_PMSG)(WPARAM wParam, LPARAM lParam);

// How an entry's handler is called (the member pointer is cast back to its own type).
enum AfxSig
{
    AfxSig_lwl,      // LRESULT (WPARAM, LPARAM): ON_MESSAGE, ON_REGISTERED_MESSAGE
    AfxSig_vv,       // void (): commands, control notifications, WM_PAINT, WM_DESTROY, WM_CLOSE
    AfxSig_vNotify,  // void (NMHDR*, LRESULT*): ON_NOTIFY
    AfxSig_vTimer,   // void (UINT_PTR): ON_WM_TIMER
    AfxSig_hCtlColor // HBRUSH (HDC, HWND, UINT nCtlColor): ON_WM_CTLCOLOR, every WM_CTLCOLOR*
};

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;            // WM_COMMAND and WM_NOTIFY entries also match code and id
    UINT nCode;               // notification code
    UINT nID;                 // first and last control id
    UINT nLastID;
    const UINT* pnRegistered; // a registered message: the variable holding its number
    int nSig;                 // AfxSig
    AFX_PMSG pfn;             // null ends the table
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)(); // null for CWnd's own
    const AFX_MSGMAP_ENTRY* pEntries;
};

// In the class: DECLARE_MESSAGE_MAP(); in its source:
//   BEGIN_MESSAGE_MAP(CMine, CWnd)
//       ON_MESSAGE(WM_SOMETHING, &CMine::OnSomething)   // LRESULT OnSomething(WPARAM, LPARAM)
//       ON_COMMAND(IDOK, &CMine::OnOK)                   // void OnOK()
//       ON_WM_TIMER()                                    // void OnTimer(UINT_PTR) of CMine or a base
//   END_MESSAGE_MAP()
// The most derived map is searched first; a handler of a base map runs when no derived one
// takes the message.
#define DECLARE_MESSAGE_MAP()                                                                                          \
protected:                                                                                                             \
    static const AFX_MSGMAP* GetThisMessageMap();                                                                      \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }                                  \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                                    \
    {                                                                                                                  \
        typedef theClass ThisClass;                                                                                    \
        typedef baseClass TheBaseClass;                                                                                \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                                              \
    { 0, 0, 0, 0, nullptr, 0, nullptr }                                                                                \
    }                                                                                                                  \
    ;                                                                                                                  \
    static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] };                    \
    static_cast<void>(sizeof(ThisClass));                                                                              \
    return &messageMap;                                                                                                \
    }

#define AFX_ENTRY_PFN(type, memberFn) reinterpret_cast<AFX_PMSG>(static_cast<type>(memberFn))

#define ON_MESSAGE(message, memberFn) { message, 0, 0, 0, nullptr, AfxSig_lwl, static_cast<AFX_PMSG>(memberFn) },
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFn)                                                              \
    { 0, 0, 0, 0, &nMessageVariable, AfxSig_lwl, static_cast<AFX_PMSG>(memberFn) },
// A WM_COMMAND notification code from the controls id to lastId.
#define ON_CONTROL_RANGE(code, id, lastId, memberFn)                                                                   \
    { WM_COMMAND, code, id, lastId, nullptr, AfxSig_vv, AFX_ENTRY_PFN(void (CWnd::*)(), memberFn) },
#define ON_CONTROL(code, id, memberFn) ON_CONTROL_RANGE(code, id, id, memberFn)
#define ON_COMMAND(id, memberFn) ON_CONTROL(BN_CLICKED, id, memberFn)
#define ON_BN_CLICKED(id, memberFn) ON_CONTROL(BN_CLICKED, id, memberFn)
#define ON_NOTIFY(code, id, memberFn)                                                                                  \
    { WM_NOTIFY, static_cast<UINT>(code), id, id, nullptr, AfxSig_vNotify,                                             \
      AFX_ENTRY_PFN(void (CWnd::*)(NMHDR*, LRESULT*), memberFn) },
#define ON_WM_TIMER()                                                                                                  \
    { WM_TIMER, 0, 0, 0, nullptr, AfxSig_vTimer, AFX_ENTRY_PFN(void (CWnd::*)(UINT_PTR), &ThisClass::OnTimer) },
#define ON_WM_CTLCOLOR()                                                                                               \
    { WM_CTLCOLORMSGBOX, 0, 0, 0, nullptr, AfxSig_hCtlColor,                                                           \
      AFX_ENTRY_PFN(HBRUSH (CWnd::*)(HDC, HWND, UINT), &ThisClass::OnCtlColor) },
#define ON_WM_PAINT() { WM_PAINT, 0, 0, 0, nullptr, AfxSig_vv, AFX_ENTRY_PFN(void (CWnd::*)(), &ThisClass::OnPaint) },
#define ON_WM_DESTROY()                                                                                                \
    { WM_DESTROY, 0, 0, 0, nullptr, AfxSig_vv, AFX_ENTRY_PFN(void (CWnd::*)(), &ThisClass::OnDestroy) },
#define ON_WM_CLOSE() { WM_CLOSE, 0, 0, 0, nullptr, AfxSig_vv, AFX_ENTRY_PFN(void (CWnd::*)(), &ThisClass::OnClose) },

class CWnd
{
public:
    CWnd() = default;
    // Destroys the window it created; lets go of a window it only subclassed.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    BOOL CreateEx(DWORD dwExStyle, const wchar_t* pszClassName, const wchar_t* pszWindowName, DWORD dwStyle,
                  const RECT& rect, HWND hParent, UINT nID, LPVOID pParam = nullptr);
    virtual BOOL DestroyWindow();
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object of a window created or subclassed by a CWnd; null for any other window.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Binds the object to a window it did not create (a dialog's control): its messages pass
    // through this object's map first. Fails when the object already has a window or the window
    // already has an object.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Gives the window its own procedure back; the window.
    HWND UnsubclassWindow();

    // Thin helpers over the window.
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CString GetWindowText() const;
    void SetWindowText(const wchar_t* pszText) { ::SetWindowTextW(m_hWnd, pszText); }
    void SetDlgItemText(int nID, const wchar_t* pszText) { ::SetDlgItemTextW(m_hWnd, nID, pszText); }
    CString GetDlgItemText(int nID) const;
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse) { return ::SetTimer(m_hWnd, nIDEvent, nElapse, nullptr); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

    HWND m_hWnd = nullptr;

    // Handlers the ON_WM_* entries name; each runs the window's default handling.
    void OnPaint() { Default(); }
    void OnDestroy() { Default(); }
    void OnClose() { Default(); }
    void OnTimer(UINT_PTR) { Default(); }
    HBRUSH OnCtlColor(HDC, HWND, UINT) { return reinterpret_cast<HBRUSH>(Default()); }

protected:
    // Runs the message map; DefWindowProc for what it does not take.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The map's handler of the message, if any: true and its result in *pResult.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The window class's own procedure (or the subclassed window's previous one).
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default handling of the message being handled now (for handlers that add to it).
    LRESULT Default();
    // A handler threw (already reported): the message's answer. -1 for WM_CREATE (the creation
    // fails), FALSE for WM_NCCREATE, else 0.
    virtual LRESULT OnHandlerException(UINT message);
    // After the window is gone (its last message).
    virtual void PostNcDestroy() {}
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP* GetThisMessageMap();

    // Binds a window being created to this object; the window procedure becomes the class
    // library's, the previous one its default procedure.
    void AttachCreated(HWND hWnd);
    static LRESULT CALLBACK StandardWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // WindowProc with the message set for Default() and every exception caught and reported.
    LRESULT DispatchGuarded(UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr; // a subclassed window's own procedure
    bool m_bOwnsWindow = false;   // created here: destroyed with the object

private:
    friend const wchar_t* AfxRegisterWndClass(UINT, HCURSOR, HBRUSH, HICON);
    // The message the object is handling now (Default's message).
    const MSG* m_pCurrentMsg = nullptr;
};

// Registers (once per set of attributes) a window class whose windows are run by CWnd objects,
// and returns its name; the name stays valid for the process's life.
inline const wchar_t* AfxRegisterWndClass(UINT nClassStyle)
{
    return AfxRegisterWndClass(nClassStyle, nullptr, nullptr, nullptr);
}
