#pragma once
// Windows of the class library: a CWnd object owns one window created through CreateEx, and
// the window's messages reach the object through its message map (a table of handlers chained
// to the base class's table); what no entry takes goes to the default window procedure.

#include "String.h"

#include <windows.h>

class CWnd;
const wchar_t* AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon);

typedef LRESULT (CWnd::*AFX_PMSG)(WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage; // 0 ends the table
    AFX_PMSG pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* pBaseMap;
    const AFX_MSGMAP_ENTRY* pEntries;
};

// In the class: DECLARE_MESSAGE_MAP(); in its source:
//   BEGIN_MESSAGE_MAP(CMine, CWnd)
//       ON_MESSAGE(WM_SOMETHING, &CMine::OnSomething)   // LRESULT OnSomething(WPARAM, LPARAM)
//   END_MESSAGE_MAP()
#define DECLARE_MESSAGE_MAP()                                                                                          \
protected:                                                                                                             \
    static const AFX_MSGMAP_ENTRY _messageEntries[];                                                                   \
    static const AFX_MSGMAP messageMap;                                                                                \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return &theClass::messageMap; }                                \
    const AFX_MSGMAP theClass::messageMap = { &baseClass::messageMap, &theClass::_messageEntries[0] };                 \
    const AFX_MSGMAP_ENTRY theClass::_messageEntries[] = {
#define ON_MESSAGE(message, memberFn) { message, static_cast<AFX_PMSG>(memberFn) },
#define END_MESSAGE_MAP()                                                                                              \
    { 0, nullptr }                                                                                                     \
    }                                                                                                                  \
    ;

class CWnd
{
public:
    CWnd() = default;
    // Destroys the window it still owns.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    BOOL CreateEx(DWORD dwExStyle, const wchar_t* pszClassName, const wchar_t* pszWindowName, DWORD dwStyle,
                  const RECT& rect, HWND hParent, UINT nID, LPVOID pParam = nullptr);
    BOOL DestroyWindow();
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object of a window created through CreateEx; null for any other window.
    static CWnd* FromHandlePermanent(HWND hWnd);

    HWND m_hWnd = nullptr;

protected:
    // Runs the message map; DefWindowProc for what it does not take.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // After the window is gone (its last message).
    virtual void PostNcDestroy() {}
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP messageMap;

private:
    friend const wchar_t* AfxRegisterWndClass(UINT, HCURSOR, HBRUSH, HICON);
    static LRESULT CALLBACK StandardWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Registers (once per set of attributes) a window class whose windows are run by CWnd objects,
// and returns its name; the name stays valid for the process's life.
inline const wchar_t* AfxRegisterWndClass(UINT nClassStyle)
{
    return AfxRegisterWndClass(nClassStyle, nullptr, nullptr, nullptr);
}
