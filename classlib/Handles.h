#pragma once
// Owners of Win32 handles: each closes its handle once, in its destructor.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <utility>

template <typename T, typename Traits>
class CScopedResource
{
public:
    CScopedResource() : m_h(Traits::Invalid()) {}
    explicit CScopedResource(T h) : m_h(h) {}
    ~CScopedResource() { Close(); }
    CScopedResource(const CScopedResource&) = delete;
    CScopedResource& operator=(const CScopedResource&) = delete;
    CScopedResource(CScopedResource&& o) noexcept : m_h(o.Detach()) {}
    CScopedResource& operator=(CScopedResource&& o) noexcept
    {
        if (this != &o)
            Reset(o.Detach());
        return *this;
    }

    bool IsValid() const { return Traits::IsValid(m_h); }
    explicit operator bool() const { return IsValid(); }
    T Get() const { return m_h; }
    void Reset(T h = Traits::Invalid())
    {
        if (IsValid())
            Traits::Close(m_h);
        m_h = h;
    }
    void Close() { Reset(); }
    T Detach()
    {
        T h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    // For out-parameters of Win32 calls: closes what is held and gives the slot.
    T* Receive()
    {
        Reset();
        return &m_h;
    }

private:
    T m_h;
};

struct CKernelHandleTraits // handles that use NULL as "none" (processes, threads, mutexes)
{
    static HANDLE Invalid() { return nullptr; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct CFileHandleTraits // CreateFile handles (INVALID_HANDLE_VALUE as "none")
{
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct CFindHandleTraits
{
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
struct CRegKeyTraits
{
    static HKEY Invalid() { return nullptr; }
    static bool IsValid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct CLibraryTraits
{
    static HMODULE Invalid() { return nullptr; }
    static bool IsValid(HMODULE h) { return h != nullptr; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
struct CGdiObjectTraits
{
    static HGDIOBJ Invalid() { return nullptr; }
    static bool IsValid(HGDIOBJ h) { return h != nullptr; }
    static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
struct CMemoryDCTraits // CreateCompatibleDC contexts
{
    static HDC Invalid() { return nullptr; }
    static bool IsValid(HDC h) { return h != nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
struct CGlobalMemoryTraits
{
    static HGLOBAL Invalid() { return nullptr; }
    static bool IsValid(HGLOBAL h) { return h != nullptr; }
    static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
struct CWindowTraits
{
    static HWND Invalid() { return nullptr; }
    static bool IsValid(HWND h) { return h != nullptr; }
    static void Close(HWND h) { ::DestroyWindow(h); }
};
struct CLocalMemoryTraits // LocalAlloc blocks the system hands out (security descriptors, SID texts)
{
    static HLOCAL Invalid() { return nullptr; }
    static bool IsValid(HLOCAL h) { return h != nullptr; }
    static void Close(HLOCAL h) { ::LocalFree(h); }
};

struct CTaskTextTraits // texts COM hands out (StringFromCLSID, ...)
{
    static LPOLESTR Invalid() { return nullptr; }
    static bool IsValid(LPOLESTR p) { return p != nullptr; }
    static void Close(LPOLESTR p) { ::CoTaskMemFree(p); }
};
struct CBstrTraits
{
    static BSTR Invalid() { return nullptr; }
    static bool IsValid(BSTR s) { return s != nullptr; }
    static void Close(BSTR s) { ::SysFreeString(s); }
};
template <typename I>
struct CComInterfaceTraits // one reference of a COM interface
{
    static I* Invalid() { return nullptr; }
    static bool IsValid(I* p) { return p != nullptr; }
    static void Close(I* p) { p->Release(); }
};

typedef CScopedResource<HANDLE, CKernelHandleTraits> CScopedHandle;
typedef CScopedResource<HANDLE, CFileHandleTraits> CScopedFileHandle;
typedef CScopedResource<HANDLE, CFindHandleTraits> CScopedFindHandle;
typedef CScopedResource<HKEY, CRegKeyTraits> CScopedRegKey;
typedef CScopedResource<HMODULE, CLibraryTraits> CScopedLibrary;
typedef CScopedResource<HGDIOBJ, CGdiObjectTraits> CScopedGdiObject;
typedef CScopedResource<HDC, CMemoryDCTraits> CScopedMemoryDC;
typedef CScopedResource<HGLOBAL, CGlobalMemoryTraits> CScopedGlobalMemory;
typedef CScopedResource<HWND, CWindowTraits> CScopedWindow;
typedef CScopedResource<HLOCAL, CLocalMemoryTraits> CScopedLocalMemory;
typedef CScopedResource<LPOLESTR, CTaskTextTraits> CScopedTaskText;
typedef CScopedResource<BSTR, CBstrTraits> CScopedBstr;
template <typename I>
using CScopedInterface = CScopedResource<I*, CComInterfaceTraits<I>>;
