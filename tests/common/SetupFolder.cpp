#include "SetupFolder.h"

#include "ControllerRun.h"
#include "ProcessRun.h"
#include "TestArea.h"
#include "support/FolderTree.h"

#include <msi.h>

#include <string>
#include <vector>

const wchar_t kSetupGeneration[] = L"9111i";
const wchar_t kSetupController[] = L"VantolinSetupXP.exe";
const wchar_t kSetupLauncher[] = L"VantolinSetup__AB12 (1).exe";
const wchar_t kSetupCommonKey[] = L"SOFTWARE\\Quillmark\\Vantolin_9111i\\Common";

CString Between(const CString& text, const wchar_t* pszStart, const wchar_t* pszEnd)
{
    const int a = text.Find(pszStart);
    if (a < 0)
        return L"<none>";
    const int start = a + static_cast<int>(wcslen(pszStart));
    const int b = text.Find(pszEnd, start);
    return b < 0 ? text.Mid(start) : text.Mid(start, b - start);
}

void ClearGenerationLogs()
{
    const CString folder = ControllerLogFolder(kSetupGeneration);
    for (const CString& name : ListFiles(folder + L"Log_oru_*.txt"))
        DeleteFileW(folder + name);
}

CString ReadGenerationLogs()
{
    const CString folder = ControllerLogFolder(kSetupGeneration);
    CString text;
    for (const CString& name : ListFiles(folder + L"Log_oru_*.txt"))
        text += ReadUtf16File(folder + name);
    return text;
}

void RemoveInstalledProducts()
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    std::vector<std::wstring> codes;
    wchar_t code[39] = {};
    for (DWORD i = 0; MsiEnumProductsW(i, code) == ERROR_SUCCESS; ++i)
    {
        wchar_t name[64] = {};
        DWORD n = 64;
        if (MsiGetProductInfoW(code, INSTALLPROPERTY_PRODUCTNAME, name, &n) == ERROR_SUCCESS && wcscmp(name, L"Vantolin") == 0)
            codes.push_back(code);
    }
    for (const std::wstring& product : codes)
        EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS),
                  MsiConfigureProductW(product.c_str(), INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT))
            << CString(product.c_str()).ToNarrow();
}

void RemoveRestartCopy()
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const CString copy = CString(temp) + L"Quillmark\\Installer";
    if (copy.Left(3).CompareNoCase(L"C:\\") == 0)
        RemoveDirectoryRec(copy);
}

void CSetupFolderTest::SetUp()
{
    ASSERT_TRUE(SetWineVersionFor(kSetupController, L"winxp"));
    RemoveInstalledProducts();
}

void CSetupFolderTest::TearDown()
{
    RemoveInstalledProducts();
}

CString CSetupFolderTest::PrepareFolder(const wchar_t* pszName, const char* pszIni, const wchar_t* pszArchive)
{
    const CString folder = PrepareControllerFolder(pszName, kSetupGeneration, pszIni, kSetupController);
    EXPECT_TRUE(CopyFileW(BinFolder() + L"..\\fixtures\\steps\\" + pszArchive + L"\\VantolinSetupArchive.exe",
                          folder + L"VantolinSetupArchive.exe", FALSE));
    // In the cleanup program's place: a program that records how it was started.
    EXPECT_TRUE(CopyInto(L"SetupArchive.exe", folder, L"VantolinSetupCleanup.exe"));
    for (const wchar_t* name : { L"PostStepA", L"PostStepB" })
    {
        EXPECT_TRUE(CopyInto(L"StandIn.exe", folder, CString(name) + L".exe"));
        WriteTextFile(folder + name + L".ini", "[StandIn]\r\nExitCode=0\r\n");
    }
    EXPECT_TRUE(CopyInto(L"Launcher.exe", folder, kSetupLauncher));
    WriteTextFile(folder + L"VantolinSetup__AB12 (1).ini", "[Launcher]\r\nProgram=VantolinSetupXP.exe\r\n");
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSetupCommonKey, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS)
    {
        RegDeleteValueW(hKey, L"AffiliateId");
        RegDeleteValueW(hKey, L"InstalledVantolinView");
        RegCloseKey(hKey);
    }
    return folder;
}
