#pragma once
// Where a response body goes while it is received or decoded: memory when there is no target
// file, otherwise a temporary file next to the target that becomes the target only by Commit.
// A store that was not committed deletes its temporary file, on every path.

#include "classlib/File.h"
#include "classlib/String.h"

#include <string>

class CBodyStore
{
public:
    CBodyStore() = default;
    ~CBodyStore() { Discard(); }
    CBodyStore(const CBodyStore&) = delete;
    CBodyStore& operator=(const CBodyStore&) = delete;

    // Empty path: memory. Otherwise creates (truncates) the file for writing, shared with no one.
    bool Open(const CString& tempPath);
    bool IsFile() const { return !m_strPath.IsEmpty(); }
    const CString& GetPath() const { return m_strPath; }
    // False (with the system's error code kept) when the file write fails or memory runs out.
    bool Append(const char* pData, DWORD nCount);
    ULONGLONG GetSize() const { return m_size; }
    DWORD GetWriteError() const { return m_dwWriteError; }

    // Reading back what was written, for decoding: the memory text, or the file reopened.
    const std::string& Memory() const { return m_memory; }
    std::string TakeMemory() { return std::move(m_memory); }
    bool OpenForReading();
    // Reads up to nCount bytes; 0 at the end. Throws CFileException on a failed read.
    UINT Read(char* pBuf, UINT nCount) { return m_file.Read(pBuf, nCount); }

    // Ends the writing so that others may read the file (a check before Commit); what was
    // written stays, and Commit or Discard still apply.
    void CloseFile() { m_file.Close(); }
    // Closes the file and renames it to the target, replacing an older one.
    bool Commit(const CString& target);
    void Discard();

private:
    CString m_strPath;
    CFile m_file;
    std::string m_memory;
    ULONGLONG m_size = 0;
    DWORD m_dwWriteError = 0;
};
