#include "classlib/Handles.h"
#include "controller/OruUtil.h"
#include "support/Registry.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

namespace
{
const wchar_t kTestKey[] = L"Software\\VantolinTests\\OruUtil";
const wchar_t kNdp[] = L"Software\\VantolinTests\\OruUtil\\NDP";

void SetDword(const wchar_t* pszVersionKey, const wchar_t* pszValue, DWORD value)
{
    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, CString(kNdp) + L"\\" + pszVersionKey, pszValue, value, nullptr, 0));
}

class OruUtilTest : public ::testing::Test
{
protected:
    void SetUp() override { COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, kTestKey); }
};
}

TEST_F(OruUtilTest, DotNetVersionsByWindowsVersion)
{
    // What a machine has installed: each framework's Install and SP values.
    SetDword(L"v2.0.50727", L"Install", 1);
    SetDword(L"v2.0.50727", L"SP", 1);
    SetDword(L"v3.0", L"Install", 1);
    SetDword(L"v3.0", L"SP", 2);
    SetDword(L"v3.5", L"SP", 1);
    SetDword(L"v4\\Full", L"Install", 1);
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, CString(kNdp) + L"\\v3.5", L"Install", REG_SZ, L"1", nullptr, 0));

    const struct
    {
        const char* system;
        bool vista, win7;
        BOOL v20, v30, v35, v40;
    } cases[] = {
        // XP: 2.0 with service pack 1 counts as missing; 3.5 is judged by its SP value.
        { "xp", false, false, FALSE, TRUE, TRUE, TRUE },
        // Vista: 2.0 and 3.0 by Install, 3.5 still by SP.
        { "vista", true, false, TRUE, TRUE, TRUE, TRUE },
        // Windows 7: 3.5 by Install, which is not a number here.
        { "win7", false, true, TRUE, TRUE, FALSE, TRUE },
    };
    for (const auto& c : cases)
    {
        BOOL v20 = 7, v30 = 7, v35 = 7, v40 = 7;
        COruUtil::DetectDotNetVersionsAt(HKEY_CURRENT_USER, kNdp, c.vista, c.win7, &v20, &v30, &v35, &v40);
        EXPECT_EQ(c.v20, v20) << c.system;
        EXPECT_EQ(c.v30, v30) << c.system;
        EXPECT_EQ(c.v35, v35) << c.system;
        EXPECT_EQ(c.v40, v40) << c.system;
    }

    COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, kNdp);
    SetDword(L"v4\\Full", L"Install", 0);
    BOOL v20 = 7, v30 = 7, v35 = 7, v40 = 7;
    COruUtil::DetectDotNetVersionsAt(HKEY_CURRENT_USER, kNdp, false, true, &v20, &v30, &v35, &v40);
    EXPECT_EQ(FALSE, v20 | v30 | v35 | v40) << "nothing installed, Install=0 below the minimum";
}

TEST_F(OruUtilTest, DeletingKeysAndValues)
{
    CTraceCapture capture(L"oruutil_delete");
    const CString product = CString(kTestKey) + L"\\Product";
    EXPECT_TRUE(COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, product)) << "an absent key counts as deleted";
    EXPECT_FALSE(COruUtil::DeleteRegistryValue(HKEY_CURRENT_USER, product, L"Launch"));

    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, product + L"\\Admin\\1", L"Command", REG_SZ, L"x", nullptr, 0));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, product, L"Launch", REG_SZ, L"x", nullptr, 0));
    EXPECT_TRUE(COruUtil::DeleteRegistryValue(HKEY_CURRENT_USER, product, L"Launch"));
    EXPECT_TRUE(COruUtil::DeleteRegistryValue(HKEY_CURRENT_USER, product, L"Launch"));
    EXPECT_EQ(L"", GetRegString(HKEY_CURRENT_USER, product, L"Launch", 0));
    EXPECT_TRUE(COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, product));
    EXPECT_EQ(L"", GetRegString(HKEY_CURRENT_USER, product + L"\\Admin\\1", L"Command", 0));
    EXPECT_FALSE(Contains(capture.Text(), L"COruUtil::DeleteRegistryKey")) << "nothing to report";
}

// Wine cannot report an older service pack to one program: the versions it cannot show are here.
TEST(OruUtil, SystemRequirements)
{
    const struct
    {
        bool xpFamily;
        int servicePack;
        bool xpOrLater;
        bool ok;
        const char* what;
    } cases[] = {
        { true, 1, true, false, "XP SP1" },
        { true, 0, true, false, "XP x64 without a service pack" },
        { true, 2, true, true, "XP SP2" },
        { false, 0, true, true, "Server 2003 without a service pack" },
        { false, 4, false, false, "2000 SP4" },
        { false, 0, true, true, "Vista" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.ok, COruUtil::MeetsSystemRequirements(c.xpFamily, c.servicePack, c.xpOrLater)) << c.what;
}

TEST(OruUtil, SupportedLanguagesByMode)
{
    const struct
    {
        int mode;
        const wchar_t* codes;
    } cases[] = { { 0, L"en de fr ja zh " }, { 1, L"en de fr es it ja pt zh " }, { 2, L"en " }, { -1, L"en " } };
    for (const auto& c : cases)
    {
        CStringArray codes;
        codes.Add(L"stale");
        COruUtil::GetSupportedLanguages(codes, c.mode);
        CString joined;
        for (const CString& code : codes)
            joined += code + L" ";
        EXPECT_EQ(CString(c.codes), joined) << c.mode;
    }
}

// The reboot flag of Windows Update lives in the 64-bit registry; this 32-bit program must look
// there, not in its own view. Its own key name keeps it apart from everything else in the prefix.
TEST(OruUtil, PendingRebootIsSeenInTheSixtyFourBitView)
{
    const wchar_t kAutoUpdate[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update";
    const CString flag = CString(kAutoUpdate) + L"\\RebootRequired";
    const REGSAM view64 = COruUtil::Is64BitOS() ? KEY_WOW64_64KEY : 0;
    ASSERT_FALSE(COruUtil::IsRebootPending()) << "the prefix has no pending reboot";

    ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, flag, L"VantolinTests", 1, nullptr, view64));
    EXPECT_TRUE(COruUtil::IsRebootPending());
    CScopedRegKey parent;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAutoUpdate, 0, KEY_ALL_ACCESS | view64, parent.Receive()));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(parent.Get(), L"RebootRequired"));
    EXPECT_FALSE(COruUtil::IsRebootPending());

    if (view64)
    {
        // The same key in this program's own view is not a pending reboot.
        ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, flag, L"VantolinTests", 1, nullptr, 0));
        EXPECT_FALSE(COruUtil::IsRebootPending());
        CScopedRegKey parent32;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAutoUpdate, 0, KEY_ALL_ACCESS, parent32.Receive()));
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(parent32.Get(), L"RebootRequired"));
    }
}
