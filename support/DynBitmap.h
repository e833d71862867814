#pragma once
// A bitmap loaded from a .bmp file into a bitmap of the screen's format (through a palette for
// files of up to 256 colours), and the two helpers the pages draw bitmaps with.
//
// The file is input from outside: only the header sizes 40 (BITMAPINFOHEADER), 108 (V4) and
// 124 (V5) are taken; the colour table, the colour masks and every row must lie inside the bytes
// read, else the file is refused with a log line and the object keeps what it held.

#include "classlib/File.h"
#include "classlib/Gdi.h"

class CDynBitmap : public CBitmap
{
public:
    CDynBitmap() = default;
    ~CDynBitmap() override = default;

    bool Load(const wchar_t* pszPath) { return LoadFromFile(pszPath); }
    // False without a log line when the file cannot be opened.
    bool LoadFromFile(const wchar_t* pszPath);
    // Reads the file from its current position (its start): the 14-byte file header, then the
    // rest of dwSize bytes (all ones: the file's length). With a palette object, a file of up to
    // 8 bits gives it the palette of its colour table. On success the bitmap held before is
    // deleted; on failure it stays.
    bool CreateFromFile(CFile& file, CPalette* pPalette = nullptr, DWORD dwSize = 0xFFFFFFFF);
};

// Width and height of the bitmap; (0, 0) when it has none.
SIZE GetBitmapSize(const CBitmap* pBitmap);
// Draws the source rectangle of the bitmap (null: all of it) into the destination rectangle
// (null: the source's), stretched with halftoning when the sizes differ. The blit's result;
// FALSE without a bitmap.
BOOL DrawBitmapStretched(HDC hDC, const CBitmap* pBitmap, const RECT* pDest = nullptr, const RECT* pSource = nullptr);

// The screen context, palette and bitmap calls of CreateFromFile, so that tests can count the
// contexts taken and released and make the bitmap's creation fail. Null restores the system's
// calls; the previous table comes back.
struct DynBitmapCalls
{
    HDC(WINAPI* pGetDC)(HWND hWnd);
    int(WINAPI* pReleaseDC)(HWND hWnd, HDC hDC);
    HPALETTE(WINAPI* pSelectPalette)(HDC hDC, HPALETTE hPalette, BOOL bForceBackground);
    UINT(WINAPI* pRealizePalette)(HDC hDC);
    HBITMAP(WINAPI* pCreateDIBitmap)(HDC hDC, const BITMAPINFOHEADER* pHeader, DWORD dwInit, const void* pBits,
                                     const BITMAPINFO* pInfo, UINT uUsage);
};
const DynBitmapCalls* SetDynBitmapCalls(const DynBitmapCalls* pCalls);
