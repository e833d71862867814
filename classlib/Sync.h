#pragma once
// Critical section and its scoped lock.

#include <windows.h>

class CCriticalSection
{
public:
    CCriticalSection() { ::InitializeCriticalSection(&m_cs); }
    ~CCriticalSection() { ::DeleteCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    void Lock() { ::EnterCriticalSection(&m_cs); }
    void Unlock() { ::LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class CSingleLock
{
public:
    explicit CSingleLock(CCriticalSection* pCs, bool bInitialLock = false) : m_pCs(pCs)
    {
        if (bInitialLock)
            Lock();
    }
    ~CSingleLock() { Unlock(); }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;
    void Lock()
    {
        if (m_pCs && !m_bLocked)
        {
            m_pCs->Lock();
            m_bLocked = true;
        }
    }
    void Unlock()
    {
        if (m_pCs && m_bLocked)
        {
            m_bLocked = false;
            m_pCs->Unlock();
        }
    }
    bool IsLocked() const { return m_bLocked; }

private:
    CCriticalSection* m_pCs;
    bool m_bLocked = false;
};
