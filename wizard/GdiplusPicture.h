#pragma once
// A picture file (JPEG, PNG, BMP, ...) decoded by GDI+ into a bitmap of the screen. gdiplus.dll
// is loaded by its full path and reached through a small table of its flat functions: the
// elevated program never loads a library by bare name, which would find one planted in its own
// (the user's Downloads) folder first.

#include "classlib/Gdi.h"
#include "classlib/String.h"

class CGdiplusPicture : public CBitmap
{
public:
    // False with a log line when GDI+ is missing or the file cannot be decoded; the bitmap held
    // before is then kept.
    bool Load(const wchar_t* pszPath);
};

// Where gdiplus.dll lies: the system folder (Vista and later), else the newest x86 assembly of
// the side-by-side store (XP); empty when neither holds it.
CString FindGdiplusLibrary();
