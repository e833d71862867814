#pragma once
// The product's update and usage-statistics library, bound by import. This folder holds a
// stand-in with the same interface (see refresh_rt.cpp).

#include <windows.h>

#ifdef REFRESH_RT_BUILD
#define REFRESH_RT_API __declspec(dllexport)
#else
#define REFRESH_RT_API __declspec(dllimport)
#endif

class QMConfig;
class CQMModule;

// Product edition as the library knows it; 0 when none is chosen.
enum eVantolinViews
{
    eVantolinViewNone = 0,
    eVantolinView1 = 1,
    eVantolinView2 = 2,
    eVantolinView3 = 3,
    eVantolinView4 = 4,
    eVantolinView5 = 5
};

class IUsageStatistics
{
public:
    virtual ~IUsageStatistics() {}
    virtual void SetStringValue(const wchar_t* pszKey, const wchar_t* pszValue) = 0;
    virtual void SetIntValue(const wchar_t* pszKey, int nValue) = 0;
    // Sends what was recorded since the last send.
    virtual bool Send() = 0;
};

// Answers of QueryUpdateStatus.
enum
{
    UPDATE_STATUS_NO_INTERNET = -1,
    UPDATE_STATUS_NONE = 0,
    UPDATE_STATUS_OFFER = 1,
    UPDATE_STATUS_DOWNLOAD = 3
};

class IUpdateDLL
{
public:
    virtual void SetProductEdition(int nEdition) = 0;
    virtual void SetProductVersion(const wchar_t* pszVersion) = 0;
    virtual int QueryUpdateStatus() = 0;

protected:
    // Owned by the library: callers never delete it.
    virtual ~IUpdateDLL() {}
};

class REFRESH_RT_API CUsageStatisticsFactory
{
public:
    static IUsageStatistics* GetUsageStatisticsInstance(eVantolinViews edition, QMConfig* pConfig, CQMModule* pModule, bool bEnabled);
};

class REFRESH_RT_API CUpdate
{
public:
    static IUpdateDLL* GetUpdateInstance(eVantolinViews edition, QMConfig* pConfig, CQMModule* pModule, bool bEnabled);
};

// The edition handed to the library for a product view: 1 to 5 as they are, anything else 0.
inline eVantolinViews ViewToEdition(int view)
{
    return view >= 1 && view <= 5 ? static_cast<eVantolinViews>(view) : eVantolinViewNone;
}
