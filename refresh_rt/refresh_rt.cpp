// Stand-in for the product's refresh_rt library, for tests and the demo.
//
// Update status: [Update] Status= in refresh_rt.ini next to the DLL (absent: 0, no newer product).
// Every call is appended as one UTF-8 line to refresh_rt_calls.txt next to the DLL, so that a
// test can read what the controller recorded and sent.

#define REFRESH_RT_BUILD
#include "refresh_rt.h"
#include "config/QMConfig.h"
#include "config/QMModule.h"
#include "classlib/Handles.h"
#include "classlib/String.h"

#include <cstdlib>

namespace
{
CString DllFolder()
{
    HMODULE hSelf = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&DllFolder), &hSelf);
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(hSelf, path, MAX_PATH);
    CString folder(path);
    return folder.Left(folder.ReverseFind(L'\\') + 1);
}

void Record(const wchar_t* pszFormat, ...)
{
    CString line;
    va_list args;
    va_start(args, pszFormat);
    line.FormatV(pszFormat, args);
    va_end(args);
    line.Replace(L'\r', L' ');
    line.Replace(L'\n', L' ');
    line += L"\n";
    const std::string utf8 = line.ToNarrow(CP_UTF8);

    CScopedFileHandle file(CreateFileW(DllFolder() + L"refresh_rt_calls.txt", FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written;
    if (file.IsValid())
        WriteFile(file.Get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

// What the library keeps of the module descriptor: a copy (the caller may free its own).
struct CModuleCopy
{
    explicit CModuleCopy(const CQMModule* pModule)
        : product(pModule ? pModule->GetProduct() : CString()), generation(pModule ? pModule->GetEdition() : CString()) {}
    CString product;
    CString generation;
};

// Like the library itself, the statistics object keeps the addresses of the module descriptor
// and the store it was given and reads them up to its release: both must outlive it.
class CUsageStatisticsStandIn : public IUsageStatistics
{
public:
    CUsageStatisticsStandIn(eVantolinViews edition, QMConfig* pConfig, const CQMModule* pModule, bool bEnabled)
        : m_pConfig(pConfig), m_pModule(pModule)
    {
        const CModuleCopy module(pModule);
        Record(L"GetUsageStatisticsInstance edition=%d product=%s generation=%s enabled=%d", edition,
               module.product.GetString(), module.generation.GetString(), bEnabled ? 1 : 0);
    }
    ~CUsageStatisticsStandIn() override
    {
        Record(L"ReleaseUsageStatistics");
        const CModuleCopy module(m_pModule);
        Record(L"ReleaseUsageStatistics read product=%s generation=%s store=%s", module.product.GetString(),
               module.generation.GetString(), m_pConfig ? m_pConfig->GetLocalRoot().GetString() : L"");
    }
    void SetStringValue(const wchar_t* pszKey, const wchar_t* pszValue) override
    {
        Record(L"SetStringValue %s=%s", pszKey ? pszKey : L"", pszValue ? pszValue : L"");
    }
    void SetIntValue(const wchar_t* pszKey, int nValue) override { Record(L"SetIntValue %s=%d", pszKey ? pszKey : L"", nValue); }
    bool Send() override
    {
        Record(L"Send");
        return true;
    }

private:
    QMConfig* m_pConfig;
    const CQMModule* m_pModule;
};

class CUpdateStandIn : public IUpdateDLL
{
public:
    void Reset(eVantolinViews edition, const CQMModule* pModule)
    {
        m_module = CModuleCopy(pModule);
        Record(L"GetUpdateInstance edition=%d product=%s generation=%s", edition, m_module.product.GetString(),
               m_module.generation.GetString());
    }
    void SetProductEdition(int nEdition) override { Record(L"SetProductEdition %d", nEdition); }
    void SetProductVersion(const wchar_t* pszVersion) override { Record(L"SetProductVersion %s", pszVersion ? pszVersion : L""); }
    int QueryUpdateStatus() override
    {
        // Read as text: the profile API's integer reader turns negative values into 0.
        wchar_t text[32] = {};
        GetPrivateProfileStringW(L"Update", L"Status", L"0", text, 32, DllFolder() + L"refresh_rt.ini");
        const int status = static_cast<int>(wcstol(text, nullptr, 10));
        Record(L"QueryUpdateStatus %d", status);
        return status;
    }
    // The library keeps its one update object for the life of the process.
    ~CUpdateStandIn() override = default;

private:
    CModuleCopy m_module{nullptr};
};
}

IUsageStatistics* CUsageStatisticsFactory::GetUsageStatisticsInstance(eVantolinViews edition, QMConfig* pConfig, CQMModule* pModule, bool bEnabled)
{
    return new CUsageStatisticsStandIn(edition, pConfig, pModule, bEnabled);
}

IUpdateDLL* CUpdate::GetUpdateInstance(eVantolinViews edition, QMConfig*, CQMModule* pModule, bool)
{
    static CUpdateStandIn* s_pUpdate = new CUpdateStandIn();
    s_pUpdate->Reset(edition, pModule);
    return s_pUpdate;
}
