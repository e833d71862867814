#include "GdiplusPicture.h"

#include "classlib/Handles.h"
#include "support/PathUtil.h"
#include "support/TraceLog.h"

namespace
{
// The flat API's types, as far as this file uses them.
struct GdiplusStartupInput
{
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
typedef int GpStatus; // 0: Ok
struct GpBitmap;

struct GdiplusCalls
{
    GpStatus(WINAPI* pStartup)(ULONG_PTR* pToken, const GdiplusStartupInput* pInput, void* pOutput);
    void(WINAPI* pShutdown)(ULONG_PTR token);
    GpStatus(WINAPI* pCreateBitmapFromFile)(const WCHAR* pszFile, GpBitmap** ppBitmap);
    GpStatus(WINAPI* pCreateHBITMAPFromBitmap)(GpBitmap* pBitmap, HBITMAP* phBitmap, DWORD background);
    GpStatus(WINAPI* pDisposeImage)(GpBitmap* pImage);
};

template <typename T>
bool Bind(HMODULE hModule, const char* pszName, T& rFunction)
{
    rFunction = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(hModule, pszName)));
    return rFunction != nullptr;
}

bool BindAll(HMODULE hModule, GdiplusCalls& rCalls)
{
    return Bind(hModule, "GdiplusStartup", rCalls.pStartup) && Bind(hModule, "GdiplusShutdown", rCalls.pShutdown) &&
           Bind(hModule, "GdipCreateBitmapFromFile", rCalls.pCreateBitmapFromFile) &&
           Bind(hModule, "GdipCreateHBITMAPFromBitmap", rCalls.pCreateHBITMAPFromBitmap) &&
           Bind(hModule, "GdipDisposeImage", rCalls.pDisposeImage);
}

bool FileExists(const CString& path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The session of GDI+ lives as long as the decoding of one file.
class CGdiplusSession
{
public:
    explicit CGdiplusSession(const GdiplusCalls& calls) : m_calls(calls)
    {
        GdiplusStartupInput input = { 1, nullptr, FALSE, FALSE };
        m_bStarted = m_calls.pStartup(&m_token, &input, nullptr) == 0;
    }
    ~CGdiplusSession()
    {
        if (m_bStarted)
            m_calls.pShutdown(m_token);
    }
    CGdiplusSession(const CGdiplusSession&) = delete;
    CGdiplusSession& operator=(const CGdiplusSession&) = delete;
    bool IsStarted() const { return m_bStarted; }

private:
    const GdiplusCalls& m_calls;
    ULONG_PTR m_token = 0;
    bool m_bStarted = false;
};
}

CString FindGdiplusLibrary()
{
    wchar_t folder[MAX_PATH] = {};
    const UINT nLength = GetSystemDirectoryW(folder, MAX_PATH);
    if (nLength && nLength < MAX_PATH)
    {
        const CString path = BuildPath(folder, L"gdiplus", L"dll");
        if (FileExists(path))
            return path;
    }
    const UINT nWindows = GetWindowsDirectoryW(folder, MAX_PATH);
    if (!nWindows || nWindows >= MAX_PATH)
        return CString();
    CString store = folder;
    AppendPathPart(store, L"WinSxS");
    CString pattern = store;
    AppendPathPart(pattern, L"x86_Microsoft.Windows.GdiPlus_6595b64144ccf1df_*");
    WIN32_FIND_DATAW found = {};
    CScopedFindHandle hFind(FindFirstFileW(pattern, &found));
    if (!hFind.IsValid())
        return CString();
    // The assembly folders are named by version: the greatest name is the newest one.
    CString newest;
    do
    {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        CString candidate = store;
        AppendPathPart(candidate, found.cFileName);
        AppendPathPart(candidate, L"gdiplus.dll");
        if (FileExists(candidate) && (newest.IsEmpty() || _wcsicmp(candidate, newest) > 0))
            newest = candidate;
    } while (FindNextFileW(hFind.Get(), &found));
    return newest;
}

bool CGdiplusPicture::Load(const wchar_t* pszPath)
{
    const CString library = FindGdiplusLibrary();
    if (library.IsEmpty())
    {
        Trace(TRACE_ERROR, L"CGdiplusPicture::Load -- gdiplus.dll not found");
        return false;
    }
    CScopedLibrary hGdiplus(LoadLibraryExW(library, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    GdiplusCalls calls = {};
    if (!hGdiplus.IsValid() || !BindAll(hGdiplus.Get(), calls))
    {
        Trace(TRACE_ERROR, L"CGdiplusPicture::Load -- cannot use [%s]", library.GetString());
        return false;
    }
    CGdiplusSession session(calls);
    if (!session.IsStarted())
    {
        Trace(TRACE_ERROR, L"CGdiplusPicture::Load -- GdiplusStartup() failed");
        return false;
    }
    GpBitmap* pBitmap = nullptr;
    if (calls.pCreateBitmapFromFile(pszPath, &pBitmap) != 0 || !pBitmap)
    {
        Trace(TRACE_WARNING, L"CGdiplusPicture::Load -- cannot decode [%s]", pszPath);
        return false;
    }
    HBITMAP hBitmap = nullptr;
    const GpStatus status = calls.pCreateHBITMAPFromBitmap(pBitmap, &hBitmap, 0xFFFFFFFF);
    calls.pDisposeImage(pBitmap);
    if (status != 0 || !hBitmap)
    {
        Trace(TRACE_WARNING, L"CGdiplusPicture::Load -- no bitmap from [%s]", pszPath);
        return false;
    }
    Attach(hBitmap);
    return true;
}
