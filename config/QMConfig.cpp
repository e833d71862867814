#include "QMConfig.h"
#include "support/TraceLog.h"

namespace
{
QMConfig* g_pInstance = nullptr;

// Releases the store at exit through its virtual destructor.
struct CInstanceRelease
{
    ~CInstanceRelease() { QMConfig::ReleaseInstance(); }
} g_release;
}

QMConfig* QMConfig::GetInstance()
{
    if (!g_pInstance)
        g_pInstance = new QMConfig();
    return g_pInstance;
}

void QMConfig::ReleaseInstance()
{
    delete g_pInstance;
    g_pInstance = nullptr;
}

void QMConfig::SetRoot(const wchar_t* pszRoot, int mode)
{
    m_strRoot = pszRoot;
    m_mode = mode;
}

bool QMConfig::Initialize()
{
    m_bInitialized = true;
    Trace(TRACE_TRACE, L"QMConfig::Initialize root=[%s]", m_strRoot.GetString());
    return true;
}

void QMConfig::Uninitialize()
{
    m_bInitialized = false;
}
