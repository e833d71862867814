#include "QMConfigImplementation.h"
#include "QMConfigSection.h"
#include "QMRegKeyOnDisc.h"
#include "GenerationNames.h"

#include "classlib/Thread.h"
#include "support/SysUtil.h"
#include "support/SystemWideFlag.h"
#include "support/TraceLog.h"

#include <cmath>

namespace
{
const wchar_t kSharedRootName[] = L"QMconfig";
const wchar_t kTransactionMutexName[] = L"QMCONFIG_TRANSACTION_MUTEX";
const DWORD kNotificationMutexWaitMs = 1000;

bool TextDiffers(const CString& stored, const CString& text)
{
    return stored != text;
}

bool IntDiffers(const CString& stored, const CString& text)
{
    return _wtoi(stored) != _wtoi(text);
}

bool DoubleDiffers(const CString& stored, const CString& text)
{
    return std::fabs(_wtof(stored) - _wtof(text)) > 1e-6;
}

bool BoolDiffers(const CString& stored, const CString& text)
{
    return (stored != L"0") != (text != L"0");
}

void CreateIniFileWithByteOrderMark(const CString& path)
{
    CScopedFileHandle file(
        CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    static const BYTE bom[] = { 0xFF, 0xFE };
    DWORD written = 0;
    if (!file.IsValid() || !WriteFile(file.Get(), bom, sizeof(bom), &written, nullptr) || written != sizeof(bom))
        Trace(TRACE_ERROR, L"QMConfigImplementation::SetRoot: Couldn't initially create ini-file!");
}
}

QMConfig* QMConfig::GetInstance()
{
    static QMConfig* s_pInstance = nullptr;
    if (!s_pInstance)
    {
        s_pInstance = new QMConfigImplementation();
        // The store's thread must be joined while the process can still run it.
        atexit([] { delete QMConfig::GetInstance(); });
    }
    return s_pInstance;
}

QMConfigImplementation::QMConfigImplementation()
    : m_strGlobalRoot(GetStoreRootKey(kSharedRootName)), m_strUserDefaultRoot(GetStoreDefaultsKey(kSharedRootName)),
      m_strLocalRoot(m_strGlobalRoot), m_strApplicationIndependentRoot(m_strGlobalRoot)
{
}

QMConfigImplementation::~QMConfigImplementation()
{
    m_bDestroying = true;
    Uninitialize();
    Purge();
}

void QMConfigImplementation::SetRoot(const wchar_t* pszRootName, int storageMode)
{
    CSingleLock lock(&m_lock, true);
    // Values still pending belong to the root they were set under.
    Commit();

    const wchar_t* pszExeFolder = GetExeFolder();
    const CString programFolder(pszExeFolder ? pszExeFolder : L"");
    bool bIniFile = storageMode == QMCONFIG_MODE_INI_FILE;
    if (storageMode == QMCONFIG_MODE_AUTO)
        bIniFile = GetFileAttributesW(programFolder + L"OnUSB.cfg") != INVALID_FILE_ATTRIBUTES;
    if (bIniFile)
    {
        m_strIniFilePath = programFolder + L".\\QMConfig.ini";
        if (GetFileAttributesW(m_strIniFilePath) == INVALID_FILE_ATTRIBUTES)
            CreateIniFileWithByteOrderMark(m_strIniFilePath);
    }
    else
        m_strIniFilePath.Empty();

    Trace(TRACE_TRACE, L"QMConfigImplementation::SetRoot: root [%s], %s", pszRootName,
          bIniFile ? (L"ini file [" + m_strIniFilePath + L"]").GetString() : L"registry");
    m_strGlobalRoot = GetStoreRootKey(pszRootName);
    m_strLocalRoot = m_strGlobalRoot;
    m_strUserDefaultRoot = GetStoreDefaultsKey(pszRootName);

    // Sections already handed out follow the new root in place, so that nobody keeps reading
    // or writing one generation while the rest of the run uses another.
    for (SectionMap& sections : m_sections)
        for (auto& entry : sections)
            entry.second->Reopen();
}

bool QMConfigImplementation::Initialize()
{
    Trace(TRACE_TRACE, L"QMConfig::Initialize: Initializing notification thread...");
    if (m_pThread)
    {
        Trace(TRACE_WARNING, L"QMConfig::Initialize: Thread is already existing - aborting.");
        return false;
    }
    m_bStop = false;
    if (!m_hStopEvent.IsValid())
        m_hStopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ResetEvent(m_hStopEvent.Get());
    CWinThread* pThread = AfxBeginThread(ThreadProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!pThread)
        return false;
    pThread->m_bAutoDelete = FALSE;
    m_pThread.reset(pThread);
    pThread->ResumeThread();
    Trace(TRACE_TRACE, L"QMConfig::Initialize: Finished starting notification thread.");
    return true;
}

void QMConfigImplementation::Uninitialize()
{
    if (m_pThread)
    {
        m_bStop = true;
        SetEvent(m_hStopEvent.Get());
        WaitForSingleObject(m_pThread->m_hThread, INFINITE);
        m_pThread.reset();
    }
    if (!m_bDestroying)
        Trace(TRACE_TRACE, L"QMConfig::Uninitialize: Notification thread uninitialized.");
}

UINT __cdecl QMConfigImplementation::ThreadProc(LPVOID pParam)
{
    static_cast<QMConfigImplementation*>(pParam)->Run();
    return 0;
}

void QMConfigImplementation::Run()
{
    Trace(TRACE_TRACE, L"QMConfigImplementation::Run: Starting notification thread.");
    CSystemWideFlag mutex(kTransactionMutexName);
    mutex.Create();
    DWORD pauseMs = 500;
    while (!m_bStop)
    {
        {
            CSingleLock lock(&m_lock, true);
            if (mutex.Wait(kNotificationMutexWaitMs) == 1)
            {
                Trace(TRACE_WARNING,
                      L"QMConfig: Couldn't get system mutex for receiving notifications (reached 1s timeout).");
                continue;
            }
            for (int type = QMCONFIG_GLOBAL; type <= QMCONFIG_APPLICATION_INDEPENDENT; ++type)
                for (auto& entry : m_sections[type])
                    entry.second->NotifyChanges();
            mutex.Release();
            pauseMs = UsesIniFile() ? 3000 : 500;
        }
        // The stop event cuts the pause short; the flag alone decides whether to go on.
        WaitForSingleObject(m_hStopEvent.Get(), pauseMs);
    }
    Trace(TRACE_TRACE, L"QMConfigImplementation::Run: Thread loop exited normally.");
}

QMConfigSection* QMConfigImplementation::GetSection(int type, const wchar_t* pszName)
{
    CSingleLock lock(&m_lock, true);
    const CString name(pszName ? pszName : L"");
    if (type < QMCONFIG_GLOBAL || type > QMCONFIG_USER_DEFAULT)
    {
        QMConfigSection* pLoose = new QMConfigSection(this, type, name);
        pLoose->OpenBackEnd();
        return pLoose;
    }
    std::unique_ptr<QMConfigSection>& pSection = m_sections[type][name];
    if (!pSection)
    {
        pSection.reset(new QMConfigSection(this, type, name));
        pSection->OpenBackEnd();
    }
    return pSection.get();
}

QMConfigKey* QMConfigImplementation::GetKey(QMConfigSection* pSection, const wchar_t* pszName,
                                            const wchar_t* pszDefault)
{
    if (!pSection)
        return nullptr;
    CSingleLock lock(&m_lock, true);
    return pSection->FindOrCreateKey(pszName ? pszName : L"", pszDefault ? pszDefault : L"");
}

CString QMConfigImplementation::GetStringValue(QMConfigKey* pKey)
{
    CSingleLock lock(&m_lock, true);
    return pKey ? pKey->m_strValue : CString();
}

int QMConfigImplementation::GetIntValue(QMConfigKey* pKey)
{
    return _wtoi(GetStringValue(pKey));
}

double QMConfigImplementation::GetDoubleValue(QMConfigKey* pKey)
{
    return _wtof(GetStringValue(pKey));
}

bool QMConfigImplementation::GetBoolValue(QMConfigKey* pKey)
{
    return GetStringValue(pKey) != L"0";
}

void QMConfigImplementation::SetValueText(QMConfigKey* pKey, const CString& text,
                                          bool (*pfnDiffers)(const CString&, const CString&))
{
    if (!pKey)
        return;
    CSingleLock lock(&m_lock, true);
    QMConfigSection* pSection = pKey->m_pSection;
    CString current;
    if (m_transactionDepth > 0 && pKey->m_bPending)
        current = pKey->m_strPending;
    else
    {
        // Another process may have changed the value since it was cached: compare with storage,
        // or a write equal to the stale cache would be lost.
        const CString cached = pKey->m_strValue;
        bool bReached = true;
        current = pSection->ReadStoredValue(pKey, &bReached);
        if (bReached && current != cached && !UsesIniFile())
            pKey->m_bChanged = true;
    }
    if (!pfnDiffers(current, text))
        return;
    pSection->WriteValue(pKey, text, m_transactionDepth == 0);
}

void QMConfigImplementation::SetStringValue(QMConfigKey* pKey, const wchar_t* pszValue)
{
    SetValueText(pKey, pszValue ? pszValue : L"", TextDiffers);
}

void QMConfigImplementation::SetIntValue(QMConfigKey* pKey, int value)
{
    wchar_t text[16] = {};
    _itow(value, text, 10);
    SetValueText(pKey, text, IntDiffers);
}

void QMConfigImplementation::SetDoubleValue(QMConfigKey* pKey, double value)
{
    CString text;
    text.Format(L"%lf", value);
    SetValueText(pKey, text, DoubleDiffers);
}

void QMConfigImplementation::SetBoolValue(QMConfigKey* pKey, bool value)
{
    SetValueText(pKey, value ? L"1" : L"0", BoolDiffers);
}

CString QMConfigImplementation::GetDebugValue(const wchar_t* pszName, const wchar_t* pszDefault)
{
    CSingleLock lock(&m_lock, true);
    QMConfigSection* pSection = GetSection(QMCONFIG_APPLICATION_INDEPENDENT, L"Debug");
    return GetStringValue(pSection->FindOrCreateKey(pszName, pszDefault ? pszDefault : L""));
}

void QMConfigImplementation::SetDebugValue(const wchar_t* pszName, const wchar_t* pszValue)
{
    CSingleLock lock(&m_lock, true);
    QMConfigSection* pSection = GetSection(QMCONFIG_APPLICATION_INDEPENDENT, L"Debug");
    SetStringValue(pSection->FindOrCreateKey(pszName, L"foobar"), pszValue);
}

void QMConfigImplementation::Subscribe(QMConfigSection* pSection, IQMConfigListener* pListener)
{
    if (!pSection)
        return;
    CSingleLock lock(&m_lock, true);
    Trace(TRACE_TRACE, L"QMConfig: subscribing a new listener to section[%s]", pSection->GetName().GetString());
    pSection->AddListener(pListener);
}

void QMConfigImplementation::Unsubscribe(QMConfigSection* pSection, IQMConfigListener* pListener)
{
    if (!pSection)
        return;
    CSingleLock lock(&m_lock, true);
    Trace(TRACE_TRACE, L"QMConfig: unsubscribing a listener from section[%s]", pSection->GetName().GetString());
    pSection->RemoveListener(pListener);
}

void QMConfigImplementation::BeginTransaction()
{
    CSingleLock lock(&m_lock, true);
    ++m_transactionDepth;
}

void QMConfigImplementation::EndTransaction()
{
    CSingleLock lock(&m_lock, true);
    if (m_transactionDepth <= 0)
    {
        // Going below zero would leave every later write pending for good.
        Trace(TRACE_ERROR, L"QMConfig::EndTransaction: no transaction is open.");
        return;
    }
    if (--m_transactionDepth == 0)
        Commit();
}

void QMConfigImplementation::Commit()
{
    bool bPending = false;
    for (const SectionMap& sections : m_sections)
        for (const auto& entry : sections)
            bPending = bPending || entry.second->HasPending();
    if (!bPending)
        return;
    CSystemWideFlag mutex(kTransactionMutexName);
    mutex.Create();
    mutex.Wait(INFINITE);
    for (SectionMap& sections : m_sections)
        for (auto& entry : sections)
            entry.second->FlushPending();
    mutex.Release();
}

void QMConfigImplementation::Dump()
{
    CSingleLock lock(&m_lock, true);
    Trace(TRACE_TRACE, L"QMConfig: Dumping config values, including default values of unset keys.");
    for (int type = QMCONFIG_GLOBAL; type <= QMCONFIG_APPLICATION_INDEPENDENT; ++type)
        for (auto& entry : m_sections[type])
            entry.second->DumpKeys();
}

void QMConfigImplementation::Purge()
{
    CSingleLock lock(&m_lock, true);
    if (!m_bDestroying)
        Trace(TRACE_TRACE, L"QMConfig: [QMConfigImplementation::Purge] deleting sections/keys");
    const int order[] = { QMCONFIG_GLOBAL, QMCONFIG_LOCAL, QMCONFIG_APPLICATION_INDEPENDENT, QMCONFIG_USER_DEFAULT };
    for (int type : order)
        m_sections[type].clear();
}

CString QMConfigImplementation::GetGlobalRoot()
{
    return m_strGlobalRoot;
}

CString QMConfigImplementation::GetUserDefaultRoot()
{
    return m_strUserDefaultRoot;
}

CString QMConfigImplementation::GetLocalRoot()
{
    return m_strLocalRoot;
}

CString QMConfigImplementation::GetApplicationIndependentRoot()
{
    return m_strApplicationIndependentRoot;
}

CString QMConfigImplementation::GetIniFilePath()
{
    return m_strIniFilePath;
}

bool QMConfigImplementation::UsesIniFile()
{
    return !m_strIniFilePath.IsEmpty();
}

QMRegKey* QMConfigImplementation::CreateRegKey()
{
    if (UsesIniFile())
        return new QMRegKeyOnDisc(this);
    return new QMRegKey();
}
