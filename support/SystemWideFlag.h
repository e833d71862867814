#pragma once
// A named mutex used as a machine-wide flag (is some process holding the name?) and as a
// cross-process lock. The handle kept by Create keeps the flag set while the object lives.

#include "classlib/Handles.h"
#include "classlib/String.h"

class CSystemWideFlag
{
public:
    CSystemWideFlag() = default;
    explicit CSystemWideFlag(const wchar_t* pszName) { SetName(pszName); }
    virtual ~CSystemWideFlag() = default;
    CSystemWideFlag(const CSystemWideFlag&) = delete;
    CSystemWideFlag& operator=(const CSystemWideFlag&) = delete;

    void SetName(const wchar_t* pszName);
    const CString& GetName() const { return m_strName; }
    void SetInitialOwner(bool bOwner) { m_bInitialOwner = bOwner; }

    // True only when this call created the mutex; an existing one is kept open but gives false.
    bool Create();
    // Probes the name without keeping a handle: true when another holder exists.
    bool IsSetElsewhere() const;
    // 0 acquired, 1 time-out, 2 anything else (an abandoned mutex included).
    int Wait(DWORD milliseconds);
    bool Release();
    void Close() { m_hMutex.Close(); }
    bool IsCreated() const { return m_hMutex.IsValid(); }

private:
    CString m_strName;
    CScopedHandle m_hMutex;
    bool m_bInitialOwner = false;
    bool m_bNamed = false;
};
