#pragma once
// Wide string of the class library. Formatting keeps the Windows meaning of "%s" in a wide
// format (a wide string argument), which the C99 wide printf family of this toolchain does not.

#include <windows.h>
#include <cstdarg>
#include <string>
#include <vector>

class CString
{
public:
    CString() = default;
    CString(const wchar_t* psz) : m_str(psz ? psz : L"") {}
    CString(const wchar_t* pch, int nLength) : m_str(pch ? std::wstring(pch, nLength) : std::wstring()) {}
    CString(wchar_t ch, int nRepeat = 1) : m_str(nRepeat > 0 ? nRepeat : 0, ch) {}
    CString(const std::wstring& s) : m_str(s) {}

    // Narrow text in the given code page (CP_ACP for the thread's ANSI code page).
    static CString FromNarrow(const char* psz, UINT codePage = CP_ACP);
    static CString FromNarrow(const std::string& s, UINT codePage = CP_ACP);
    std::string ToNarrow(UINT codePage = CP_ACP) const;

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const wchar_t* GetString() const { return m_str.c_str(); }
    operator const wchar_t*() const { return m_str.c_str(); }
    const std::wstring& Std() const { return m_str; }

    wchar_t GetAt(int i) const { return m_str.at(i); }
    void SetAt(int i, wchar_t ch) { m_str.at(i) = ch; }
    wchar_t operator[](int i) const { return m_str.at(i); }

    CString& operator=(const wchar_t* psz) { m_str = psz ? psz : L""; return *this; }
    CString& operator+=(const CString& s) { m_str += s.m_str; return *this; }
    CString& operator+=(const wchar_t* psz) { if (psz) m_str += psz; return *this; }
    CString& operator+=(wchar_t ch) { m_str += ch; return *this; }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
    friend CString operator+(const CString& a, const wchar_t* b) { CString r(a); r += b; return r; }
    friend CString operator+(const wchar_t* a, const CString& b) { CString r(a); r += b; return r; }
    friend CString operator+(const CString& a, wchar_t ch) { CString r(a); r += ch; return r; }

    int Compare(const wchar_t* psz) const { return wcscmp(m_str.c_str(), psz ? psz : L""); }
    int CompareNoCase(const wchar_t* psz) const;
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
    friend bool operator==(const wchar_t* a, const CString& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
    friend bool operator!=(const wchar_t* a, const CString& b) { return !(b == a); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_str < b.m_str; }

    // printf-style with the Windows conventions: "%s" is wide, "%S" narrow.
    void Format(const wchar_t* pszFormat, ...);
    void AppendFormat(const wchar_t* pszFormat, ...);
    void FormatV(const wchar_t* pszFormat, va_list args);
    void AppendFormatV(const wchar_t* pszFormat, va_list args);
    // Loads a string-table entry in the class library's resource language; false when missing.
    bool LoadString(UINT nID);

    int Find(wchar_t ch, int nStart = 0) const;
    int Find(const wchar_t* pszSub, int nStart = 0) const;
    int ReverseFind(wchar_t ch) const;
    int FindOneOf(const wchar_t* pszChars) const;
    int Replace(const wchar_t* pszOld, const wchar_t* pszNew);
    int Replace(wchar_t chOld, wchar_t chNew);
    int Remove(wchar_t ch);
    int Insert(int nIndex, const wchar_t* psz);
    int Delete(int nIndex, int nCount = 1);

    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    CString& MakeLower();
    CString& MakeUpper();
    CString& Trim();
    CString& Trim(const wchar_t* pszChars);
    CString& TrimLeft(const wchar_t* pszChars = nullptr);
    CString& TrimRight(const wchar_t* pszChars = nullptr);

    // Direct access for Win32 calls that fill a buffer: GetBuffer(n) gives room for n
    // characters plus the terminator; ReleaseBuffer(-1) takes the length up to the first zero.
    wchar_t* GetBuffer(int nMinLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::wstring m_str;
};

class CStringArray
{
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return m_items.empty(); }
    int Add(const CString& s) { m_items.push_back(s); return GetSize() - 1; }
    const CString& GetAt(int i) const { return m_items.at(i); }
    void SetAt(int i, const CString& s) { m_items.at(i) = s; }
    CString& operator[](int i) { return m_items.at(i); }
    const CString& operator[](int i) const { return m_items.at(i); }
    void InsertAt(int i, const CString& s) { m_items.insert(m_items.begin() + i, s); }
    void RemoveAt(int i, int nCount = 1) { m_items.erase(m_items.begin() + i, m_items.begin() + i + nCount); }
    void RemoveAll() { m_items.clear(); }
    std::vector<CString>::const_iterator begin() const { return m_items.begin(); }
    std::vector<CString>::const_iterator end() const { return m_items.end(); }

private:
    std::vector<CString> m_items;
};
