#include "String.h"
#include "WinApp.h"

#include <algorithm>
#include <cwctype>
#include <cwchar>

namespace
{
const wchar_t kWhiteSpace[] = L" \t\r\n\v\f";
}

CString CString::FromNarrow(const char* psz, UINT codePage)
{
    return psz ? FromNarrow(std::string(psz), codePage) : CString();
}

CString CString::FromNarrow(const std::string& s, UINT codePage)
{
    if (s.empty())
        return CString();
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0)
        return CString();
    std::wstring w(n, L'\0');
    MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return CString(w);
}

std::string CString::ToNarrow(UINT codePage) const
{
    if (m_str.empty())
        return std::string();
    int n = WideCharToMultiByte(codePage, 0, m_str.data(), GetLength(), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string a(n, '\0');
    WideCharToMultiByte(codePage, 0, m_str.data(), GetLength(), &a[0], n, nullptr, nullptr);
    return a;
}

int CString::CompareNoCase(const wchar_t* psz) const
{
    return _wcsicmp(m_str.c_str(), psz ? psz : L"");
}

void CString::Format(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    AppendFormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(const wchar_t* pszFormat, va_list args)
{
    m_str.clear();
    AppendFormatV(pszFormat, args);
}

void CString::AppendFormatV(const wchar_t* pszFormat, va_list args)
{
    if (!pszFormat)
        return;
    va_list count;
    va_copy(count, args);
    int n = _vscwprintf(pszFormat, count);
    va_end(count);
    if (n <= 0)
        return;
    size_t old = m_str.size();
    m_str.resize(old + n + 1);
    _vsnwprintf(&m_str[old], n + 1, pszFormat, args);
    m_str.resize(old + n);
}

bool CString::LoadString(UINT nID)
{
    return AfxLoadString(nID, *this);
}

int CString::Find(wchar_t ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    size_t p = m_str.find(ch, nStart);
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const wchar_t* pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || nStart > GetLength())
        return -1;
    size_t p = m_str.find(pszSub, nStart);
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(wchar_t ch) const
{
    size_t p = m_str.rfind(ch);
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const wchar_t* pszChars) const
{
    size_t p = m_str.find_first_of(pszChars ? pszChars : L"");
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::Replace(const wchar_t* pszOld, const wchar_t* pszNew)
{
    if (!pszOld || !*pszOld)
        return 0;
    const std::wstring from(pszOld), to(pszNew ? pszNew : L"");
    int count = 0;
    for (size_t p = m_str.find(from); p != std::wstring::npos; p = m_str.find(from, p + to.size()))
    {
        m_str.replace(p, from.size(), to);
        ++count;
    }
    return count;
}

int CString::Replace(wchar_t chOld, wchar_t chNew)
{
    int count = 0;
    for (wchar_t& c : m_str)
        if (c == chOld)
        {
            c = chNew;
            ++count;
        }
    return count;
}

int CString::Remove(wchar_t ch)
{
    int before = GetLength();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return before - GetLength();
}

int CString::Insert(int nIndex, const wchar_t* psz)
{
    if (nIndex < 0)
        nIndex = 0;
    if (nIndex > GetLength())
        nIndex = GetLength();
    m_str.insert(nIndex, psz ? psz : L"");
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    if (nIndex >= 0 && nIndex < GetLength() && nCount > 0)
        m_str.erase(nIndex, nCount);
    return GetLength();
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nCount < 0 || nFirst >= GetLength())
        return CString();
    return CString(m_str.substr(nFirst, nCount));
}

CString CString::Left(int nCount) const
{
    return nCount <= 0 ? CString() : CString(m_str.substr(0, nCount));
}

CString CString::Right(int nCount) const
{
    if (nCount <= 0)
        return CString();
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.substr(m_str.size() - nCount));
}

CString& CString::MakeLower()
{
    if (!m_str.empty())
        CharLowerBuffW(&m_str[0], GetLength());
    return *this;
}

CString& CString::MakeUpper()
{
    if (!m_str.empty())
        CharUpperBuffW(&m_str[0], GetLength());
    return *this;
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::Trim(const wchar_t* pszChars)
{
    return TrimRight(pszChars).TrimLeft(pszChars);
}

CString& CString::TrimLeft(const wchar_t* pszChars)
{
    size_t p = m_str.find_first_not_of(pszChars ? pszChars : kWhiteSpace);
    m_str.erase(0, p == std::wstring::npos ? m_str.size() : p);
    return *this;
}

CString& CString::TrimRight(const wchar_t* pszChars)
{
    size_t p = m_str.find_last_not_of(pszChars ? pszChars : kWhiteSpace);
    m_str.erase(p == std::wstring::npos ? 0 : p + 1);
    return *this;
}

wchar_t* CString::GetBuffer(int nMinLength)
{
    if (nMinLength > GetLength())
        m_str.resize(nMinLength);
    // One spare character so a callee may always write the terminator.
    m_str.reserve(m_str.size() + 1);
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = static_cast<int>(wcsnlen(m_str.c_str(), m_str.size()));
    if (nNewLength < GetLength())
        m_str.resize(nNewLength);
}
