#pragma once
// What the pages take from the application: its title, the product's display name, the two
// branding bitmaps and the place where pages open. The application object registers itself at
// start-up; page tests register a fake.

#include "classlib/Gdi.h"
#include "classlib/String.h"

class IWizardHost
{
public:
    virtual CString GetAppTitle() = 0;
    // What a "%s" of a page text stands for.
    virtual CString GetProductDisplayName() = 0;
    // Null, or a bitmap without a handle: nothing is painted.
    virtual const CBitmap* GetHeaderBitmap() = 0;
    virtual const CBitmap* GetWatermarkBitmap() = 0;
    // A page opens where the previous one was (its left and top, and the window before it).
    virtual void RestorePagePosition(HWND hPage) = 0;
    virtual void SavePagePosition(HWND hInsertAfter, int x, int y) = 0;

protected:
    ~IWizardHost() {}
};

// Null: pages keep their templates' captions, paint no bitmap and open where the templates put
// them. The previous host comes back.
IWizardHost* SetWizardHost(IWizardHost* pHost);
IWizardHost* GetWizardHost();
