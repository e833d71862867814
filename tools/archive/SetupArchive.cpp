// Stand-in of the self-extracting setup archive: "<archive> -d<folder> [-s] [-Y]" unpacks the
// payload appended to this program into the folder. The payload starts after a marker, found by
// search (a signature may follow it): entries of [u32 name bytes][UTF-8 relative name][u32 size]
// [data], ended by a zero name length. Every start is recorded in "<archive>.record.txt" beside
// it (UTF-16: the raw command line, then one line per argument). Exit codes: 0 unpacked, 2 no
// target folder, 3 no payload or a damaged one, 4 a file that cannot be written.
#include <windows.h>

#include <string>
#include <vector>

namespace
{
// Kept apart from the marker itself, so that this program's own bytes never hold it.
const char kMarkerKey[] = "VantolinSetupArchivePayload";

std::string Marker()
{
    std::string marker(kMarkerKey);
    for (char& ch : marker)
        ch = static_cast<char>(ch ^ 0x5A);
    return marker;
}

bool ReadAll(const wchar_t* pszPath, std::string& rData)
{
    HANDLE h = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const DWORD size = GetFileSize(h, nullptr);
    rData.resize(size);
    DWORD read = 0;
    const bool ok = size == 0 || (ReadFile(h, &rData[0], size, &read, nullptr) && read == size);
    CloseHandle(h);
    return ok;
}

void Record(const std::wstring& self)
{
    HANDLE h = CreateFileW((self + L".record.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    std::wstring text;
    if (GetFileSize(h, nullptr) == 0)
        text += L'\xFEFF';
    text += L"CommandLine=";
    text += GetCommandLineW();
    text += L"\r\n";
    for (int i = 1; i < __argc; ++i)
    {
        text += L"Argument=";
        text += __wargv[i];
        text += L"\r\n";
    }
    DWORD written = 0;
    WriteFile(h, text.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(h);
}

bool ReadU32(const std::string& data, size_t& rAt, DWORD& rValue)
{
    if (data.size() - rAt < 4)
        return false;
    rValue = static_cast<DWORD>(static_cast<unsigned char>(data[rAt])) |
             (static_cast<DWORD>(static_cast<unsigned char>(data[rAt + 1])) << 8) |
             (static_cast<DWORD>(static_cast<unsigned char>(data[rAt + 2])) << 16) |
             (static_cast<DWORD>(static_cast<unsigned char>(data[rAt + 3])) << 24);
    rAt += 4;
    return true;
}

// Creates every folder on the way to the file.
void CreateFoldersFor(const std::wstring& path)
{
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
}

int Unpack(const std::string& data, size_t at, std::wstring folder)
{
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    CreateFoldersFor(folder);
    for (;;)
    {
        DWORD nameBytes = 0, size = 0;
        if (!ReadU32(data, at, nameBytes))
            return 3;
        if (nameBytes == 0)
            return 0;
        if (data.size() - at < nameBytes)
            return 3;
        const std::string name = data.substr(at, nameBytes);
        at += nameBytes;
        if (!ReadU32(data, at, size) || data.size() - at < size)
            return 3;
        // Names stay inside the folder.
        if (name.find("..") != std::string::npos || name.find(':') != std::string::npos || name[0] == '\\')
            return 3;
        std::wstring wide(name.size(), L'\0');
        wide.resize(MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), &wide[0],
                                        static_cast<int>(wide.size())));
        const std::wstring target = folder + wide;
        CreateFoldersFor(target);
        HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return 4;
        DWORD written = 0;
        const bool ok = size == 0 || (WriteFile(h, data.data() + at, size, &written, nullptr) && written == size);
        CloseHandle(h);
        if (!ok)
            return 4;
        at += size;
    }
}
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    Record(self);
    std::wstring folder;
    for (int i = 1; i < __argc; ++i)
    {
        const std::wstring arg = __wargv[i];
        if (arg.size() > 2 && (arg.compare(0, 2, L"-d") == 0 || arg.compare(0, 2, L"/d") == 0))
            folder = arg.substr(2);
    }
    if (folder.empty())
        return 2;
    std::string data;
    if (!ReadAll(self, data))
        return 3;
    const std::string marker = Marker();
    const size_t at = data.find(marker);
    if (at == std::string::npos)
        return 3;
    return Unpack(data, at + marker.size(), folder);
}
