#include "tests/common/MediaPlayerStandIn.h"

#include "classlib/Handles.h"
#include "tests/common/TestArea.h"

#include <vector>

const wchar_t* const CMediaPlayerStandIn::kClassId = L"{3D6F0B7C-52A4-4E19-8C3B-A1E07D95F246}";

namespace
{

const wchar_t kProgIdKey[] = L"Software\\Classes\\WMPlayer.OCX";
const REGSAM kProgIdView = KEY_WOW64_64KEY;
const REGSAM kClassView = KEY_WOW64_32KEY;

CString ClassKey()
{
    return CString(L"Software\\Classes\\CLSID\\") + CMediaPlayerStandIn::kClassId;
}

} // namespace

// A key with its values and subkeys as read, written back in full.
struct CMediaPlayerStandIn::CSavedKey
{
    struct CValue
    {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool bExisted = false;
    std::vector<CValue> values;
    std::vector<std::pair<std::wstring, CSavedKey>> subkeys;

    static CSavedKey Read(HKEY hParent, const wchar_t* pszName, REGSAM view)
    {
        CSavedKey saved;
        CScopedRegKey key;
        if (RegOpenKeyExW(hParent, pszName, 0, KEY_READ | view, key.Receive()) != ERROR_SUCCESS)
            return saved;
        saved.bExisted = true;
        for (DWORD i = 0;; ++i)
        {
            wchar_t name[16384];
            DWORD nameLength = 16384, type = 0, size = 0;
            if (RegEnumValueW(key.Get(), i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
                break;
            CValue value{ std::wstring(name, nameLength), type, std::vector<BYTE>(size) };
            DWORD read = size;
            RegQueryValueExW(key.Get(), value.name.c_str(), nullptr, &type, value.data.empty() ? nullptr : value.data.data(), &read);
            value.data.resize(read);
            saved.values.push_back(value);
        }
        for (DWORD i = 0;; ++i)
        {
            wchar_t name[256];
            DWORD nameLength = 256;
            if (RegEnumKeyExW(key.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            saved.subkeys.emplace_back(std::wstring(name, nameLength), Read(key.Get(), name, view));
        }
        return saved;
    }

    void Write(HKEY hParent, const wchar_t* pszName, REGSAM view) const
    {
        if (!bExisted)
            return;
        CScopedRegKey key;
        if (RegCreateKeyExW(hParent, pszName, 0, nullptr, 0, KEY_WRITE | KEY_READ | view, nullptr, key.Receive(), nullptr) !=
            ERROR_SUCCESS)
            return;
        for (const CValue& value : values)
            RegSetValueExW(key.Get(), value.name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        for (const auto& subkey : subkeys)
            subkey.second.Write(key.Get(), subkey.first.c_str(), view);
    }
};

namespace
{

// RegDeleteTree and RegDeleteKeyEx are newer than the XP headers this build targets.
bool DeleteChildTree(HKEY hParent, const wchar_t* pszName, REGSAM view)
{
    {
        CScopedRegKey key;
        if (RegOpenKeyExW(hParent, pszName, 0, KEY_ALL_ACCESS | view, key.Receive()) != ERROR_SUCCESS)
            return false;
        for (;;)
        {
            wchar_t child[256];
            DWORD length = 256;
            if (RegEnumKeyExW(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (!DeleteChildTree(key.Get(), child, view))
                break;
        }
    }
    return RegDeleteKeyW(hParent, pszName) == ERROR_SUCCESS;
}

void DeleteTree(const wchar_t* pszKey, REGSAM view)
{
    CScopedRegKey classes;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_ALL_ACCESS | view, classes.Receive()) != ERROR_SUCCESS)
        return;
    DeleteChildTree(classes.Get(), pszKey + lstrlenW(L"Software\\Classes\\"), view);
}

bool WriteDefault(const CString& key, const wchar_t* pszValueName, const CString& text, REGSAM view)
{
    CScopedRegKey handle;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE | view, nullptr, handle.Receive(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return RegSetValueExW(handle.Get(), pszValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.GetString()),
                          static_cast<DWORD>((text.GetLength() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

CMediaPlayerStandIn::CMediaPlayerStandIn()
    : m_saved(new CSavedKey(CSavedKey::Read(HKEY_LOCAL_MACHINE, kProgIdKey, kProgIdView)))
{
}

std::unique_ptr<CMediaPlayerStandIn> CMediaPlayerStandIn::Install(const CString& folder, const std::string& iniText)
{
    std::unique_ptr<CMediaPlayerStandIn> standIn(new CMediaPlayerStandIn());
    CreateDirectoryW(folder, nullptr);
    standIn->m_dllPath = folder + L"MediaPlayerStandIn.dll";
    const bool bFiles = CopyFileW(L"D:\\fixtures\\mediaplayer\\MediaPlayerStandIn.dll", standIn->m_dllPath, FALSE) != FALSE &&
                        WriteTextFile(folder + L"MediaPlayerStandIn.ini", iniText);
    DeleteTree(kProgIdKey, kProgIdView);
    standIn->m_bReady = bFiles && WriteDefault(CString(kProgIdKey) + L"\\CLSID", nullptr, kClassId, kProgIdView) &&
                        WriteDefault(ClassKey() + L"\\InprocServer32", nullptr, standIn->m_dllPath, kClassView) &&
                        WriteDefault(ClassKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment", kClassView);
    return standIn;
}

std::unique_ptr<CMediaPlayerStandIn> CMediaPlayerStandIn::Remove()
{
    std::unique_ptr<CMediaPlayerStandIn> standIn(new CMediaPlayerStandIn());
    DeleteTree(kProgIdKey, kProgIdView);
    CScopedRegKey left;
    standIn->m_bReady =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProgIdKey, 0, KEY_READ | kProgIdView, left.Receive()) != ERROR_SUCCESS;
    return standIn;
}

CMediaPlayerStandIn::~CMediaPlayerStandIn()
{
    DeleteTree(kProgIdKey, kProgIdView);
    m_saved->Write(HKEY_LOCAL_MACHINE, kProgIdKey, kProgIdView);
    const CString classKey = ClassKey();
    DeleteTree(classKey, kClassView);
}
