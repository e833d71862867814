#pragma once
// A section of the settings store with its keys, listeners and storage back-end. Sections and
// keys are owned by the store (QMConfigImplementation); callers hold raw pointers as handles.

#include "classlib/String.h"
#include "classlib/Sync.h"

#include <map>
#include <memory>
#include <vector>

class QMConfig;
class QMConfigSection;
class QMRegKey;
class IQMConfigListener;

struct QMConfigKey
{
    CString m_strName;
    CString m_strDefault;
    // What the getters answer: the stored value, or the default while nothing is stored.
    CString m_strValue;
    QMConfigSection* m_pSection = nullptr;
    // A write made inside a transaction waits here for the commit.
    CString m_strPending;
    bool m_bPending = false;
    // Set by a write that changed the stored text; cleared when listeners are told.
    bool m_bChanged = false;

    const CString& GetName() const { return m_strName; }
    const CString& GetDefault() const { return m_strDefault; }
    QMConfigSection* GetSection() const { return m_pSection; }
};

class QMConfigSection
{
public:
    QMConfigSection(QMConfig* pStore, int type, const wchar_t* pszName);
    ~QMConfigSection();
    QMConfigSection(const QMConfigSection&) = delete;
    QMConfigSection& operator=(const QMConfigSection&) = delete;

    int GetType() const { return m_type; }
    const CString& GetName() const { return m_strName; }
    // The registry path the section was opened at (root + "\" + name).
    CString GetPath() const;

    // Makes a new back-end under the store's current root and mode and opens it as the
    // section's type requires (types 0 to 3; any other type stays unopened).
    void OpenBackEnd();
    // Re-opens under the store's current root and reads every key again: the same section
    // and key objects, now showing the new root's values.
    void Reopen();

    QMConfigKey* FindOrCreateKey(const wchar_t* pszName, const wchar_t* pszDefault);
    // Reads storage into the key's cached value and returns it: the stored value, for a local
    // section the user-default value, else the default. When the storage cannot be reached
    // (rbReached false) the cached value stays as it was.
    CString ReadStoredValue(QMConfigKey* pKey, bool* pbReached = nullptr);
    // Immediate: stores the text unless storage already holds it; a failed write leaves the
    // cached value at what storage holds. Otherwise the text becomes the key's pending value.
    void WriteValue(QMConfigKey* pKey, const CString& text, bool bImmediate);
    void FlushPending();
    bool HasPending() const;

    void AddListener(IQMConfigListener* pListener);
    void RemoveListener(IQMConfigListener* pListener);
    bool HasListeners();
    void NotifyChanges();
    bool HasKeyChanged(QMConfigKey* pKey);
    void DumpKeys();

private:
    QMConfig* m_pStore;
    int m_type;
    CString m_strName;
    CString m_strRoot;
    std::map<CString, std::unique_ptr<QMConfigKey>> m_keys;
    std::vector<IQMConfigListener*> m_listeners;
    std::unique_ptr<QMRegKey> m_pBackEnd;
    CCriticalSection m_lock;
};
