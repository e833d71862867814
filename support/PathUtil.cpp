#include "PathUtil.h"
#include "FileUtil.h"

#include <cwchar>
#include <vector>

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
    NormalizeFolderPath(rPath);
    if (rPath.Find(L'.') < 0)
        return;
    CStringArray parts;
    SplitString(rPath, L"\\", parts);
    // The components that no ".." may remove: a drive ("C:"), the empty start of a rooted path,
    // or the empty starts, server and share of a network path.
    int rootCount = 0;
    if (parts.GetSize() > 0 && (parts[0].IsEmpty() || (parts[0].GetLength() == 2 && parts[0][1] == L':')))
        rootCount = 1;
    if (parts.GetSize() > 1 && parts[0].IsEmpty() && parts[1].IsEmpty())
        rootCount = parts.GetSize() < 4 ? parts.GetSize() : 4;
    std::vector<CString> kept;
    for (int i = 0; i < parts.GetSize(); ++i)
    {
        const CString& part = parts[i];
        if (i < rootCount)
            kept.push_back(part);
        else if (part == L".")
            continue;
        else if (part == L"..")
        {
            if (static_cast<int>(kept.size()) > rootCount && kept.back() != L"..")
                kept.pop_back();
            else if (rootCount == 0)
                kept.push_back(part); // a relative path keeps what it cannot collapse
        }
        else
            kept.push_back(part);
    }
    rPath.Empty();
    for (size_t i = 0; i < kept.size(); ++i)
    {
        if (i > 0)
            rPath += L'\\';
        rPath += kept[i];
    }
    // "C:" alone names the drive's current folder; the root is meant.
    if (rootCount > 0 && static_cast<int>(kept.size()) == rootCount)
        rPath += L'\\';
}
