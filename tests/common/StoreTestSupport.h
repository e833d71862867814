#pragma once
// Helpers of the settings-store tests: each test roots a store at its own name under
// SOFTWARE\Quillmark (VantolinTests_<test>) and removes it afterwards. Programs using it link
// config and shlwapi.

#include "config/QMConfigListener.h"
#include "config/QMConfigSection.h"

#include "classlib/Handles.h"
#include "classlib/String.h"
#include "classlib/Sync.h"

#include <aclapi.h>
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

// True when the access list of the HKEY_LOCAL_MACHINE key grants the Users group a right to
// change it.
inline bool UsersMayWrite(const CString& path)
{
    CScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL, key.Receive()) != ERROR_SUCCESS)
        return false;
    PACL pDacl = nullptr;
    PSECURITY_DESCRIPTOR pSd = nullptr;
    if (GetSecurityInfo(key.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &pDacl, nullptr, &pSd) !=
        ERROR_SUCCESS)
        return false;
    BYTE usersSid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(usersSid);
    CreateWellKnownSid(WinBuiltinUsersSid, nullptr, usersSid, &sidSize);
    bool bMayWrite = false;
    for (DWORD i = 0; pDacl && i < pDacl->AceCount; ++i)
    {
        ACCESS_ALLOWED_ACE* pAce = nullptr;
        if (!GetAce(pDacl, i, reinterpret_cast<void**>(&pAce)) || pAce->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        const ACCESS_MASK writeRights = GENERIC_ALL | GENERIC_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC;
        if (EqualSid(&pAce->SidStart, usersSid) && (pAce->Mask & writeRights))
            bMayWrite = true;
    }
    LocalFree(pSd);
    return bMayWrite;
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
