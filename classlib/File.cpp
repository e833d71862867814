#include "File.h"

CFileException::Cause CFileException::OsErrorToCause(LONG lOsError)
{
    switch (lOsError)
    {
    case ERROR_SUCCESS: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return badPath;
    case ERROR_ACCESS_DENIED: return accessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return sharingViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
    }
}

CString CFileException::GetErrorMessage() const
{
    CString text;
    wchar_t* pMsg = nullptr;
    if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(m_lOsError), 0, reinterpret_cast<wchar_t*>(&pMsg), 0, nullptr) && pMsg)
    {
        text = pMsg;
        LocalFree(pMsg);
        text.TrimRight();
    }
    CString result;
    result.Format(L"%s [%s] (%ld)", text.GetString(), m_strFileName.GetString(), m_lOsError);
    return result;
}

CFile::CFile(const wchar_t* pszFileName, UINT nOpenFlags)
{
    CFileException e;
    if (!Open(pszFileName, nOpenFlags, &e))
        throw e;
}

bool CFile::Open(const wchar_t* pszFileName, UINT nOpenFlags, CFileException* pError)
{
    Close();
    m_strFileName = pszFileName;

    DWORD access = 0;
    switch (nOpenFlags & 3)
    {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
    }
    DWORD share = 0;
    switch (nOpenFlags & 0x70)
    {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE; break;
    default: share = 0; break;
    }
    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    m_hFile.Reset(CreateFileW(pszFileName, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (m_hFile.IsValid())
        return true;
    if (pError)
    {
        LONG err = static_cast<LONG>(GetLastError());
        *pError = CFileException(CFileException::OsErrorToCause(err), err, m_strFileName);
    }
    return false;
}

UINT CFile::Read(void* pBuf, UINT nCount)
{
    DWORD read = 0;
    if (!ReadFile(m_hFile.Get(), pBuf, nCount, &read, nullptr))
        ThrowLastError();
    return read;
}

void CFile::Write(const void* pBuf, UINT nCount)
{
    DWORD written = 0;
    if (!WriteFile(m_hFile.Get(), pBuf, nCount, &written, nullptr))
        ThrowLastError();
    if (written != nCount)
        throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG lOff, SeekPosition from)
{
    LARGE_INTEGER dist, pos;
    dist.QuadPart = lOff;
    if (!SetFilePointerEx(m_hFile.Get(), dist, &pos, static_cast<DWORD>(from)))
        ThrowLastError();
    return static_cast<ULONGLONG>(pos.QuadPart);
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_hFile.Get(), &size))
        ThrowLastError();
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::ThrowLastError() const
{
    LONG err = static_cast<LONG>(GetLastError());
    throw CFileException(CFileException::OsErrorToCause(err), err, m_strFileName);
}
