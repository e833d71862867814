#include "TestArea.h"
#include "classlib/File.h"
#include "classlib/Handles.h"

#include <algorithm>
#include <vector>

namespace
{
const wchar_t kTestRoot[] = L"D:\\tests\\";
const wchar_t kUsbFolder[] = L"D:\\usbdrive\\";
const wchar_t kUsbPulled[] = L"D:\\usbdrive_pulled";

bool IsBelow(const CString& folder, const wchar_t* pszRoot)
{
    return folder.Left(static_cast<int>(wcslen(pszRoot))).CompareNoCase(pszRoot) == 0;
}

// Empties a folder below the test root; links are removed, never followed.
void EmptyFolder(const CString& folder)
{
    if ((!IsBelow(folder, kTestRoot) && !IsBelow(folder, kUsbFolder)) || folder.Find(L"..") >= 0)
        return;
    WIN32_FIND_DATAW fd;
    CScopedFindHandle find(FindFirstFileW(folder + L"*", &fd));
    if (!find)
        return;
    do
    {
        const CString name(fd.cFileName);
        if (name == L"." || name == L"..")
            continue;
        const CString path = folder + name;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        {
            EmptyFolder(path + L"\\");
            RemoveDirectoryW(path);
        }
        else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryW(path);
        else
        {
            SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path);
        }
    } while (FindNextFileW(find.Get(), &fd));
}
}

CString FreshTestFolder(const wchar_t* pszName)
{
    CreateDirectoryW(L"D:\\tests", nullptr);
    CString folder(kTestRoot);
    folder += pszName;
    folder += L"\\";
    EmptyFolder(folder);
    CreateDirectoryW(folder, nullptr);
    return folder;
}

CString FreshUsbDrive()
{
    PlugUsbDrive();
    CreateDirectoryW(kUsbFolder, nullptr);
    EmptyFolder(kUsbFolder);
    return L"U:\\";
}

bool PullUsbDrive()
{
    return MoveFileW(L"D:\\usbdrive", kUsbPulled) != FALSE;
}

namespace
{
// True when the system names the drive's root "U:\" again.
bool UsbRootNamedAsDrive()
{
    typedef DWORD(WINAPI * FinalPathQuery)(HANDLE, LPWSTR, DWORD, DWORD);
    const FinalPathQuery query = reinterpret_cast<FinalPathQuery>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW"));
    if (!query)
        return true;
    CScopedFileHandle root(CreateFileW(L"U:\\", 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    wchar_t path[MAX_PATH + 1] = {};
    return root && query(root.Get(), path, MAX_PATH, 0) > 0 && _wcsnicmp(path, L"\\\\?\\U:", 6) == 0;
}
}

void PlugUsbDrive()
{
    if (GetFileAttributesW(kUsbPulled) == INVALID_FILE_ATTRIBUTES ||
        GetFileAttributesW(L"D:\\usbdrive") != INVALID_FILE_ATTRIBUTES)
        return;
    MoveFileW(kUsbPulled, L"D:\\usbdrive");
    // Wine looks at its drives again at most once a second: until then a path on the stick that
    // was just plugged back is named through D:, and removals that compare the name they hold
    // with the path they were given refuse it. A stick plugged in on Windows keeps its letter.
    for (int i = 0; i < 60 && !UsbRootNamedAsDrive(); ++i)
        Sleep(50);
}

CString BinFolder()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    CString folder(path);
    return folder.Left(folder.ReverseFind(L'\\') + 1);
}

bool CopyInto(const wchar_t* pszFile, const CString& folder, const wchar_t* pszNewName)
{
    return CopyFileW(BinFolder() + pszFile, folder + (pszNewName ? pszNewName : pszFile), FALSE) != FALSE;
}

bool WriteTextFile(const CString& path, const std::string& utf8)
{
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite))
        return false;
    file.Write(utf8.data(), static_cast<UINT>(utf8.size()));
    return true;
}

std::string ReadBytes(const CString& path)
{
    CScopedFileHandle h(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return std::string();
    std::string data;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(h.Get(), buf, sizeof(buf), &n, nullptr) && n > 0)
        data.append(buf, n);
    return data;
}

CString ReadUtf16File(const CString& path)
{
    const std::string bytes = ReadBytes(path);
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF || static_cast<unsigned char>(bytes[1]) != 0xFE)
        return CString();
    return CString(reinterpret_cast<const wchar_t*>(bytes.data() + 2), static_cast<int>((bytes.size() - 2) / 2));
}

CString ReadUtf8File(const CString& path)
{
    return CString::FromNarrow(ReadBytes(path), CP_UTF8);
}

CStringArray ListFiles(const CString& pattern)
{
    std::vector<CString> names;
    WIN32_FIND_DATAW fd;
    CScopedFindHandle find(FindFirstFileW(pattern, &fd));
    if (find)
        do
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(fd.cFileName);
        while (FindNextFileW(find.Get(), &fd));
    std::sort(names.begin(), names.end());
    CStringArray result;
    for (const CString& n : names)
        result.Add(n);
    return result;
}

bool Contains(const CString& text, const wchar_t* pszPart)
{
    return text.Find(pszPart) >= 0;
}

int CountOf(const CString& text, const wchar_t* pszPart)
{
    int n = 0;
    for (int at = text.Find(pszPart); at >= 0; at = text.Find(pszPart, at + 1))
        ++n;
    return n;
}

bool FileExists(const CString& path)
{
    const DWORD attr = GetFileAttributesW(path);
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExistsHere(const CString& path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

CString ShortPathOf(const CString& path)
{
    wchar_t buf[MAX_PATH + 1] = {};
    const DWORD n = GetShortPathNameW(path, buf, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? CString(buf) : CString();
}

std::vector<CString> TraceLineTexts(const CString& log)
{
    std::vector<CString> lines;
    int start = 0;
    while (start < log.GetLength())
    {
        int end = log.Find(L"\r\n", start);
        if (end < 0)
            end = log.GetLength();
        const CString line = log.Mid(start, end - start);
        const int first = line.Find(L' ');
        const int second = first < 0 ? -1 : line.Find(L' ', first + 1);
        lines.push_back(second < 0 ? line : line.Mid(second + 1));
        start = end + 2;
    }
    return lines;
}
