#pragma once
// The only implementation of the settings store. Sections are cached per type; a notification
// thread scans the sections that have listeners; writes inside a transaction wait for the
// commit, which runs under the machine-wide "QMCONFIG_TRANSACTION_MUTEX".

#include "QMConfig.h"

#include "classlib/Handles.h"
#include "classlib/Sync.h"

#include <map>
#include <memory>

class CWinThread;

class QMConfigImplementation : public QMConfig
{
public:
    QMConfigImplementation();
    ~QMConfigImplementation() override;

    void SetRoot(const wchar_t* pszRootName, int storageMode) override;
    bool Initialize() override;
    void Uninitialize() override;
    QMConfigSection* GetSection(int type, const wchar_t* pszName) override;
    QMConfigKey* GetKey(QMConfigSection* pSection, const wchar_t* pszName, const wchar_t* pszDefault) override;
    CString GetStringValue(QMConfigKey* pKey) override;
    int GetIntValue(QMConfigKey* pKey) override;
    double GetDoubleValue(QMConfigKey* pKey) override;
    bool GetBoolValue(QMConfigKey* pKey) override;
    void SetStringValue(QMConfigKey* pKey, const wchar_t* pszValue) override;
    void SetIntValue(QMConfigKey* pKey, int value) override;
    void SetDoubleValue(QMConfigKey* pKey, double value) override;
    void SetBoolValue(QMConfigKey* pKey, bool value) override;
    CString GetDebugValue(const wchar_t* pszName, const wchar_t* pszDefault) override;
    void SetDebugValue(const wchar_t* pszName, const wchar_t* pszValue) override;
    void Subscribe(QMConfigSection* pSection, IQMConfigListener* pListener) override;
    void Unsubscribe(QMConfigSection* pSection, IQMConfigListener* pListener) override;
    void BeginTransaction() override;
    void EndTransaction() override;
    void Dump() override;
    void Purge() override;
    CString GetGlobalRoot() override;
    CString GetUserDefaultRoot() override;
    CString GetLocalRoot() override;
    CString GetApplicationIndependentRoot() override;
    CString GetIniFilePath() override;
    bool UsesIniFile() override;
    QMRegKey* CreateRegKey() override;

    // The notification thread's body.
    virtual void Run();

private:
    enum
    {
        kSectionTypes = 4
    };
    typedef std::map<CString, std::unique_ptr<QMConfigSection>> SectionMap;

    // Compares with what storage holds (or with the pending value inside a transaction) and
    // writes only when pfnDiffers says the value changes.
    void SetValueText(QMConfigKey* pKey, const CString& text, bool (*pfnDiffers)(const CString&, const CString&));
    void Commit();
    static UINT __cdecl ThreadProc(LPVOID pParam);

    CString m_strGlobalRoot;
    CString m_strUserDefaultRoot;
    CString m_strLocalRoot;
    CString m_strApplicationIndependentRoot;
    CString m_strIniFilePath;
    SectionMap m_sections[kSectionTypes];
    std::unique_ptr<CWinThread> m_pThread;
    volatile bool m_bStop = false;
    CScopedHandle m_hStopEvent;
    CCriticalSection m_lock;
    int m_transactionDepth = 0;
    bool m_bDestroying = false;
};
