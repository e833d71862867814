#include "support/SystemInfo.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

TEST(SystemInfo, OSNames)
{
    const DWORD nt = VER_PLATFORM_WIN32_NT, w9x = VER_PLATFORM_WIN32_WINDOWS;
    const struct
    {
        DWORD platform, major, minor, build;
        const wchar_t* sp;
        const wchar_t* name;
    } cases[] = {
        { nt, 6, 2, 9200, L"", L"Windows 8, build 9200" },
        { nt, 6, 3, 9600, L"", L"Windows 6.3, build 9600" },
        { nt, 6, 1, 7601, L"Service Pack 1", L"Windows 7, Service Pack 1, build 7601" },
        { nt, 6, 0, 6002, L"Service Pack 2", L"Windows Vista, Service Pack 2, build 6002" },
        { nt, 5, 1, 2600, L"Service Pack 1", L"Windows XP, Service Pack 1, build 2600" },
        { nt, 5, 2, 3790, L"", L"Windows Server 2003, build 3790" },
        { nt, 5, 0, 2195, L"", L"Windows 2000, build 2195" },
        { nt, 4, 7, 1381, L"", L"Windows NT 4.0, build 1381" },
        { nt, 3, 51, 1057, L"", L"Windows NT 3.51, build 1057" },
        { nt, 10, 0, 19045, L"", L"Windows 10.0, build 19045" },
        { w9x, 4, 0, 950, L"", L"Windows 95, build 950" },
        { w9x, 4, 10, 2222, L"A", L"Windows 98, A, build 2222" },
        { w9x, 4, 90, 3000, L"", L"Windows Millennium, build 3000" },
        { w9x, 4, 3, 1, L"", L"Windows 4.3, build 1" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString(c.name), BuildOSName(c.platform, c.major, c.minor, c.build, c.sp));
}

TEST(SystemInfo, XPFamilyAndServicePackText)
{
    const DWORD nt = VER_PLATFORM_WIN32_NT;
    const WORD x86 = PROCESSOR_ARCHITECTURE_INTEL, x64 = PROCESSOR_ARCHITECTURE_AMD64;
    const struct
    {
        DWORD platform, major, minor;
        BYTE type;
        WORD arch;
        bool xp;
        const char* what;
    } cases[] = {
        { nt, 5, 1, VER_NT_WORKSTATION, x86, true, "XP" },
        { nt, 5, 2, VER_NT_WORKSTATION, x64, true, "XP x64" },
        { nt, 5, 2, VER_NT_SERVER, x64, false, "Server 2003 x64" },
        { nt, 5, 2, VER_NT_SERVER, x86, false, "Server 2003" },
        { nt, 5, 0, VER_NT_WORKSTATION, x86, false, "2000" },
        { nt, 6, 0, VER_NT_WORKSTATION, x86, false, "Vista" },
        { VER_PLATFORM_WIN32_WINDOWS, 5, 1, 0, x86, false, "not NT" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.xp, IsXPFamilyVersion(c.platform, c.major, c.minor, c.type, c.arch)) << c.what;

    EXPECT_EQ(L"No Service Pack installed", BuildServicePackText(L"", 0, 0));
    EXPECT_EQ(L"Service Pack 3 - Version: 3.0", BuildServicePackText(L"Service Pack 3", 3, 0));
}

TEST(SystemInfo, ThisMachine)
{
    EXPECT_TRUE(IsWindowsNT());
    EXPECT_FALSE(GetUserLoginName().IsEmpty());
    EXPECT_TRUE(Contains(GetOSName(), L", build ")) << GetOSName().ToNarrow();
    EXPECT_GT(GetSystemTimeIncrementUs(), 0);
}
