#pragma once
// PLACEHOLDER (configuration store, not built yet): the store singleton as start-up sees it
// (root name, initialise, uninitialise, release at exit). The typed store with its sections,
// keys, transactions and notification thread replaces it.

#include "classlib/String.h"

class QMConfig
{
public:
    virtual ~QMConfig() = default;
    static QMConfig* GetInstance();
    static void ReleaseInstance();

    virtual void SetRoot(const wchar_t* pszRoot, int mode);
    virtual bool Initialize();
    virtual void Uninitialize();
    virtual bool UsesIniFile() const { return false; }
    const CString& GetRoot() const { return m_strRoot; }

private:
    CString m_strRoot;
    int m_mode = 0;
    bool m_bInitialized = false;
};
