#include "BodyStore.h"

#include <new>

bool CBodyStore::Open(const CString& tempPath)
{
    Discard();
    m_memory.clear();
    m_size = 0;
    m_dwWriteError = 0;
    if (tempPath.IsEmpty())
        return true;
    CFileException error;
    if (!m_file.Open(tempPath, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive | CFile::typeBinary, &error))
    {
        ::SetLastError(static_cast<DWORD>(error.m_lOsError));
        return false;
    }
    m_strPath = tempPath;
    return true;
}

bool CBodyStore::Append(const char* pData, DWORD nCount)
{
    if (!IsFile())
    {
        try
        {
            m_memory.append(pData, nCount);
        }
        catch (const std::bad_alloc&)
        {
            m_dwWriteError = ERROR_NOT_ENOUGH_MEMORY;
            ::SetLastError(m_dwWriteError);
            return false;
        }
        m_size += nCount;
        return true;
    }
    try
    {
        m_file.Write(pData, nCount);
    }
    catch (const CFileException& e)
    {
        m_dwWriteError = static_cast<DWORD>(e.m_lOsError);
        ::SetLastError(m_dwWriteError);
        return false;
    }
    m_size += nCount;
    return true;
}

bool CBodyStore::OpenForReading()
{
    if (!IsFile())
        return true;
    m_file.Close();
    return m_file.Open(m_strPath, CFile::modeRead | CFile::shareExclusive | CFile::typeBinary);
}

bool CBodyStore::Commit(const CString& target)
{
    m_file.Close();
    if (!::MoveFileExW(m_strPath, target, MOVEFILE_REPLACE_EXISTING))
        return false;
    m_strPath.Empty();
    return true;
}

void CBodyStore::Discard()
{
    m_file.Close();
    if (!m_strPath.IsEmpty())
    {
        ::DeleteFileW(m_strPath);
        m_strPath.Empty();
    }
}
