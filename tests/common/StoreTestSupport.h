#pragma once
// Helpers of the settings-store tests: each test roots a store at its own name under
// SOFTWARE\Quillmark (VantolinTests_<test>) and removes it afterwards. Programs using it link
// config and shlwapi.

#include "config/QMConfigListener.h"
#include "config/QMConfigSection.h"

#include "classlib/Handles.h"
#include "classlib/String.h"
#include "classlib/Sync.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <vector>

inline CString StoreRootPath(const CString& root)
{
    return L"SOFTWARE\\Quillmark\\" + root;
}

// The root name of the running test.
inline CString TestStoreRoot()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return L"VantolinTests_" + CString::FromNarrow(info->name());
}

// The root and its user-default root, in both hives.
inline void RemoveStoreRoot(const CString& root)
{
    for (HKEY hive : { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE })
    {
        SHDeleteKeyW(hive, StoreRootPath(root));
        SHDeleteKeyW(hive, StoreRootPath(root) + L".default");
    }
}

// Collects what the notification thread reports; a test waits on its event.
class CRecordingListener : public IQMConfigListener
{
public:
    CRecordingListener() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    void OnConfigChanged(const std::vector<QMConfigKey*>& keys) override
    {
        CSingleLock lock(&m_lock, true);
        for (QMConfigKey* pKey : keys)
            m_names.push_back(pKey->GetName());
        SetEvent(m_event.Get());
    }
    bool WaitForCall(DWORD ms) { return WaitForSingleObject(m_event.Get(), ms) == WAIT_OBJECT_0; }
    std::vector<CString> Names()
    {
        CSingleLock lock(&m_lock, true);
        return m_names;
    }
    void Reset()
    {
        CSingleLock lock(&m_lock, true);
        m_names.clear();
        ResetEvent(m_event.Get());
    }

private:
    CScopedHandle m_event;
    CCriticalSection m_lock;
    std::vector<CString> m_names;
};
