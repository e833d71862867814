// The bitmap class on files made here: every kind it takes loads with its pixels intact, every
// file it refuses leaves the previous bitmap, and the screen context is released (and its
// palette put back) on every path, counted through the seam.
#include "support/DynBitmap.h"
#include "tests/common/ScopedCalls.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const int kWidth = 3;
const int kHeight = 2;
// The picture, top row first, as indices into a colour list.
const int kPicture[kHeight][kWidth] = { { 0, 1, 2 }, { 3, 4, 5 } };
const COLORREF kColours[] = { RGB(200, 30, 40), RGB(20, 180, 60), RGB(10, 40, 220),
                              RGB(255, 255, 255), RGB(0, 0, 0), RGB(128, 64, 32) };

struct CSpec
{
    const char* name;
    DWORD headerSize;
    WORD bits;
    DWORD compression;
    DWORD colorsUsed;
    bool topDown;
};

int ColoursOf(const CSpec& s)
{
    return s.bits == 1 ? 2 : 6;
}

COLORREF Expected(const CSpec& s, int x, int y)
{
    return kColours[kPicture[y][x] % ColoursOf(s)];
}

template <typename T>
void Put(std::string& out, T value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

// A .bmp file of the picture in the given form.
std::string MakeBmp(const CSpec& s)
{
    std::string info;
    BITMAPV5HEADER header = {};
    header.bV5Size = s.headerSize;
    header.bV5Width = kWidth;
    header.bV5Height = s.topDown ? -kHeight : kHeight;
    header.bV5Planes = 1;
    header.bV5BitCount = s.bits;
    header.bV5Compression = s.compression;
    header.bV5ClrUsed = s.colorsUsed;
    // Masks with red in the low byte: the reverse of the usual order, so that they matter.
    const DWORD masks[3] = { 0x000000FF, 0x0000FF00, 0x00FF0000 };
    if (s.compression == BI_BITFIELDS && s.headerSize > sizeof(BITMAPINFOHEADER))
    {
        header.bV5RedMask = masks[0];
        header.bV5GreenMask = masks[1];
        header.bV5BlueMask = masks[2];
    }
    info.append(reinterpret_cast<const char*>(&header), s.headerSize);
    if (s.compression == BI_BITFIELDS && s.headerSize == sizeof(BITMAPINFOHEADER))
        for (DWORD mask : masks)
            Put(info, mask);
    if (s.bits <= 8)
    {
        const int nTable = s.colorsUsed ? static_cast<int>(s.colorsUsed) : 1 << s.bits;
        for (int i = 0; i < nTable; ++i)
        {
            const COLORREF c = i < ColoursOf(s) ? kColours[i] : RGB(99, 99, 99);
            Put(info, RGBQUAD{ GetBValue(c), GetGValue(c), GetRValue(c), 0 });
        }
    }
    const int nStride = ((kWidth * s.bits + 31) / 32) * 4;
    std::string rows;
    for (int r = 0; r < kHeight; ++r)
    {
        const int y = s.topDown ? r : kHeight - 1 - r;
        std::string row(nStride, '\0');
        for (int x = 0; x < kWidth; ++x)
        {
            const int index = kPicture[y][x] % ColoursOf(s);
            const COLORREF c = kColours[index];
            if (s.bits <= 8)
            {
                const int bit = x * s.bits;
                row[bit / 8] = static_cast<char>(row[bit / 8] | (index << (8 - s.bits - bit % 8)));
            }
            else if (s.bits == 24)
            {
                row[x * 3] = static_cast<char>(GetBValue(c));
                row[x * 3 + 1] = static_cast<char>(GetGValue(c));
                row[x * 3 + 2] = static_cast<char>(GetRValue(c));
            }
            else if (s.compression == BI_BITFIELDS)
            {
                const DWORD pixel = GetRValue(c) | (GetGValue(c) << 8) | (GetBValue(c) << 16);
                memcpy(&row[x * 4], &pixel, 4);
            }
            else
            {
                const DWORD pixel = GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16);
                memcpy(&row[x * 4], &pixel, 4);
            }
        }
        rows += row;
    }
    std::string file;
    Put(file, static_cast<WORD>(0x4D42));
    Put(file, static_cast<DWORD>(14 + info.size() + rows.size()));
    Put(file, static_cast<DWORD>(0));
    Put(file, static_cast<DWORD>(14 + info.size()));
    return file + info + rows;
}

// The bitmap's pixels as COLORREFs, top row first.
std::vector<COLORREF> ReadPixels(const CBitmap& bitmap)
{
    const SIZE size = GetBitmapSize(&bitmap);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> raw(static_cast<size_t>(size.cx) * size.cy);
    HDC hDC = GetDC(nullptr);
    GetDIBits(hDC, bitmap.GetSafeHandle(), 0, size.cy, raw.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, hDC);
    std::vector<COLORREF> pixels;
    for (DWORD p : raw)
        pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return pixels;
}

// The seam: counts contexts and palette selections; the bitmap's creation can be made to fail.
struct CCounts
{
    int nGetDC = 0;
    int nReleaseDC = 0;
    std::vector<HPALETTE> selected;
    std::vector<HPALETTE> returned;
    bool bFailCreation = false;
} g_counts;

HDC WINAPI CountingGetDC(HWND hWnd)
{
    ++g_counts.nGetDC;
    return GetDC(hWnd);
}
int WINAPI CountingReleaseDC(HWND hWnd, HDC hDC)
{
    ++g_counts.nReleaseDC;
    return ReleaseDC(hWnd, hDC);
}
HPALETTE WINAPI CountingSelectPalette(HDC hDC, HPALETTE hPalette, BOOL bBackground)
{
    g_counts.selected.push_back(hPalette);
    HPALETTE hPrevious = SelectPalette(hDC, hPalette, bBackground);
    g_counts.returned.push_back(hPrevious);
    return hPrevious;
}
HBITMAP WINAPI FailingCreateDIBitmap(HDC hDC, const BITMAPINFOHEADER* pHeader, DWORD dwInit, const void* pBits,
                                     const BITMAPINFO* pInfo, UINT uUsage)
{
    if (g_counts.bFailCreation)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return CreateDIBitmap(hDC, pHeader, dwInit, pBits, pInfo, uUsage);
}
const DynBitmapCalls kCountingCalls = { &CountingGetDC, &CountingReleaseDC, &CountingSelectPalette, &RealizePalette,
                                        &FailingCreateDIBitmap };

class DynBitmapTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "DynBitmap_"; }
    const CScopedCalls<DynBitmapCalls> m_gdi{ SetDynBitmapCalls, &kCountingCalls };
    void SetUp() override
    {
        CTracedTest::SetUp();
        g_counts = CCounts();
    }
    CString Write(const char* pszName, const std::string& bytes)
    {
        const CString path = m_folder + CString::FromNarrow(pszName) + L".bmp";
        EXPECT_TRUE(WriteTextFile(path, bytes));
        return path;
    }
    // Every context taken was released, and every palette selected was replaced by the one it
    // displaced.
    void ExpectContextsReleased()
    {
        EXPECT_EQ(g_counts.nGetDC, g_counts.nReleaseDC);
        ASSERT_EQ(0u, g_counts.selected.size() % 2);
        for (size_t i = 0; i + 1 < g_counts.selected.size(); i += 2)
            EXPECT_EQ(g_counts.returned[i], g_counts.selected[i + 1]);
    }
};

TEST_F(DynBitmapTest, EveryFormItTakesLoadsWithItsPixels)
{
    const CSpec specs[] = {
        { "1 bit", 40, 1, BI_RGB, 0, false },
        { "1 bit, 2 colours used", 40, 1, BI_RGB, 2, false },
        { "4 bits", 40, 4, BI_RGB, 0, false },
        { "4 bits, 6 colours used", 40, 4, BI_RGB, 6, false },
        { "8 bits", 40, 8, BI_RGB, 0, false },
        { "8 bits, 6 colours used", 40, 8, BI_RGB, 6, false },
        { "24 bits", 40, 24, BI_RGB, 0, false },
        { "24 bits top-down", 40, 24, BI_RGB, 0, true },
        { "32 bits", 40, 32, BI_RGB, 0, false },
        { "32 bits with masks", 40, 32, BI_BITFIELDS, 0, false },
        { "V4 32 bits with masks", 108, 32, BI_BITFIELDS, 0, false },
        { "V4 8 bits", 108, 8, BI_RGB, 0, false },
        { "V5 24 bits", 124, 24, BI_RGB, 0, false },
        { "V5 32 bits with masks top-down", 124, 32, BI_BITFIELDS, 0, true },
    };
    for (const CSpec& s : specs)
    {
        SCOPED_TRACE(s.name);
        CDynBitmap bitmap;
        ASSERT_TRUE(bitmap.Load(Write(s.name, MakeBmp(s))));
        const SIZE size = GetBitmapSize(&bitmap);
        EXPECT_EQ(kWidth, size.cx);
        EXPECT_EQ(kHeight, size.cy);
        const std::vector<COLORREF> pixels = ReadPixels(bitmap);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                EXPECT_EQ(Expected(s, x, y), pixels[y * kWidth + x]) << "pixel " << x << "," << y;
        ExpectContextsReleased();
    }
    // Up to 8 bits the palette object gets the colour table; above, none.
    g_counts = CCounts();
    CFile file8;
    ASSERT_TRUE(file8.Open(Write("palette8", MakeBmp({ "", 40, 8, BI_RGB, 0, false })), CFile::modeRead));
    CPalette palette8;
    CDynBitmap bitmap8;
    ASSERT_TRUE(bitmap8.CreateFromFile(file8, &palette8));
    WORD nEntries = 0;
    ASSERT_NE(nullptr, palette8.GetSafeHandle());
    GetObjectW(palette8.GetSafeHandle(), sizeof(nEntries), &nEntries);
    EXPECT_EQ(256, nEntries);
    CFile file24;
    ASSERT_TRUE(file24.Open(Write("palette24", MakeBmp({ "", 40, 24, BI_RGB, 0, false })), CFile::modeRead));
    CPalette palette24;
    CDynBitmap bitmap24;
    ASSERT_TRUE(bitmap24.CreateFromFile(file24, &palette24));
    EXPECT_EQ(nullptr, palette24.GetSafeHandle());
    ExpectContextsReleased();
    EXPECT_EQ(2u, g_counts.selected.size()); // the 8-bit file's palette, then the one it displaced
}

TEST_F(DynBitmapTest, RefusedFileLeavesThePreviousBitmap)
{
    const std::string good = MakeBmp({ "", 40, 8, BI_RGB, 0, false });
    const auto withHeaderSize = [&good](DWORD size) {
        std::string bytes = good;
        memcpy(&bytes[14], &size, 4);
        return bytes;
    };
    const auto withColoursUsed = [&good](DWORD used) {
        std::string bytes = good;
        memcpy(&bytes[14 + 32], &used, 4);
        return bytes;
    };
    struct CCase
    {
        const char* name;
        std::string bytes;
        const wchar_t* pszLog;
    };
    const CCase cases[] = {
        { "not BM", "XM" + good.substr(2), L"does not start with a bitmap file header" },
        { "shorter than the file header", good.substr(0, 10), L"does not start with a bitmap file header" },
        { "header cut short", good.substr(0, 14 + 20), L"the bitmap header is cut short" },
        { "header size 12", withHeaderSize(12), L"the bitmap header has a size that is not taken" },
        { "header size 64", withHeaderSize(64), L"the bitmap header has a size that is not taken" },
        { "table past the end", good.substr(0, 14 + 40 + 4 * 100), L"the colour table lies past the end" },
        { "rows past the end", good.substr(0, good.size() - 1), L"the bitmap's rows lie past the end" },
        { "more colours than 8 bits hold", withColoursUsed(300), L"more colours than its bit count allows" },
        { "masks past the end", MakeBmp({ "", 40, 32, BI_BITFIELDS, 0, false }).substr(0, 14 + 40 + 8),
          L"the colour table lies past the end" },
    };
    CDynBitmap bitmap;
    ASSERT_TRUE(bitmap.Load(Write("good", good)));
    const HBITMAP hGood = bitmap.GetSafeHandle();
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(bitmap.Load(Write(c.name, c.bytes)));
        EXPECT_EQ(hGood, bitmap.GetSafeHandle());
        EXPECT_TRUE(Contains(Log(), c.pszLog)) << Log();
    }
    // A size beyond the file's end: cut short.
    CFile file;
    ASSERT_TRUE(file.Open(Write("short", good), CFile::modeRead));
    EXPECT_FALSE(bitmap.CreateFromFile(file, nullptr, static_cast<DWORD>(good.size() + 10)));
    EXPECT_TRUE(Contains(Log(), L"is cut short"));
    // The system refuses the bitmap: traced, the palette put back, the context released.
    g_counts.bFailCreation = true;
    EXPECT_FALSE(bitmap.Load(Write("refused by the system", good)));
    EXPECT_TRUE(Contains(Log(), L"ERR: CDynBitmap::CreateFromFile : CreateDIBitmap failed : 8"));
    EXPECT_EQ(hGood, bitmap.GetSafeHandle());
    EXPECT_FALSE(CDynBitmap().Load(m_folder + L"missing.bmp"));
    ExpectContextsReleased();
    EXPECT_EQ(4u, g_counts.selected.size());
}

TEST_F(DynBitmapTest, SecondLoadDeletesTheFirstBitmapAndDrawingCopiesOrStretches)
{
    CDynBitmap bitmap;
    ASSERT_TRUE(bitmap.Load(Write("first", MakeBmp({ "", 40, 24, BI_RGB, 0, false }))));
    const HBITMAP hFirst = bitmap.GetSafeHandle();
    ASSERT_TRUE(bitmap.Load(Write("second", MakeBmp({ "", 40, 8, BI_RGB, 0, true }))));
    EXPECT_NE(hFirst, bitmap.GetSafeHandle());
    EXPECT_EQ(0, GetObjectType(hFirst));

    // A 6 x 4 target of 32 bits.
    BITMAPINFO info = {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 6, -4, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* pBits = nullptr;
    CBitmap target;
    target.Attach(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0));
    CScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    CSelectObjectScope selected(dc.Get(), target.GetSafeHandle());
    const DWORD* pPixels = static_cast<const DWORD*>(pBits);
    const auto at = [pPixels](int x, int y) {
        GdiFlush();
        const DWORD p = pPixels[y * 6 + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    };
    // Same size: the pixels unchanged, at the destination.
    const RECT dest = { 2, 1, 5, 3 };
    EXPECT_TRUE(DrawBitmapStretched(dc.Get(), &bitmap, &dest, nullptr));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            EXPECT_EQ(kColours[kPicture[y][x]], at(2 + x, 1 + y));
    // Stretched over the whole target: the corners keep their colours.
    const RECT whole = { 0, 0, 6, 4 };
    EXPECT_TRUE(DrawBitmapStretched(dc.Get(), &bitmap, &whole, nullptr));
    EXPECT_EQ(kColours[0], at(0, 0));
    EXPECT_EQ(kColours[5], at(5, 3));
    // A part of the source, drawn where it is.
    const RECT part = { 1, 0, 2, 1 };
    EXPECT_TRUE(DrawBitmapStretched(dc.Get(), &bitmap, nullptr, &part));
    EXPECT_EQ(kColours[1], at(1, 0));
    // Nothing to draw.
    CDynBitmap empty;
    EXPECT_FALSE(DrawBitmapStretched(dc.Get(), &empty, &whole, nullptr));
    EXPECT_FALSE(DrawBitmapStretched(dc.Get(), nullptr, &whole, nullptr));
    const SIZE none = GetBitmapSize(&empty);
    EXPECT_EQ(0, none.cx);
    EXPECT_EQ(0, none.cy);
}
}
