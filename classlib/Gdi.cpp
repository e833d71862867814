#include "Gdi.h"

BOOL CFont::CreateFontIndirect(const LOGFONTW* pLogFont)
{
    HFONT hFont = pLogFont ? ::CreateFontIndirectW(pLogFont) : nullptr;
    if (!hFont)
        return FALSE;
    Attach(hFont);
    return TRUE;
}

BOOL CFont::GetLogFont(LOGFONTW* pLogFont) const
{
    return GetSafeHandle() && ::GetObjectW(GetSafeHandle(), sizeof(LOGFONTW), pLogFont) == sizeof(LOGFONTW);
}

BOOL CBitmap::GetBitmap(BITMAP* pBitmap) const
{
    return GetSafeHandle() && ::GetObjectW(GetSafeHandle(), sizeof(BITMAP), pBitmap) == sizeof(BITMAP);
}

BOOL CPalette::CreatePalette(const LOGPALETTE* pLogPalette)
{
    HPALETTE hPalette = pLogPalette ? ::CreatePalette(pLogPalette) : nullptr;
    if (!hPalette)
        return FALSE;
    Attach(hPalette);
    return TRUE;
}
