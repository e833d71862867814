#include "Screenshot.h"

#include "classlib/Gdi.h"
#include "tests/common/TestArea.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

namespace
{
const wchar_t kScreenshotRoot[] = L"D:\\screenshots\\";

// GDI+ for the time of one save.
class CGdiPlusSession
{
public:
    CGdiPlusSession()
    {
        Gdiplus::GdiplusStartupInput input;
        m_bStarted = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~CGdiPlusSession()
    {
        if (m_bStarted)
            Gdiplus::GdiplusShutdown(m_token);
    }
    CGdiPlusSession(const CGdiPlusSession&) = delete;
    CGdiPlusSession& operator=(const CGdiPlusSession&) = delete;
    bool Started() const { return m_bStarted; }

private:
    ULONG_PTR m_token = 0;
    bool m_bStarted = false;
};

bool FindPngEncoder(CLSID& rClsid)
{
    UINT nCount = 0;
    UINT nBytes = 0;
    if (Gdiplus::DllExports::GdipGetImageEncodersSize(&nCount, &nBytes) != Gdiplus::Ok || nBytes == 0)
        return false;
    std::vector<BYTE> storage(nBytes);
    Gdiplus::ImageCodecInfo* pCodecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
    if (Gdiplus::DllExports::GdipGetImageEncoders(nCount, nBytes, pCodecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < nCount; ++i)
    {
        if (pCodecs[i].MimeType && wcscmp(pCodecs[i].MimeType, L"image/png") == 0)
        {
            rClsid = pCodecs[i].Clsid;
            return true;
        }
    }
    return false;
}

CString ScreenshotFolder()
{
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    PathRemoveExtensionW(module);
    CString folder = CString(kScreenshotRoot) + PathFindFileNameW(module) + L"\\";
    CreateDirectoryW(kScreenshotRoot, nullptr);
    CreateDirectoryW(folder, nullptr);
    return folder;
}
}

COLORREF CWindowPixels::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    const DWORD pixel = pixels[static_cast<size_t>(y) * width + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

int CWindowPixels::CountColour(const RECT& area, COLORREF colour) const
{
    int nCount = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (At(x, y) == colour)
                ++nCount;
    return nCount;
}

bool CaptureWindow(HWND hWnd, CWindowPixels& rPixels)
{
    RECT window = {};
    if (!hWnd || !GetWindowRect(hWnd, &window))
        return false;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    CBitmap section;
    section.Attach(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0));
    CScopedMemoryDC memory(CreateCompatibleDC(nullptr));
    if (!section.GetSafeHandle() || !memory)
        return false;
    {
        CSelectObjectScope selected(memory.Get(), section.GetSafeHandle());
        HDC hWindowDC = GetWindowDC(hWnd);
        if (!hWindowDC)
            return false;
        const BOOL bCopied = BitBlt(memory.Get(), 0, 0, width, height, hWindowDC, 0, 0, SRCCOPY);
        ReleaseDC(hWnd, hWindowDC);
        if (!bCopied)
            return false;
    }
    GdiFlush();
    rPixels.width = width;
    rPixels.height = height;
    const DWORD* pFirst = static_cast<const DWORD*>(pBits);
    rPixels.pixels.assign(pFirst, pFirst + static_cast<size_t>(width) * height);
    for (DWORD& pixel : rPixels.pixels)
        pixel &= 0x00FFFFFF;
    return true;
}

POINT ClientToCapture(HWND hWnd, POINT clientPoint)
{
    RECT window = {};
    GetWindowRect(hWnd, &window);
    ClientToScreen(hWnd, &clientPoint);
    clientPoint.x -= window.left;
    clientPoint.y -= window.top;
    return clientPoint;
}

CString SaveWindowScreenshot(HWND hWnd, const wchar_t* pszName)
{
    CWindowPixels capture;
    if (!CaptureWindow(hWnd, capture))
        return CString();
    CGdiPlusSession session;
    CLSID png = {};
    if (!session.Started() || !FindPngEncoder(png))
        return CString();
    Gdiplus::GpBitmap* pBitmap = nullptr;
    // 32 bits per pixel, rows top first: the capture's own layout.
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(capture.width, capture.height, capture.width * 4,
                                                        PixelFormat32bppRGB,
                                                        reinterpret_cast<BYTE*>(capture.pixels.data()),
                                                        &pBitmap) != Gdiplus::Ok)
        return CString();
    const CString path = ScreenshotFolder() + pszName + L".png";
    const bool bSaved = Gdiplus::DllExports::GdipSaveImageToFile(pBitmap, path, &png, nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(pBitmap);
    return bSaved ? path : CString();
}
