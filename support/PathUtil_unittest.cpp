#include "support/PathUtil.h"
#include "support/ProxySettings.h"
#include "support/Registry.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

TEST(PathUtil, SplitNeverOverrunsAndJoinsBack)
{
    const struct
    {
        const wchar_t* path;
        const wchar_t *drive, *folder, *name, *ext;
    } cases[] = {
        { L"C:\\a\\b\\file.tar.gz", L"C:", L"\\a\\b\\", L"file.tar", L".gz" },
        { L"C:/a/file", L"C:", L"/a/", L"file", L"" },
        { L"file.txt", L"", L"", L"file", L".txt" },
        { L"\\\\server\\share\\x.y", L"", L"\\\\server\\share\\", L"x", L".y" },
        { L"D:", L"D:", L"", L"", L"" },
        { L"", L"", L"", L"", L"" },
    };
    for (const auto& c : cases)
    {
        CString drive, folder, name, ext;
        SplitPath(c.path, drive, folder, name, ext);
        EXPECT_EQ(CString(c.drive), drive) << CString(c.path).ToNarrow();
        EXPECT_EQ(CString(c.folder), folder) << CString(c.path).ToNarrow();
        EXPECT_EQ(CString(c.name), name) << CString(c.path).ToNarrow();
        EXPECT_EQ(CString(c.ext), ext) << CString(c.path).ToNarrow();
        EXPECT_EQ(CString(c.drive) + c.folder, GetFolderOfPath(c.path));
    }
    // Parts longer than the runtime's buffers are cut, never written past them.
    const CString longName(L'n', 400);
    CString drive, folder, name, ext;
    SplitPath(L"C:\\" + CString(L'f', 300) + L"\\" + longName + L"." + CString(L'e', 300), drive, folder, name, ext);
    EXPECT_EQ(L"C:", drive);
    EXPECT_EQ(255, folder.GetLength());
    EXPECT_EQ(255, name.GetLength());
    EXPECT_EQ(255, ext.GetLength());
}

TEST(PathUtil, SamePathIgnoresCaseSlashesAndOneTrailingBackslash)
{
    const struct
    {
        const wchar_t *a, *b;
        bool same;
    } cases[] = {
        { L"C:\\a", L"c:\\a\\", true },   { L"C:/A/", L"c:\\a\\", true }, { L"C:/A", L"c:\\a\\", true },
        { L"  C:\\a ", L"C:\\A", true }, { L"C:\\a", L"C:\\ab", false }, { L"C:\\a\\b", L"C:\\a", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.same, IsSamePath(c.a, c.b)) << CString(c.a).ToNarrow() << " / " << CString(c.b).ToNarrow();
}

TEST(PathUtil, JoiningPutsOneBackslashAtTheSeam)
{
    const struct
    {
        const wchar_t *path, *part, *joined;
    } cases[] = {
        { L"C:\\a\\", L"\\b", L"C:\\a\\b" }, { L"C:\\a", L"b", L"C:\\a\\b" }, { L"C:\\a\\", L"b", L"C:\\a\\b" },
        { L"C:\\a", L"\\b", L"C:\\a\\b" },   { L"", L"b", L"b" },
    };
    for (const auto& c : cases)
    {
        CString path(c.path);
        AppendPathPart(path, c.part);
        EXPECT_EQ(CString(c.joined), path);
    }
    EXPECT_EQ(L"C:\\a\\name.txt", BuildPath(L"C:\\a", L"name", L"txt"));
    EXPECT_EQ(L"name", BuildPath(nullptr, L"name", nullptr));
    EXPECT_EQ(L"C:\\a", RemoveTrailingBackslashes(L"C:\\a\\\\\\"));
    CString path(L"x");
    AppendBackslash(path);
    AppendBackslash(path);
    EXPECT_EQ(L"x\\", path);
    CString empty;
    AppendBackslash(empty);
    EXPECT_EQ(L"", empty);
    EXPECT_EQ(L"C:\\", GetSystemDriveRoot());
}

TEST(PathUtil, TextHelpers)
{
    EXPECT_FALSE(StartsWithNoCase(L"", L""));
    EXPECT_FALSE(StartsWithNoCase(L"abc", L""));
    EXPECT_TRUE(StartsWithNoCase(L"ABCdef", L"abc"));
    EXPECT_FALSE(StartsWithNoCase(L"ab", L"abc"));

    CStringArray parts;
    SplitString(L"a;b;", L";", parts);
    ASSERT_EQ(3, parts.GetSize());
    EXPECT_EQ(L"a", parts[0]);
    EXPECT_EQ(L"b", parts[1]);
    EXPECT_EQ(L"", parts[2]);
    SplitString(L"a::b", L"::", parts);
    EXPECT_EQ(2, parts.GetSize());
    SplitString(L"", L";", parts);
    EXPECT_EQ(0, parts.GetSize());

    EXPECT_EQ(L"7 x", FormatString(L"%d %s", 7, L"x"));
    CString text(L"a");
    AppendAnsiText(text, "bc");
    EXPECT_EQ(L"abc", text);
}

TEST(ProxySettings, HttpEntryOfTheProxyServerValue)
{
    const struct
    {
        const wchar_t *value, *proxy;
    } cases[] = {
        { L"http=proxy1:8080;https=proxy2:8443", L"proxy1:8080" },
        { L"https=proxy2:8443;ftp=proxy3:21", L"" },
        { L" proxy4:3128 ", L"proxy4:3128" },
        { L"ftp=a:1;http=b:2", L"b:2" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString(c.proxy), ExtractHttpProxy(c.value)) << CString(c.value).ToNarrow();
}

// The user's Internet settings of the test prefix; the test puts back what it found.
TEST(ProxySettings, ModesAndTheUsersInternetSettings)
{
    const wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    DWORD savedEnable = 0;
    const bool hadEnable = ReadRegDword(HKEY_CURRENT_USER, kKey, L"ProxyEnable", savedEnable, 0);
    DWORD savedType = 0;
    CString savedServer;
    const bool hadServer = ReadRegString(HKEY_CURRENT_USER, kKey, L"ProxyServer", savedType, savedServer, 0);

    CProxySettings& settings = GetProxySettings();
    settings.Set(2, L"");
    EXPECT_EQ(L"", settings.GetProxy()) << "an empty explicit proxy is a direct connection";
    settings.Set(2, L"explicit:1");
    EXPECT_EQ(L"explicit:1", settings.GetProxy());
    settings.Set(7, L"explicit:1");
    EXPECT_EQ(L"", settings.GetProxy());

    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kKey, L"ProxyEnable", 1, nullptr, 0));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kKey, L"ProxyServer", REG_SZ, L"http=proxy1:8080;https=p2:1", nullptr, 0));
    settings.Set(1, L"");
    EXPECT_EQ(L"proxy1:8080", settings.GetProxy());
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kKey, L"ProxyEnable", REG_SZ, L"1", nullptr, 0));
    EXPECT_EQ(L"", GetIEProxy()) << "ProxyEnable as text is not enabled";
    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kKey, L"ProxyEnable", 0, nullptr, 0));
    EXPECT_EQ(L"", GetIEProxy());
    settings.Set(0, L"");

    if (hadEnable)
        WriteRegDword(HKEY_CURRENT_USER, kKey, L"ProxyEnable", savedEnable, nullptr, 0);
    if (hadServer)
        WriteRegString(HKEY_CURRENT_USER, kKey, L"ProxyServer", savedType, savedServer, nullptr, 0);
    else
    {
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS)
        {
            RegDeleteValueW(hKey, L"ProxyServer");
            RegCloseKey(hKey);
        }
    }
}
