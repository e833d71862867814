#include "refresh_rt/refresh_rt.h"
#include "config/QMModule.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
// The stand-in keeps its files next to the DLL, which this program loads from its own folder.
CString Calls()
{
    return ReadUtf8File(BinFolder() + L"refresh_rt_calls.txt");
}
}

TEST(RefreshRtStandIn, UpdateStatusComesFromTheIniFile)
{
    const CString ini = BinFolder() + L"refresh_rt.ini";
    CQMModule module(L"Vantolin", L"2011");
    IUpdateDLL* pUpdate = CUpdate::GetUpdateInstance(eVantolinView2, nullptr, &module, true);
    ASSERT_NE(nullptr, pUpdate);

    DeleteFileW(ini);
    EXPECT_EQ(UPDATE_STATUS_NONE, pUpdate->QueryUpdateStatus());
    const struct
    {
        const char* value;
        int status;
    } cases[] = { { "1", 1 }, { "3", 3 }, { "-1", -1 }, { "7", 7 }, { "none", 0 } };
    for (const auto& c : cases)
    {
        WriteTextFile(ini, std::string("[Update]\r\nStatus=") + c.value + "\r\n");
        EXPECT_EQ(c.status, pUpdate->QueryUpdateStatus()) << c.value;
    }
    DeleteFileW(ini);
    // One object for the process: a second request gives the same one.
    EXPECT_EQ(pUpdate, CUpdate::GetUpdateInstance(eVantolinViewNone, nullptr, &module, true));
}

TEST(RefreshRtStandIn, RecordsEveryCallAndReadsItsModuleUpToItsRelease)
{
    DeleteFileW(BinFolder() + L"refresh_rt_calls.txt");
    std::unique_ptr<CQMModule> pModule(new CQMModule(L"Vantolin", L"2012"));
    std::unique_ptr<IUsageStatistics> pStats(
        CUsageStatisticsFactory::GetUsageStatisticsInstance(eVantolinView5, nullptr, pModule.get(), true));
    ASSERT_NE(nullptr, pStats);

    pStats->SetStringValue(L"InstallationStep", L"ORU_START");
    pStats->SetStringValue(L"Lang", L"\u65e5\u672c\r\nsecond line");
    pStats->SetIntValue(L"InstallationReturnCode", 12);
    EXPECT_TRUE(pStats->Send());
    pStats.reset();
    pModule.reset(); // only after the release: the library keeps its address

    EXPECT_EQ(CString(L"GetUsageStatisticsInstance edition=5 product=Vantolin generation=2012 enabled=1\n"
                      L"SetStringValue InstallationStep=ORU_START\n"
                      L"SetStringValue Lang=\u65e5\u672c  second line\n"
                      L"SetIntValue InstallationReturnCode=12\n"
                      L"Send\n"
                      L"ReleaseUsageStatistics\n"
                      L"ReleaseUsageStatistics read product=Vantolin generation=2012 store=\n"),
              Calls());
}

TEST(RefreshRtStandIn, ViewMapsToEdition)
{
    const struct
    {
        int view;
        eVantolinViews edition;
    } cases[] = { { -1, eVantolinViewNone }, { 0, eVantolinViewNone }, { 1, eVantolinView1 },
                  { 5, eVantolinView5 },     { 6, eVantolinViewNone }, { 100, eVantolinViewNone } };
    for (const auto& c : cases)
        EXPECT_EQ(c.edition, ViewToEdition(c.view)) << c.view;
}
