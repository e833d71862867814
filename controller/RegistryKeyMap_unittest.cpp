#include "controller/RegistryKeyMap.h"
#include "classlib/Handles.h"
#include "controller/OruUtil.h"
#include "support/Registry.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

namespace
{
const wchar_t kTestKey[] = L"Software\\VantolinTests\\RegistryKeyMap";

RegistryKey TestEntry(const wchar_t* pszSubKey, const wchar_t* pszValue)
{
    RegistryKey entry;
    entry.hRoot = HKEY_CURRENT_USER;
    entry.strKeyPath = CString(kTestKey) + L"\\" + pszSubKey;
    entry.strValueName = pszValue;
    return entry;
}

bool KeyExists(const CString& path)
{
    CScopedRegKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

class RegistryKeyMapTest : public ::testing::Test
{
protected:
    void SetUp() override { COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, kTestKey); }
};
}

TEST_F(RegistryKeyMapTest, ValuesAreReadWrittenAndDeletedByNumber)
{
    CRegistryKeyMap map(10);
    map.SetAt(1, TestEntry(L"Product", L"Launch"));
    map.SetAt(2, TestEntry(L"Product", L"Other"));
    map.SetAt(3, TestEntry(L"Product", L""));
    map.SetAt(4, TestEntry(L"Absent", L"Launch"));

    CString value = L"stale";
    EXPECT_FALSE(GetRegStringValue(map, 1, value)) << "absent value";
    EXPECT_EQ(L"", value);

    ASSERT_TRUE(SetRegStringValue(map, 1, L"C:\\Program Files\\Vantolin\\Vantolin.exe /hidden"));
    ASSERT_TRUE(SetRegStringValue(map, 2, L""));
    EXPECT_TRUE(GetRegStringValue(map, 1, value));
    EXPECT_EQ(L"C:\\Program Files\\Vantolin\\Vantolin.exe /hidden", value);
    EXPECT_TRUE(GetRegStringValue(map, 2, value));
    EXPECT_EQ(L"", value);

    // Not a string: the read fails and leaves nothing behind.
    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, CString(kTestKey) + L"\\Product", L"Other", 1, nullptr, 0));
    value = L"stale";
    EXPECT_FALSE(GetRegStringValue(map, 2, value));
    EXPECT_EQ(L"", value);

    EXPECT_TRUE(DeleteRegistryKey(map, 1));
    EXPECT_FALSE(GetRegStringValue(map, 1, value));
    EXPECT_TRUE(DeleteRegistryKey(map, 1)) << "an absent value counts as deleted";
    EXPECT_FALSE(DeleteRegistryKey(map, 4)) << "an absent key does not";

    // A key entry takes its subkeys with it; an absent key counts as deleted.
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, CString(kTestKey) + L"\\Product\\Admin\\1", L"Command", REG_SZ,
                               L"x.exe", nullptr, 0));
    EXPECT_TRUE(DeleteRegistryKey(map, 3));
    EXPECT_FALSE(KeyExists(CString(kTestKey) + L"\\Product"));
    EXPECT_TRUE(DeleteRegistryKey(map, 3));
}

TEST_F(RegistryKeyMapTest, AddingUnderAPresentNumberReplacesTheEntry)
{
    CRegistryKeyMap map(10);
    map.SetAt(5, TestEntry(L"A", L"V"));
    map.SetAt(5, TestEntry(L"B", L"V"));
    ASSERT_TRUE(SetRegStringValue(map, 5, L"b"));
    EXPECT_FALSE(KeyExists(CString(kTestKey) + L"\\A"));
    EXPECT_TRUE(KeyExists(CString(kTestKey) + L"\\B"));
}

TEST(RegistryKeyMap, ProductTableKnowsSixteenNumbersAndFollowsTheGeneration)
{
    CTraceCapture capture(L"registrykeymap_missing");
    CRegistryKeyMap map(10);
    map.Fill(L"2012");

    for (DWORD id = 0; id <= 17; ++id)
    {
        RegistryKey entry;
        EXPECT_EQ(id != 8 && id != 17, map.Lookup(id, entry)) << id;
        if (id != 8 && id != 17)
        {
            EXPECT_EQ(HKEY_LOCAL_MACHINE, entry.hRoot) << id;
        }
    }
    CString value;
    for (DWORD id : { 8u, 17u })
    {
        EXPECT_FALSE(GetRegStringValue(map, id, value));
        EXPECT_FALSE(SetRegStringValue(map, id, L"x"));
        EXPECT_FALSE(DeleteRegistryKey(map, id));
    }
    const CString log = capture.Text();
    for (const wchar_t* line : { L"GetRegStringValue: 8 is missing", L"SetRegStringValue: 8 is missing",
                                 L"DeleteRegistryKey: 8 is missing", L"GetRegStringValue: 17 is missing",
                                 L"SetRegStringValue: 17 is missing", L"DeleteRegistryKey: 17 is missing" })
        EXPECT_TRUE(Contains(log, line)) << CString(line).ToNarrow();

    // The RunOnce value of a continuation is absent here: deleting it succeeds.
    EXPECT_TRUE(DeleteRegistryKey(map, 0));

    map.FillGenerationEntries(L"9108q");
    const struct
    {
        DWORD id;
        const wchar_t* key;
        const wchar_t* value;
    } expected[] = {
        { 1, L"SOFTWARE\\Quillmark\\Vantolin_9108q\\Common", L"AffiliateId" },
        { 6, L"Software\\Quillmark\\Vantolin_9108q", L"Launch" },
        { 7, L"Software\\Quillmark\\Vantolin_9108q", L"LaunchUSB" },
        { 9, L"SOFTWARE\\Quillmark\\Vantolin_9108q\\Common", L"InstalledVantolinView" },
        { 3, L"Software\\Quillmark\\ORU_Vantolin", L"" },
        { 0, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", L"RunOruInstaller" },
    };
    for (const auto& e : expected)
    {
        RegistryKey entry;
        ASSERT_TRUE(map.Lookup(e.id, entry));
        EXPECT_EQ(CString(e.key), entry.strKeyPath) << e.id;
        EXPECT_EQ(CString(e.value), entry.strValueName) << e.id;
    }
}
