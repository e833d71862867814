#include "PathUtil.h"

#include <cwchar>

namespace
{
const int kPartChars = 255;

bool EndsWithBackslash(const CString& text)
{
    return !text.IsEmpty() && text[text.GetLength() - 1] == L'\\';
}

CString NormalizedForCompare(const wchar_t* psz)
{
    CString path(psz);
    path.Trim();
    path.Replace(L'/', L'\\');
    AppendBackslash(path);
    return path;
}
}

void AppendBackslash(CString& rPath)
{
    if (!rPath.IsEmpty() && !EndsWithBackslash(rPath))
        rPath += L'\\';
}

CString RemoveTrailingBackslashes(const CString& path)
{
    CString copy(path);
    StripTrailingBackslashes(copy);
    return copy;
}

void StripTrailingBackslashes(CString& rPath)
{
    rPath.TrimRight(L"\\");
}

void SplitPath(const wchar_t* pszPath, CString& rDrive, CString& rFolder, CString& rName, CString& rExtension)
{
    // The runtime's split, written out: its buffers have fixed sizes that a long path overruns.
    const CString path(pszPath);
    int rest = 0;
    rDrive.Empty();
    if (path.GetLength() >= 2 && path[1] == L':')
    {
        rDrive = path.Left(2);
        rest = 2;
    }
    int lastSep = -1;
    for (int i = rest; i < path.GetLength(); ++i)
        if (path[i] == L'\\' || path[i] == L'/')
            lastSep = i;
    const int nameStart = lastSep < 0 ? rest : lastSep + 1;
    rFolder = path.Mid(rest, nameStart - rest).Left(kPartChars);
    const CString file = path.Mid(nameStart);
    const int dot = file.ReverseFind(L'.');
    rName = (dot < 0 ? file : file.Left(dot)).Left(kPartChars);
    rExtension = (dot < 0 ? CString() : file.Mid(dot)).Left(kPartChars);
}

void SplitPathParts(const wchar_t* pszPath, CString& rDrive, CString& rFolder, CString& rName, CString& rExtension)
{
    SplitPath(pszPath, rDrive, rFolder, rName, rExtension);
}

CString GetFolderOfPath(const wchar_t* pszPath)
{
    CString drive, folder, name, ext;
    SplitPath(pszPath, drive, folder, name, ext);
    return drive + folder;
}

CString GetDriveAndFolder(const wchar_t* pszPath)
{
    return GetFolderOfPath(pszPath);
}

bool IsSamePath(const wchar_t* pszFirst, const wchar_t* pszSecond)
{
    return NormalizedForCompare(pszFirst).CompareNoCase(NormalizedForCompare(pszSecond)) == 0;
}

void AppendPathPart(CString& rPath, const wchar_t* pszPart)
{
    CString part(pszPart);
    const bool partHasSlash = !part.IsEmpty() && part[0] == L'\\';
    if (EndsWithBackslash(rPath) && partHasSlash)
        part = part.Mid(1);
    else if (!partHasSlash)
        AppendBackslash(rPath);
    rPath += part;
}

CString BuildPath(const wchar_t* pszFolder, const wchar_t* pszName, const wchar_t* pszExtension)
{
    CString path;
    if (pszFolder)
    {
        path = pszFolder;
        AppendPathPart(path, pszName);
    }
    else
        path = pszName;
    if (pszExtension)
    {
        path += L'.';
        path += pszExtension;
    }
    return path;
}

CString FormatString(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    CString text;
    text.FormatV(pszFormat, args);
    va_end(args);
    return text;
}

CString GetSystemDriveRoot()
{
    wchar_t buf[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryW(buf, MAX_PATH);
    if (n == 0 || n > MAX_PATH)
        return CString();
    CString root(buf);
    AppendBackslash(root);
    const int sep = root.Find(L'\\');
    return sep < 0 ? CString() : root.Left(sep + 1);
}

void AppendAnsiText(CString& rText, const char* pszNarrow)
{
    rText += CString::FromNarrow(pszNarrow, CP_ACP);
}

bool StartsWithNoCase(const wchar_t* pszText, const wchar_t* pszPrefix)
{
    if (!pszText || !pszPrefix || !*pszPrefix)
        return false;
    const size_t n = wcslen(pszPrefix);
    return wcslen(pszText) >= n && _wcsnicmp(pszText, pszPrefix, n) == 0;
}

void SplitString(const CString& text, const CString& separator, CStringArray& rParts)
{
    rParts.RemoveAll();
    if (text.IsEmpty() || separator.IsEmpty())
        return;
    int start = 0;
    for (int at = text.Find(separator, 0); at >= 0; at = text.Find(separator, start))
    {
        rParts.Add(text.Mid(start, at - start));
        start = at + separator.GetLength();
    }
    rParts.Add(text.Mid(start));
}

void ResolveRelativePath(CString& rPath)
{
    if (rPath.IsEmpty())
        return;
    DWORD n = GetFullPathNameW(rPath, 0, nullptr, nullptr);
    if (n == 0)
        return;
    CString full;
    if (GetFullPathNameW(rPath, n, full.GetBuffer(n), nullptr) == 0)
        return;
    full.ReleaseBuffer();
    rPath = full;
}
