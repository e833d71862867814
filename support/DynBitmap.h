#pragma once
// PLACEHOLDER (bitmap class, not built yet): loads a .bmp file through the system loader. The
// full bitmap class (palettes, stretched drawing for the pages) replaces it.

#include "classlib/Handles.h"

class CDynBitmap
{
public:
    virtual ~CDynBitmap() = default;
    bool Load(const wchar_t* pszPath) { return LoadFromFile(pszPath); }
    bool LoadFromFile(const wchar_t* pszPath);
    HBITMAP GetSafeHandle() const { return static_cast<HBITMAP>(m_hBitmap.Get()); }

private:
    CScopedGdiObject m_hBitmap;
};
