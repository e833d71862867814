#pragma once
// Binary file over a Win32 handle. The constructor that names a file throws CFileException
// when it cannot be opened; Open reports the failure through its result instead.

#include "Handles.h"
#include "String.h"

class CFileException
{
public:
    enum Cause { none, genericException, fileNotFound, badPath, accessDenied, sharingViolation, diskFull, endOfFile };

    CFileException(Cause cause = none, LONG lOsError = 0, const CString& fileName = CString())
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(fileName) {}
    static Cause OsErrorToCause(LONG lOsError);
    CString GetErrorMessage() const;

    Cause m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

class CFile
{
public:
    enum OpenFlags : UINT
    {
        modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002,
        shareExclusive = 0x0010, shareDenyWrite = 0x0020, shareDenyRead = 0x0030, shareDenyNone = 0x0040,
        modeNoTruncate = 0x1000, modeCreate = 0x1000 << 1, typeBinary = 0x8000
    };
    enum SeekPosition { begin = FILE_BEGIN, current = FILE_CURRENT, end = FILE_END };

    CFile() = default;
    CFile(const wchar_t* pszFileName, UINT nOpenFlags); // throws CFileException
    virtual ~CFile() = default;

    bool Open(const wchar_t* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    void Close() { m_hFile.Close(); }
    bool IsOpen() const { return m_hFile.IsValid(); }
    HANDLE GetHandle() const { return m_hFile.Get(); }
    const CString& GetFilePath() const { return m_strFileName; }

    UINT Read(void* pBuf, UINT nCount);                       // throws on a failed read
    void Write(const void* pBuf, UINT nCount);                 // throws on a failed or short write
    ULONGLONG Seek(LONGLONG lOff, SeekPosition from);
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    ULONGLONG GetLength() const;

private:
    [[noreturn]] void ThrowLastError() const;

    CScopedFileHandle m_hFile;
    CString m_strFileName;
};
