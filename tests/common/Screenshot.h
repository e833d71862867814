#pragma once
// Pictures of test windows: the pixels of one window read back in-process (a GDI capture of the
// window's own surface), and a PNG of them saved by GDI+ into the folder <test program> of
// D:\screenshots (the build tree's testarea/screenshots). Windows appear on the private X server the test
// run starts; tests that show windows hold the ctest lock "screen".

#include "classlib/String.h"

#include <windows.h>

#include <vector>

struct CWindowPixels
{
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels; // 0x00RRGGBB, rows top first

    // The colour at the point (window coordinates), as a COLORREF; CLR_INVALID outside.
    COLORREF At(int x, int y) const;
    // How many pixels of the rectangle (window coordinates) have the colour.
    int CountColour(const RECT& area, COLORREF colour) const;
};

// The window's pixels (client area and frame as the window draws them); false when it cannot be
// read.
bool CaptureWindow(HWND hWnd, CWindowPixels& rPixels);
// Saves the window as <name>.png in D:\screenshots\<test program> and returns the file's
// path; empty when it could not be captured or saved.
CString SaveWindowScreenshot(HWND hWnd, const wchar_t* pszName);
// Where a point of the window's client area lies in its capture.
POINT ClientToCapture(HWND hWnd, POINT clientPoint);
