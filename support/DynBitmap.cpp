#include "DynBitmap.h"
#include "TraceLog.h"

#include <vector>

namespace
{
const WORD kBitmapType = 0x4D42; // "BM"
const DWORD kFileHeaderSize = 14;
const DWORD kMaxFileSize = 0x7FFFFFFF;

const DynBitmapCalls kSystemCalls = { &::GetDC, &::ReleaseDC, &::SelectPalette, &::RealizePalette, &::CreateDIBitmap };
const DynBitmapCalls* volatile g_pCalls = &kSystemCalls;

// Where the pieces of a bitmap lie in the bytes after the file header; refused when any of
// them does not lie inside them.
struct CBitmapLayout
{
    DWORD nColors = 0;      // entries of the colour table
    DWORD nPaletteSize = 0; // colours of the palette (files of up to 8 bits only)
    ULONGLONG nBitsOffset = 0;
};

const wchar_t* CheckLayout(const BYTE* pData, DWORD nBytes, CBitmapLayout& layout)
{
    if (nBytes < sizeof(BITMAPINFOHEADER))
        return L"the bitmap header is cut short";
    const BITMAPINFOHEADER& header = *reinterpret_cast<const BITMAPINFOHEADER*>(pData);
    if (header.biSize != sizeof(BITMAPINFOHEADER) && header.biSize != sizeof(BITMAPV4HEADER) &&
        header.biSize != sizeof(BITMAPV5HEADER))
        return L"the bitmap header has a size that is not taken";
    if (nBytes < header.biSize)
        return L"the bitmap header is cut short";
    const WORD bits = header.biBitCount;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == LONG_MIN || header.biPlanes != 1 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return L"the bitmap has no valid size, planes or bit count";
    const DWORD compression = header.biCompression;
    const bool bRle = (compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4);
    if (!(compression == BI_RGB || (compression == BI_BITFIELDS && (bits == 16 || bits == 32)) ||
          (bRle && header.biHeight > 0)))
        return L"the bitmap's compression is not taken";
    if (bits <= 8)
    {
        const DWORD nMax = 1u << bits;
        if (header.biClrUsed > nMax)
            return L"the bitmap has more colours than its bit count allows";
        layout.nColors = header.biClrUsed ? header.biClrUsed : nMax;
        layout.nPaletteSize = layout.nColors;
    }
    else
    {
        layout.nColors = header.biClrUsed;
    }
    // A 40-byte header is followed by the three colour masks; the longer ones hold them.
    const ULONGLONG nMasks = (compression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) ? 12 : 0;
    layout.nBitsOffset = header.biSize + nMasks + 4ull * layout.nColors;
    if (layout.nBitsOffset > nBytes)
        return L"the colour table lies past the end of the file";
    const ULONGLONG nHeight = header.biHeight < 0 ? 0ull - static_cast<LONGLONG>(header.biHeight)
                                                  : static_cast<ULONGLONG>(header.biHeight);
    const ULONGLONG nRowBytes = ((static_cast<ULONGLONG>(header.biWidth) * bits + 31) / 32) * 4;
    const ULONGLONG nPixelBytes = bRle ? header.biSizeImage : nRowBytes * nHeight;
    if ((bRle && nPixelBytes == 0) || nPixelBytes > nBytes - layout.nBitsOffset)
        return L"the bitmap's rows lie past the end of the file";
    return nullptr;
}

bool MakePalette(const BYTE* pData, const CBitmapLayout& layout, CPalette& palette)
{
    const RGBQUAD* pTable =
        reinterpret_cast<const RGBQUAD*>(pData + *reinterpret_cast<const DWORD*>(pData)); // after the header
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + layout.nPaletteSize * sizeof(PALETTEENTRY));
    LOGPALETTE* pLog = reinterpret_cast<LOGPALETTE*>(storage.data());
    pLog->palVersion = 0x300;
    pLog->palNumEntries = static_cast<WORD>(layout.nPaletteSize);
    for (DWORD i = 0; i < layout.nPaletteSize; ++i)
    {
        pLog->palPalEntry[i].peRed = pTable[i].rgbRed;
        pLog->palPalEntry[i].peGreen = pTable[i].rgbGreen;
        pLog->palPalEntry[i].peBlue = pTable[i].rgbBlue;
        pLog->palPalEntry[i].peFlags = 0;
    }
    return palette.CreatePalette(pLog) != FALSE;
}

// The screen's context, released on every path, with the palette it had put back.
class CScreenContext
{
public:
    CScreenContext() : m_calls(*g_pCalls), m_hDC(m_calls.pGetDC(nullptr)) {}
    ~CScreenContext()
    {
        if (!m_hDC)
            return;
        if (m_bPaletteSelected)
            m_calls.pSelectPalette(m_hDC, m_hPreviousPalette, FALSE);
        m_calls.pReleaseDC(nullptr, m_hDC);
    }
    CScreenContext(const CScreenContext&) = delete;
    CScreenContext& operator=(const CScreenContext&) = delete;

    HDC Get() const { return m_hDC; }
    void UsePalette(HPALETTE hPalette)
    {
        m_hPreviousPalette = m_calls.pSelectPalette(m_hDC, hPalette, FALSE);
        m_bPaletteSelected = m_hPreviousPalette != nullptr;
        m_calls.pRealizePalette(m_hDC);
    }
    HBITMAP CreateBitmap(const BYTE* pData, ULONGLONG nBitsOffset) const
    {
        const BITMAPINFOHEADER* pHeader = reinterpret_cast<const BITMAPINFOHEADER*>(pData);
        return m_calls.pCreateDIBitmap(m_hDC, pHeader, CBM_INIT, pData + nBitsOffset,
                                       reinterpret_cast<const BITMAPINFO*>(pData), DIB_RGB_COLORS);
    }

private:
    const DynBitmapCalls& m_calls;
    HDC m_hDC;
    HPALETTE m_hPreviousPalette = nullptr;
    bool m_bPaletteSelected = false;
};
}

const DynBitmapCalls* SetDynBitmapCalls(const DynBitmapCalls* pCalls)
{
    const DynBitmapCalls* pPrevious = g_pCalls;
    g_pCalls = pCalls ? pCalls : &kSystemCalls;
    return pPrevious == &kSystemCalls ? nullptr : pPrevious;
}

bool CDynBitmap::LoadFromFile(const wchar_t* pszPath)
{
    CFile file;
    if (!pszPath || !file.Open(pszPath, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary))
        return false;
    // The palette serves only while the bitmap is made.
    CPalette palette;
    return CreateFromFile(file, &palette);
}

bool CDynBitmap::CreateFromFile(CFile& file, CPalette* pPalette, DWORD dwSize)
{
    const wchar_t* pszPath = file.GetFilePath();
    std::vector<BYTE> data;
    try
    {
        BITMAPFILEHEADER fileHeader = {};
        if (file.Read(&fileHeader, kFileHeaderSize) < kFileHeaderSize || fileHeader.bfType != kBitmapType)
        {
            Trace(TRACE_ERROR, L"CDynBitmap::CreateFromFile : \"%s\" does not start with a bitmap file header", pszPath);
            return false;
        }
        ULONGLONG nSize = dwSize;
        if (dwSize == 0xFFFFFFFF)
            nSize = file.GetLength();
        if (nSize <= kFileHeaderSize || nSize > kMaxFileSize)
        {
            Trace(TRACE_ERROR, L"CDynBitmap::CreateFromFile : \"%s\" has a size that is not taken (%I64u)", pszPath, nSize);
            return false;
        }
        data.resize(static_cast<size_t>(nSize - kFileHeaderSize));
        const UINT nRead = file.Read(data.data(), static_cast<UINT>(data.size()));
        if (nRead != data.size())
        {
            Trace(TRACE_ERROR, L"CDynBitmap::CreateFromFile : \"%s\" is cut short (%u of %I64u bytes)", pszPath,
                  nRead + kFileHeaderSize, nSize);
            return false;
        }
    }
    catch (const CFileException& e)
    {
        Trace(TRACE_ERROR, L"CDynBitmap::CreateFromFile : \"%s\" cannot be read : %s", pszPath,
              e.GetErrorMessage().GetString());
        return false;
    }
    catch (const std::bad_alloc&)
    {
        Trace(TRACE_ERROR, L"CDynBitmap::CreateFromFile : no memory for \"%s\"", pszPath);
        return false;
    }

    CBitmapLayout layout;
    if (const wchar_t* pszRefusal = CheckLayout(data.data(), static_cast<DWORD>(data.size()), layout))
    {
        Trace(TRACE_ERROR, L"CDynBitmap::CreateFromFile : \"%s\" : %s", pszPath, pszRefusal);
        return false;
    }
    CPalette localPalette;
    CPalette& palette = pPalette ? *pPalette : localPalette;
    const bool bWithPalette = pPalette && layout.nPaletteSize > 0 && MakePalette(data.data(), layout, palette);

    CScreenContext screen;
    if (!screen.Get())
    {
        Trace(TRACE_ERROR, L"CDynBitmap::CreateFromFile : no screen context : %lu", GetLastError());
        return false;
    }
    if (bWithPalette)
        screen.UsePalette(palette);
    HBITMAP hBitmap = screen.CreateBitmap(data.data(), layout.nBitsOffset);
    if (!hBitmap)
    {
        Trace(TRACE_ERROR, L"CDynBitmap::CreateFromFile : CreateDIBitmap failed : %d", static_cast<int>(GetLastError()));
        return false;
    }
    Attach(hBitmap);
    return true;
}

SIZE GetBitmapSize(const CBitmap* pBitmap)
{
    SIZE size = { 0, 0 };
    BITMAP info = {};
    if (pBitmap && pBitmap->GetBitmap(&info))
    {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    return size;
}

BOOL DrawBitmapStretched(HDC hDC, const CBitmap* pBitmap, const RECT* pDest, const RECT* pSource)
{
    if (!pBitmap || !pBitmap->GetSafeHandle() || !hDC)
        return FALSE;
    RECT source = { 0, 0, 0, 0 };
    if (pSource)
    {
        source = *pSource;
    }
    else
    {
        const SIZE size = GetBitmapSize(pBitmap);
        source.right = size.cx;
        source.bottom = size.cy;
    }
    const RECT dest = pDest ? *pDest : source;
    CScopedMemoryDC memory(CreateCompatibleDC(hDC));
    if (!memory)
        return FALSE;
    CSelectObjectScope selected(memory.Get(), pBitmap->GetSafeHandle());
    const int nSourceWidth = source.right - source.left;
    const int nSourceHeight = source.bottom - source.top;
    const int nDestWidth = dest.right - dest.left;
    const int nDestHeight = dest.bottom - dest.top;
    if (nSourceWidth == nDestWidth && nSourceHeight == nDestHeight)
        return BitBlt(hDC, dest.left, dest.top, nDestWidth, nDestHeight, memory.Get(), source.left, source.top, SRCCOPY);
    SetStretchBltMode(hDC, HALFTONE);
    SetBrushOrgEx(hDC, 0, 0, nullptr);
    return StretchBlt(hDC, dest.left, dest.top, nDestWidth, nDestHeight, memory.Get(), source.left, source.top,
                      nSourceWidth, nSourceHeight, SRCCOPY);
}
