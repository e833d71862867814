#pragma once
// GDI objects of the class library: each object owns one handle and deletes it with itself
// (Handles.h); device contexts taken for a window are released on every path.

#include "Handles.h"

#include <windows.h>

// One GDI object of the kind THandle (HFONT, HBITMAP, HPALETTE, HBRUSH).
template <typename THandle>
class CGdiObjectT
{
public:
    CGdiObjectT() = default;
    virtual ~CGdiObjectT() = default;
    CGdiObjectT(const CGdiObjectT&) = delete;
    CGdiObjectT& operator=(const CGdiObjectT&) = delete;

    THandle GetSafeHandle() const { return static_cast<THandle>(m_object.Get()); }
    operator THandle() const { return GetSafeHandle(); }
    // Takes over the handle, deleting the one held before.
    void Attach(THandle h) { m_object.Reset(h); }
    THandle Detach() { return static_cast<THandle>(m_object.Detach()); }
    BOOL DeleteObject()
    {
        if (!m_object.IsValid())
            return FALSE;
        m_object.Reset();
        return TRUE;
    }

private:
    CScopedGdiObject m_object;
};

class CFont : public CGdiObjectT<HFONT>
{
public:
    BOOL CreateFontIndirect(const LOGFONTW* pLogFont);
    BOOL GetLogFont(LOGFONTW* pLogFont) const;
};

class CBitmap : public CGdiObjectT<HBITMAP>
{
public:
    BOOL GetBitmap(BITMAP* pBitmap) const;
};

class CPalette : public CGdiObjectT<HPALETTE>
{
public:
    BOOL CreatePalette(const LOGPALETTE* pLogPalette);
};

// A window's (or the screen's, with no window) display context, released with the object.
class CClientDC
{
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
    ~CClientDC()
    {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// The context of one WM_PAINT: BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC
{
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::BeginPaint(hWnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
    HDC m_hDC = nullptr;
};

// Selects an object into a context and puts the previous one back when it goes.
class CSelectObjectScope
{
public:
    CSelectObjectScope(HDC hDC, HGDIOBJ hObject) : m_hDC(hDC), m_hPrevious(hDC && hObject ? ::SelectObject(hDC, hObject) : nullptr) {}
    ~CSelectObjectScope()
    {
        if (m_hPrevious && m_hPrevious != HGDI_ERROR)
            ::SelectObject(m_hDC, m_hPrevious);
    }
    CSelectObjectScope(const CSelectObjectScope&) = delete;
    CSelectObjectScope& operator=(const CSelectObjectScope&) = delete;
    bool Selected() const { return m_hPrevious && m_hPrevious != HGDI_ERROR; }

private:
    HDC m_hDC;
    HGDIOBJ m_hPrevious;
};
