#pragma once
// Fakes of what the pages take from the application and the step engine: a title, a display
// name, two one-coloured branding bitmaps and a remembered page position; an engine that counts.

#include "classlib/Gdi.h"
#include "wizard/ProgressPageInterfaces.h"
#include "wizard/WizardHost.h"

#include <atomic>

const COLORREF kFakeHeaderColour = RGB(200, 0, 0);
const COLORREF kFakeWatermarkColour = RGB(0, 160, 0);

inline void MakeSolidBitmap(CBitmap& rBitmap, int cx, int cy, COLORREF colour)
{
    HDC hScreen = GetDC(nullptr);
    HDC hDC = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, cx, cy);
    HGDIOBJ hPrevious = SelectObject(hDC, hBitmap);
    HBRUSH hBrush = CreateSolidBrush(colour);
    RECT all = { 0, 0, cx, cy };
    FillRect(hDC, &all, hBrush);
    DeleteObject(hBrush);
    SelectObject(hDC, hPrevious);
    DeleteDC(hDC);
    ReleaseDC(nullptr, hScreen);
    rBitmap.Attach(hBitmap);
}

class CFakeWizardHost : public IWizardHost
{
public:
    CFakeWizardHost() : m_pPrevious(SetWizardHost(this))
    {
        MakeSolidBitmap(m_header, 60, 12, kFakeHeaderColour);
        MakeSolidBitmap(m_watermark, 30, 40, kFakeWatermarkColour);
    }
    ~CFakeWizardHost() { SetWizardHost(m_pPrevious); }
    CFakeWizardHost(const CFakeWizardHost&) = delete;
    CFakeWizardHost& operator=(const CFakeWizardHost&) = delete;

    CString GetAppTitle() override { return L"Fake Setup"; }
    CString GetProductDisplayName() override { return L"Quux Player"; }
    const CBitmap* GetHeaderBitmap() override { return &m_header; }
    const CBitmap* GetWatermarkBitmap() override { return &m_watermark; }
    void RestorePagePosition(HWND hPage) override
    {
        ++m_nRestored;
        if (m_bSaved)
            SetWindowPos(hPage, nullptr, m_saved.x, m_saved.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void SavePagePosition(HWND, int x, int y) override
    {
        m_saved = { x, y };
        m_bSaved = true;
    }

    CBitmap m_header;
    CBitmap m_watermark;
    POINT m_saved = {};
    bool m_bSaved = false;
    int m_nRestored = 0;

private:
    IWizardHost* m_pPrevious;
};

class CFakeProgressEngine : public IProgressPageEngine
{
public:
    void SetProgressWindow(HWND hWnd) override { m_hProgressWnd = hWnd; }
    void StopForCancel() override { ++m_nStops; }

    HWND m_hProgressWnd = nullptr;
    std::atomic<int> m_nStops{ 0 };
};
