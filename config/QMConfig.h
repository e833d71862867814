#pragma once
// The settings store shared with the installed product: named sections of named text keys in
// the registry, or in one ini file beside the program for a portable installation. refresh_rt
// receives this interface's pointer, so the order of its operations is part of the contract.

#include "classlib/String.h"

class QMConfigSection;
class QMRegKey;
class IQMConfigListener;
struct QMConfigKey;

// Section types of GetSection. Any other type gives an uncached section owned by the caller.
enum
{
    QMCONFIG_GLOBAL = 0,
    QMCONFIG_LOCAL = 1,
    QMCONFIG_APPLICATION_INDEPENDENT = 2,
    QMCONFIG_USER_DEFAULT = 3
};

// Storage modes of SetRoot: 0 follows the OnUSB.cfg marker beside the program.
enum
{
    QMCONFIG_MODE_AUTO = 0,
    QMCONFIG_MODE_REGISTRY = 1,
    QMCONFIG_MODE_INI_FILE = 2
};

class QMConfig
{
public:
    // The process-wide store, created on the first call (before other threads use it) and
    // deleted at process exit.
    static QMConfig* GetInstance();

    virtual void SetRoot(const wchar_t* pszRootName, int storageMode) = 0;
    virtual bool Initialize() = 0;
    virtual void Uninitialize() = 0;
    virtual QMConfigSection* GetSection(int type, const wchar_t* pszName) = 0;
    virtual QMConfigKey* GetKey(QMConfigSection* pSection, const wchar_t* pszName, const wchar_t* pszDefault) = 0;
    virtual CString GetStringValue(QMConfigKey* pKey) = 0;
    virtual int GetIntValue(QMConfigKey* pKey) = 0;
    virtual double GetDoubleValue(QMConfigKey* pKey) = 0;
    virtual bool GetBoolValue(QMConfigKey* pKey) = 0;
    virtual void SetStringValue(QMConfigKey* pKey, const wchar_t* pszValue) = 0;
    virtual void SetIntValue(QMConfigKey* pKey, int value) = 0;
    virtual void SetDoubleValue(QMConfigKey* pKey, double value) = 0;
    virtual void SetBoolValue(QMConfigKey* pKey, bool value) = 0;
    virtual CString GetDebugValue(const wchar_t* pszName, const wchar_t* pszDefault) = 0;
    virtual void SetDebugValue(const wchar_t* pszName, const wchar_t* pszValue) = 0;
    virtual void Subscribe(QMConfigSection* pSection, IQMConfigListener* pListener) = 0;
    virtual void Unsubscribe(QMConfigSection* pSection, IQMConfigListener* pListener) = 0;
    virtual void BeginTransaction() = 0;
    virtual void EndTransaction() = 0;
    virtual void Dump() = 0;
    virtual void Purge() = 0;
    virtual CString GetGlobalRoot() = 0;
    virtual CString GetUserDefaultRoot() = 0;
    virtual CString GetLocalRoot() = 0;
    virtual CString GetApplicationIndependentRoot() = 0;
    virtual CString GetIniFilePath() = 0;
    virtual bool UsesIniFile() = 0;
    // A new back-end owned by the caller: the ini one in ini-file mode, else the registry one.
    virtual QMRegKey* CreateRegKey() = 0;
    virtual ~QMConfig() {}
};
