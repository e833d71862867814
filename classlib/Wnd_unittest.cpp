// The class library's windows: a message reaches the handler of the most derived map that has
// it, else the base class's, else the default procedure; the object lets go of its window.
#include "classlib/Wnd.h"

#include <gtest/gtest.h>

namespace
{
const UINT WM_BASE_ONLY = WM_APP + 1;
const UINT WM_BOTH = WM_APP + 2;

class CBaseWnd : public CWnd
{
public:
    int m_nBaseCalls = 0;

protected:
    LRESULT OnBaseOnly(WPARAM wParam, LPARAM) { ++m_nBaseCalls; return static_cast<LRESULT>(wParam) + 100; }
    LRESULT OnBoth(WPARAM, LPARAM) { ++m_nBaseCalls; return 1; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_MESSAGE(WM_BASE_ONLY, &CBaseWnd::OnBaseOnly)
ON_MESSAGE(WM_BOTH, &CBaseWnd::OnBoth)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd
{
public:
    int m_nDerivedCalls = 0;
    bool m_bCreateSeen = false;

protected:
    LRESULT OnBoth(WPARAM, LPARAM) { ++m_nDerivedCalls; return 2; }
    // Messages of the window's creation reach the object too.
    LRESULT OnCreate(WPARAM, LPARAM) { m_bCreateSeen = m_hWnd != nullptr; return 0; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
ON_MESSAGE(WM_BOTH, &CDerivedWnd::OnBoth)
ON_MESSAGE(WM_CREATE, &CDerivedWnd::OnCreate)
END_MESSAGE_MAP()

TEST(Wnd, MessageMapsChainToTheBaseAndTheDefaultProcedure)
{
    CDerivedWnd wnd;
    const RECT empty = {};
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), L"test", WS_POPUP, empty, nullptr, 0));
    EXPECT_TRUE(wnd.m_bCreateSeen);
    EXPECT_EQ(2, SendMessageW(wnd.m_hWnd, WM_BOTH, 0, 0));
    EXPECT_EQ(107, SendMessageW(wnd.m_hWnd, WM_BASE_ONLY, 7, 0));
    EXPECT_EQ(1, wnd.m_nDerivedCalls);
    EXPECT_EQ(1, wnd.m_nBaseCalls);
    // Not in any map: the default procedure answers.
    wchar_t title[16] = {};
    EXPECT_EQ(4, GetWindowTextW(wnd.m_hWnd, title, 16));
    EXPECT_STREQ(L"test", title);
    // One class for the same attributes.
    EXPECT_STREQ(AfxRegisterWndClass(0), AfxRegisterWndClass(0));
    EXPECT_STRNE(AfxRegisterWndClass(0), AfxRegisterWndClass(CS_DBLCLKS));
}

TEST(Wnd, DestroyedWindowLetsGoOfItsObject)
{
    CDerivedWnd wnd;
    const RECT empty = {};
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), L"", WS_POPUP, empty, nullptr, 0));
    HWND hWnd = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    // A second window for the same object.
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), L"", WS_POPUP, empty, nullptr, 0));
    EXPECT_EQ(2, SendMessageW(wnd.m_hWnd, WM_BOTH, 0, 0));
}
}
