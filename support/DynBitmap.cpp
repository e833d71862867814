#include "DynBitmap.h"

bool CDynBitmap::LoadFromFile(const wchar_t* pszPath)
{
    m_hBitmap.Reset(LoadImageW(nullptr, pszPath, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    return m_hBitmap.IsValid();
}
