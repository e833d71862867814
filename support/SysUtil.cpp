#include "SysUtil.h"

#include "TraceLog.h"

#include "classlib/Handles.h"
#include "classlib/Sync.h"

#include <objbase.h>
#include <psapi.h>
#include <sddl.h>
#include <vector>

namespace
{
// The system's message for the code, as the system gives it (usually ending in a line break).
CString SystemMessage(DWORD code)
{
    CString text;
    wchar_t* pMsg = nullptr;
    if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&pMsg), 0,
                       nullptr))
    {
        text = pMsg;
        LocalFree(pMsg);
    }
    return text;
}
}

CString GetLastErrorText()
{
    const DWORD err = GetLastError();
    CString text;
    text.Format(L"%u: ", err);
    return text + SystemMessage(err);
}

CString GetSystemErrorText(DWORD code)
{
    CString text = SystemMessage(code);
    text.TrimRight(L"\r\n");
    text.AppendFormat(L" (%d)", static_cast<int>(code));
    return text;
}

CString GetLastSystemErrorText()
{
    return GetSystemErrorText(GetLastError());
}

bool IsWow64()
{
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto pfn = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return pfn && pfn(GetCurrentProcess(), &wow64) && wow64;
}

CString FormatGuid(const GUID& g)
{
    CString text;
    text.Format(L"%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

bool CreateGuidString(CString& rGuid)
{
    GUID guid;
    if (FAILED(CoCreateGuid(&guid)))
        return false;
    rGuid = FormatGuid(guid);
    return true;
}

CString GetModuleFolder(HMODULE hModule)
{
    wchar_t path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameW(hModule, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return CString();
    CString folder(path);
    const int sep = folder.ReverseFind(L'\\');
    return sep < 0 ? CString() : folder.Left(sep);
}

CString GetModuleFilePath()
{
    wchar_t path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    return n == 0 || n > MAX_PATH ? CString() : CString(path);
}

CString GetModuleFileNameOnly()
{
    const CString path = GetModuleFilePath();
    return path.Mid(path.ReverseFind(L'\\') + 1);
}

bool GetFileVersionString(CString& rVersion, const wchar_t* pszPath)
{
    rVersion.Empty();
    DWORD dummy = 0;
    const DWORD size = GetFileVersionInfoSizeW(pszPath, &dummy);
    if (size == 0)
        return false;
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* pInfo = nullptr;
    UINT len = 0;
    if (!GetFileVersionInfoW(pszPath, 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&pInfo), &len) || !pInfo || len < sizeof(*pInfo))
        return false;
    rVersion.Format(L"%d.%d.%d.%d", HIWORD(pInfo->dwFileVersionMS), LOWORD(pInfo->dwFileVersionMS),
                    HIWORD(pInfo->dwFileVersionLS), LOWORD(pInfo->dwFileVersionLS));
    return true;
}

bool GetModuleVersionString(CString& rVersion)
{
    return GetFileVersionString(rVersion, GetModuleFilePath());
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool WaitPumpingMessages(HANDLE hObject, DWORD maxMs)
{
    const DWORD result = MsgWaitForMultipleObjects(hObject ? 1 : 0, hObject ? &hObject : nullptr, FALSE, maxMs, QS_ALLINPUT);
    PumpMessages();
    return hObject && (result == WAIT_OBJECT_0 || WaitForSingleObject(hObject, 0) == WAIT_OBJECT_0);
}

void GetUniqueLocalTime(SYSTEMTIME& rTime)
{
    static CCriticalSection s_lock;
    static SYSTEMTIME s_last = {};
    CSingleLock lock(&s_lock, true);
    SYSTEMTIME now;
    GetLocalTime(&now);
    // The day of the week follows from the date, so the whole record compares the fields that count.
    while (memcmp(&now, &s_last, sizeof(now)) == 0)
    {
        Sleep(1);
        GetLocalTime(&now);
    }
    s_last = now;
    rTime = now;
}

const wchar_t* GetExeFolder()
{
    static CString s_folder;
    if (s_folder.IsEmpty())
    {
        s_folder = GetModuleFolder(nullptr);
        if (s_folder.IsEmpty())
            return nullptr;
        s_folder += L'\\';
    }
    return s_folder.GetString();
}

bool GetModuleFileNameString(CString& rPath)
{
    rPath = GetModuleFilePath();
    return !rPath.IsEmpty();
}

bool GetProcessImagePath(CString& rName)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetProcessImageFileNameW(GetCurrentProcess(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    const wchar_t* pSep = wcsrchr(path, L'\\');
    rName = pSep ? pSep + 1 : path;
    return true;
}

namespace
{
// Calls match for each process of a snapshot until it returns true.
template <typename MatchFn>
bool FindInSnapshot(MatchFn match)
{
    CScopedFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry))
        if (match(entry))
            return true;
    return false;
}
}

bool FindProcessEntry(DWORD pid, PROCESSENTRY32W& rEntry)
{
    return FindInSnapshot([&](const PROCESSENTRY32W& entry) {
        if (entry.th32ProcessID != pid)
            return false;
        rEntry = entry;
        return true;
    });
}

bool FindProcessByExeName(const wchar_t* pszExeName, DWORD& rPid)
{
    return FindInSnapshot([&](const PROCESSENTRY32W& entry) {
        if (wcscmp(entry.szExeFile, pszExeName) != 0)
            return false;
        rPid = entry.th32ProcessID;
        return true;
    });
}

void ForceWindowToForeground(HWND hWnd, int showCommand)
{
    Trace(TRACE_INFO, L"Forcing window with handle 0x%08X to the foreground", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(hWnd)));
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD windowThread = GetWindowThreadProcessId(hWnd, nullptr);
    if (foregroundThread == windowThread)
        return;
    AttachThreadInput(foregroundThread, windowThread, TRUE);
    SetForegroundWindow(hWnd);
    BringWindowToTop(hWnd);
    if (showCommand != -1)
        ShowWindow(hWnd, showCommand);
    AttachThreadInput(foregroundThread, windowThread, FALSE);
}

bool CreateAllUsersSecurityAttributes(SECURITY_ATTRIBUTES& rAttributes)
{
    rAttributes.nLength = sizeof(SECURITY_ATTRIBUTES);
    rAttributes.bInheritHandle = FALSE;
    rAttributes.lpSecurityDescriptor = nullptr;
    // Users and Power Users read and set values of this key alone (KEY_READ | KEY_SET_VALUE):
    // a subkey, a registry link or a changed list of theirs would reach whoever reads the key.
    return ConvertStringSecurityDescriptorToSecurityDescriptorW(
               L"D:(A;CIIO;GA;;;CO)(A;OICI;GA;;;SY)(A;OICI;GA;;;BA)(A;;0x2001b;;;PU)(A;;0x2001b;;;BU)", SDDL_REVISION_1,
               &rAttributes.lpSecurityDescriptor, nullptr) != FALSE;
}
