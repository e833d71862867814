#pragma once
// PLACEHOLDER (issue #4): minimal machine-wide named flag (a named mutex), enough for the
// single-instance check of start-up. The full flag replaces it.

#include "classlib/Handles.h"
#include "classlib/String.h"

class CSystemWideFlag
{
public:
    void SetName(const wchar_t* pszName) { m_strName = pszName; }
    const CString& GetName() const { return m_strName; }
    void SetInitialOwner(bool bOwner) { m_bInitialOwner = bOwner; }
    // Creates the flag; true when this process created it (nobody else holds it).
    bool Create();
    bool IsCreated() const { return m_hMutex.IsValid(); }
    // Releases ownership (when owned) and closes the flag.
    void Release();

private:
    CString m_strName;
    bool m_bInitialOwner = false;
    bool m_bOwned = false;
    CScopedHandle m_hMutex;
};
