#include "config/GenerationNames.h"
#include "controller/OruSettings.h"
#include "controller/OruUtil.h"
#include "controller/PortableConfig.h"
#include "controller/SetupCommandLines.h"
#include "controller/SetupHelpers.h"
#include "support/CmdLineParser.h"
#include "support/FileUtil.h"
#include "support/PathUtil.h"
#include "support/Registry.h"
#include "tests/common/FolderOwnerAnswer.h"
#include "tests/common/TraceCapture.h"
#include "workers/PostInstallationStepsUtil.h"

#include <gtest/gtest.h>
#include <shellapi.h>

namespace
{
const wchar_t kTestKey[] = L"Software\\VantolinTests\\SetupHelpers";

class SetupHelpersTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "setuphelpers_"; }
};

// The arguments the runtime's rules give for a command line (what a started controller sees).
CStringArray Arguments(const CString& commandLine)
{
    CStringArray args;
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine, &n);
    for (int i = 0; argv && i < n; ++i)
        args.Add(argv[i]);
    LocalFree(argv);
    return args;
}

CString WriteUtf16Ini(const CString& path, const wchar_t* pszText)
{
    std::wstring text(L"\xFEFF");
    text += pszText;
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(h);
    return path;
}

CString ReadIni(const CString& path, const wchar_t* pszSection, const wchar_t* pszKey)
{
    wchar_t buffer[512] = {};
    GetPrivateProfileStringW(pszSection, pszKey, L"<none>", buffer, 512, path);
    return buffer;
}
}

TEST(SetupHelpers, AffiliateIdFromFileName)
{
    const struct
    {
        const wchar_t* path;
        const wchar_t* id;
    } cases[] = {
        { L"C:\\Downloads\\VantolinSetup__AB12 (1).exe", L"AB12 " },
        { L"C:\\Downloads\\VantolinSetup__AB12[2].exe", L"AB12" },
        { L"VantolinSetup__AB12.exe", L"AB12" },
        { L"Setup__abcd.exe", L"abcd" },
        { L"Setup__abc.exe", L"" },       // three characters are too few
        { L"__ABCD.exe", L"" },           // the separator starts the name
        { L"VantolinSetup_AB12.exe", L"" }, // one underscore only
        { L"VantolinSetup.exe", L"" },
        { L"Setup__ab_cdef.exe", L"" },   // the last underscore is a single one
        { L"", L"" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString(c.id), GetAffiliateIdFromFileName(c.path)) << CString(c.path).ToNarrow();
}

TEST(SetupHelpers, ResolveRelativePathCollapses)
{
    const struct
    {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        { L"C:\\a\\.\\b", L"C:\\a\\b" },
        { L"C:\\a\\b\\..\\c", L"C:\\a\\c" },
        { L"C:\\a\\b\\c\\..\\..\\d", L"C:\\a\\d" },
        { L"C:\\abc\\.\\..\\b", L"C:\\b" },
        { L"C:\\a\\..\\..\\..\\b", L"C:\\b" },  // never above the drive
        { L"C:\\a\\..", L"C:\\" },
        { L"C:/a/./b/", L"C:\\a\\b" },
        { L"\\\\server\\share\\..\\x", L"\\\\server\\share\\x" },
        { L"..\\a\\..\\b", L"..\\b" },          // a relative path keeps its leading ".."
        { L"C:\\v1.2\\setup", L"C:\\v1.2\\setup" },
        { L"D:\\plain\\", L"D:\\plain" },
    };
    for (const auto& c : cases)
    {
        CString path(c.in);
        ResolveRelativePath(path);
        EXPECT_EQ(CString(c.out), path) << CString(c.in).ToNarrow();
    }
}

TEST(SetupHelpers, RestartLineParsesBack)
{
    const wchar_t* folders[] = { L"C:\\temp dir\\", L"C:\\temp dir", L"D:\\T" };
    for (const wchar_t* folder : folders)
    {
        const CString line = BuildRestartCommandLine(folder, true, 1031, TRUE, L"C:\\T\\Temp SFX\\");
        const CStringArray args = Arguments(line);
        ASSERT_EQ(5, args.GetSize()) << line.ToNarrow();
        CString program(folder);
        AppendBackslash(program);
        EXPECT_EQ(program + GetProgramFileName(), args[0]) << "quoted: a blank in the folder stays in the path";
        EXPECT_EQ(CString(L"/extract_dir:C:\\T\\Temp SFX\\"), args[4]);

        CStringArray switches(args);
        switches.RemoveAt(0);
        CCmdLineParser parser;
        parser.Parse(switches);
        EXPECT_EQ(CString(L"VCRedistRestart"), parser.GetOption(L"restart"));
        EXPECT_EQ(1031, parser.GetIntOption(L"lang", 0));
        EXPECT_EQ(1, parser.GetIntOption(L"quickmode", 0));
        EXPECT_EQ(CString(L"C:\\T\\Temp SFX\\"), parser.GetOptionUnquoted(L"extract_dir"));
    }
    EXPECT_TRUE(Contains(BuildRestartCommandLine(L"C:\\x", false, 1033, FALSE, L"C:\\e"),
                         L" /restart:DotNetRestart /lang:1033 /quickmode:0 /extract_dir:\"C:\\e\""));

    // The archive's folder argument: doubled, the trailing backslash does not swallow the quote.
    const CStringArray archive = Arguments(L"x.exe -d" + QuoteArgument(L"C:\\T\\TempSFX\\") + L" -s");
    ASSERT_EQ(3, archive.GetSize());
    EXPECT_EQ(CString(L"-dC:\\T\\TempSFX\\"), archive[1]);
    EXPECT_EQ(CString(L"-s"), archive[2]);
}

TEST_F(SetupHelpersTest, DownloadAddressesEncodeEveryValue)
{
    const CString ini = m_folder + L"oru.ini";
    WritePrivateProfileStringW(L"General", L"url", L"http://mirror.example/retail/?", ini);
    WritePrivateProfileStringW(L"General", L"partnerID", L"p&1", ini);
    WritePrivateProfileStringW(L"General", L"generation", L"2011", ini);
    WritePrivateProfileStringW(L"General", L"vantolin_view", L"9", ini);
    WritePrivateProfileStringW(L"General", L"reg_type", L"2", ini);
    const CString url = BuildInstallerDownloadUrl(ini, L"A&B =#%1 ", L"3.0.1", 2);
    EXPECT_EQ(CString(L"http://mirror.example/retail/?productid=1&view=9&partnerid=p%261&package=2011"
                      L"&affiliate=A%26B%20%3D%23%251%20&regtype=2&version=3.0.1&installer=sfx&downloadTry=2"),
              url);

    // A base without "?" gets one; a base with a query of its own is continued.
    WritePrivateProfileStringW(L"General", L"url", L"http://mirror.example/retail/", ini);
    EXPECT_TRUE(StartsWithNoCase(BuildInstallerDownloadUrl(ini, L"", L"1", 1), L"http://mirror.example/retail/?productid=1&"));
    WritePrivateProfileStringW(L"General", L"url", L"http://mirror.example/r?x=1", ini);
    EXPECT_TRUE(StartsWithNoCase(BuildInstallerDownloadUrl(ini, L"", L"1", 1), L"http://mirror.example/r?x=1&productid=1&"));

    const CString oru = BuildOruDownloadUrl(ini, L"id id", L"3", 1);
    EXPECT_TRUE(Contains(oru, L"/oru/VantolinSetup.sfx.exe?productid=1&")) << oru.ToNarrow();
    EXPECT_TRUE(Contains(oru, L"&affiliate=id%20id&")) << oru.ToNarrow();
}

// The values come from the settings file and the name of a downloaded program: whatever they
// hold, each stays inside its own query value and reaches the server as it was.
TEST_F(SetupHelpersTest, DownloadAddressesKeepEveryValueWhole)
{
    const CString ini = m_folder + L"oru.ini";
    WritePrivateProfileStringW(L"General", L"url", L"http://mirror.example/retail/", ini);
    WritePrivateProfileStringW(L"General", L"vantolin_view", L"1", ini);
    WritePrivateProfileStringW(L"General", L"reg_type", L"0", ini);
    const struct
    {
        const wchar_t *partner, *generation, *affiliate, *version, *query;
    } cases[] = {
        { L"11082", L"2012.1", L"AB12 ", L"3.0.1",
          L"partnerid=11082&package=2012.1&affiliate=AB12%20&regtype=0&version=3.0.1" },
        { L"a+b", L"2012_1~x", L"+-!*'()", L"3 beta",
          L"partnerid=a%2Bb&package=2012_1~x&affiliate=%2B-%21%2A%27%28%29&regtype=0&version=3%20beta" },
        { L"p?q=r", L"x#y", L"a&view=2", L"1/2;3",
          L"partnerid=p%3Fq%3Dr&package=x%23y&affiliate=a%26view%3D2&regtype=0&version=1%2F2%3B3" },
        { L"\u00e9", L"\u20ac", L"\u65e5\u672c", L"\U0001F600",
          L"partnerid=%C3%A9&package=%E2%82%AC&affiliate=%E6%97%A5%E6%9C%AC&regtype=0&version=%F0%9F%98%80" },
    };
    for (const auto& c : cases)
    {
        WritePrivateProfileStringW(L"General", L"partnerID", c.partner, ini);
        WritePrivateProfileStringW(L"General", L"generation", c.generation, ini);
        const CString expected = CString(L"?productid=1&view=1&") + c.query + L"&installer=sfx&downloadTry=4";
        EXPECT_EQ(L"http://mirror.example/retail/" + expected, BuildInstallerDownloadUrl(ini, c.affiliate, c.version, 4))
            << CString(c.query).ToNarrow();
        EXPECT_EQ(L"http://127.0.0.1/oru/VantolinSetup.sfx.exe" + expected,
                  BuildOruDownloadUrl(ini, c.affiliate, c.version, 4))
            << CString(c.query).ToNarrow();
    }
}

TEST_F(SetupHelpersTest, MsiPropertyUpToFortyNineCharacters)
{
    const CString package = BinFolder() + L"..\\demo\\msi\\VantolinSetup.msi";
    ASSERT_TRUE(FileExists(package)) << package.ToNarrow();
    EXPECT_EQ(CString(L"0123456789012345678901234567890123456789012345678"), GetMsiProperty(package, L"TEST_VALUE_49"));
    EXPECT_EQ(CString(), GetMsiProperty(package, L"TEST_VALUE_50")) << "a value that does not fit reads as empty";
    EXPECT_EQ(CString(), GetMsiProperty(package, L"NO_SUCH_PROPERTY"));
    EXPECT_EQ(CString(), GetMsiProperty(m_folder + L"missing.msi", L"ProductVersion"));
    EXPECT_FALSE(GetMsiProperty(package, L"ProductVersion").IsEmpty());
}

TEST_F(SetupHelpersTest, PortableConfigFiles)
{
    const CString ini = m_folder + L"oru.ini";
    WritePrivateProfileStringW(L"General", L"generation", L"2012", ini);
    COruSettings::GetInstance().Read(ini);
    EXPECT_EQ(CString(L"Vantolin_2012_1_portable"), GetPortableFolderName(L"2012.1"));

    const wchar_t kUser[] = L"HKCU\\SOFTWARE\\Quillmark\\Vantolin_2012\\Common";
    const wchar_t kMachine[] = L"HKLM\\SOFTWARE\\Quillmark\\Vantolin_2012\\Common";
    const CString qm = WriteUtf16Ini(m_folder + L"QMConfig.ini", L"[Other]\r\nKey=Value\r\n");
    EXPECT_TRUE(AdaptQMConfig(qm, 1031, L"AB12", 9));
    EXPECT_EQ(CString(L"de"), ReadIni(qm, kUser, L"Language"));
    EXPECT_EQ(CString(L"AB12"), ReadIni(qm, kMachine, L"AffiliateId"));
    EXPECT_EQ(CString(L"9"), ReadIni(qm, kMachine, L"VantolinView"));
    EXPECT_EQ(CString(L"Value"), ReadIni(qm, L"Other", L"Key"));
    EXPECT_EQ(std::string("\xFF\xFE"), ReadBytes(qm).substr(0, 2)) << "the file stays UTF-16";

    const CString qm2 = WriteUtf16Ini(m_folder + L"QMConfig2.ini", L"[Other]\r\nKey=Value\r\n");
    EXPECT_TRUE(AdaptQMConfig(qm2, 1033, L"", -1));
    EXPECT_EQ(CString(L"en"), ReadIni(qm2, kUser, L"Language"));
    EXPECT_EQ(CString(L"<none>"), ReadIni(qm2, kMachine, L"AffiliateId"));
    EXPECT_EQ(CString(L"<none>"), ReadIni(qm2, kMachine, L"VantolinView"));
    EXPECT_FALSE(AdaptQMConfig(m_folder + L"missing.ini", 1033, L"x", 1));

    const CString start = WriteUtf16Ini(m_folder + L"StartVantolin.ini", L"[General]\r\nproduct_exe=Vantolin.exe\r\n");
    EXPECT_TRUE(AdaptStartAppConfig(start, 1036, L"E:\\Vantolin_2012_portable\\"));
    EXPECT_EQ(CString(L"1036"), ReadIni(start, L"General", L"language_id"));
    EXPECT_EQ(CString(L"Vantolin_2012_portable\\Vantolin.exe"), ReadIni(start, L"General", L"product_exe"));
    EXPECT_TRUE(AdaptStartAppConfig(start, 1036, L"E:\\vantolin_2012_PORTABLE\\"));
    EXPECT_EQ(CString(L"Vantolin_2012_portable\\Vantolin.exe"), ReadIni(start, L"General", L"product_exe"))
        << "a second patch does not add the folder again";
    const CString noExe = WriteUtf16Ini(m_folder + L"NoExe.ini", L"[General]\r\n");
    EXPECT_FALSE(AdaptStartAppConfig(noExe, 1036, L"E:\\x\\"));
    EXPECT_TRUE(Contains(Log(), L"AdaptStartAppConfig: product_exe dose not exist so no patch"));
    EXPECT_FALSE(AdaptStartAppConfig(m_folder + L"missing.ini", 1033, L"E:\\x\\"));
    EXPECT_TRUE(Contains(Log(), L"ERR: AdaptStartAppConfig file not exist ["));

    const CString launcher = m_folder + L"autorun.inf";
    WriteTextFile(launcher, "[autorun]\r\nopen=StartVantolin.exe\r\n");
    DeleteLauncherAutorun(launcher);
    EXPECT_FALSE(FileExists(launcher));
    WriteTextFile(launcher, "[autorun]\r\nopen=Other.exe\r\n");
    DeleteLauncherAutorun(launcher);
    EXPECT_TRUE(FileExists(launcher)) << "another program's autorun stays";
}

TEST(SetupHelpers, WindowPositionSavedAndRestored)
{
    HWND hPage = CreateWindowExW(0, L"STATIC", L"page", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(hPage);
    const RECT area = GetWorkAreaOfWindow(hPage);
    ASSERT_FALSE(IsRectEmpty(&area));

    DeleteWindowPosition();
    ASSERT_TRUE(RestoreWindowPosition(hPage));
    RECT rc = {};
    GetWindowRect(hPage, &rc);
    EXPECT_EQ(area.left + (area.right - area.left) / 2 - 100, rc.left) << "centred without a saved position";
    EXPECT_EQ(area.top + (area.bottom - area.top) / 2 - 50, rc.top);

    SaveWindowPosition(nullptr, 17, 23);
    ASSERT_TRUE(RestoreWindowPosition(hPage));
    GetWindowRect(hPage, &rc);
    EXPECT_EQ(area.left > 17 ? area.left : 17, rc.left);
    EXPECT_EQ(area.top > 23 ? area.top : 23, rc.top);

    SaveWindowPosition(nullptr, -400, -300);
    ASSERT_TRUE(RestoreWindowPosition(hPage));
    GetWindowRect(hPage, &rc);
    EXPECT_EQ(area.left, rc.left) << "never left of the work area";
    EXPECT_EQ(area.top, rc.top);

    DeleteWindowPosition();
    DWORD x = 0;
    EXPECT_FALSE(ReadRegDword(HKEY_LOCAL_MACHINE, L"Software\\Quillmark\\ORU_WindowPos", L"XPos", x, 0));
    DestroyWindow(hPage);
}

TEST_F(SetupHelpersTest, PostInstallationListFromRegistry)
{
    COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, kTestKey);
    const CString admin = CString(kTestKey) + L"\\Admin";
    CPostInstallationStepArray steps(3);
    EXPECT_FALSE(CPostInstallationStepsUtil::FillPostInstallationStepsForKey(HKEY_CURRENT_USER, admin, steps));
    EXPECT_TRUE(steps.empty());
    EXPECT_TRUE(Contains(Log(), L"CPostInstallationStepsUtil::FillPostInstallationStepsForKey failed for key ["));

    const struct
    {
        const wchar_t* name;
        const wchar_t* check;
        bool flag;
    } cases[] = { { L"1_first", L"1", true }, { L"2_second", L"true", false }, { L"3_third", L" 1", false },
                  { L"4_fourth", nullptr, false } };
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, admin, L"Unrelated", REG_SZ, L"x", nullptr, 0));
    EXPECT_TRUE(CPostInstallationStepsUtil::FillPostInstallationStepsForKey(HKEY_CURRENT_USER, admin, steps));
    EXPECT_TRUE(steps.empty()) << "an empty list is a list";
    for (const auto& c : cases)
    {
        const CString key = admin + L"\\" + c.name;
        ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, key, L"Command", REG_SZ, CString(L"C:\\") + c.name + L".exe", nullptr, 0));
        WriteRegString(HKEY_CURRENT_USER, key, L"CommandParams", REG_SZ, L"-hwndoru /x", nullptr, 0);
        WriteRegString(HKEY_CURRENT_USER, key, L"ProgressMessage", REG_SZ, L"Progress", nullptr, 0);
        if (c.check)
            WriteRegString(HKEY_CURRENT_USER, key, L"CheckReturnCode", REG_SZ, c.check, nullptr, 0);
    }
    ASSERT_TRUE(CPostInstallationStepsUtil::FillPostInstallationStepsForKey(HKEY_CURRENT_USER, admin, steps));
    ASSERT_EQ(4u, steps.size());
    for (size_t i = 0; i < steps.size(); ++i)
    {
        EXPECT_EQ(CString(cases[i].name), steps[i].m_strName);
        EXPECT_EQ(CString(L"C:\\") + cases[i].name + L".exe", steps[i].m_strCommand);
        EXPECT_EQ(CString(L"-hwndoru /x"), steps[i].m_strCommandParams);
        EXPECT_EQ(CString(L"Progress"), steps[i].m_strProgressMessage);
        EXPECT_EQ(CString(), steps[i].m_strExtraMessage) << "a missing value reads as empty";
        EXPECT_EQ(cases[i].flag, steps[i].m_bCheckReturnCode) << steps[i].m_strName.ToNarrow();
    }
    COruUtil::DeleteRegistryKey(HKEY_CURRENT_USER, kTestKey);
}

TEST_F(SetupHelpersTest, UninstallerCommandSplit)
{
    const CString blank = m_folder + L"Program Files\\Vantolin Uninstall.exe";
    CreateDirectoryW(m_folder + L"Program Files", nullptr);
    WriteTextFile(blank, "x");
    const struct
    {
        CString line, program, arguments;
    } cases[] = {
        { L"\"" + blank + L"\" /S /v:\"a b\"", blank, L"/S /v:\"a b\"" },
        { blank, blank, L"" },
        { blank + L" /S", blank, L"/S" },
        { L"MsiExec.exe /X{6F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}", L"MsiExec.exe", L"/X{6F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}" },
        { L"  msiexec /x {GUID}  ", L"msiexec", L"/x {GUID}" },
        { L"C:\\missing dir\\un.exe /S", L"C:\\missing dir\\un.exe /S", L"" },
        { L"\"C:\\unterminated", L"C:\\unterminated", L"" },
    };
    for (const auto& c : cases)
    {
        CString program, arguments;
        SplitProgramAndArguments(c.line, program, arguments);
        EXPECT_EQ(c.program, program) << c.line.ToNarrow();
        EXPECT_EQ(c.arguments, arguments) << c.line.ToNarrow();
    }
}

// /extract_dir: and /module_dir: aim the elevated run's deletes and its self-update: only the
// controller's own command lines may carry them, for folders it made. Wine shows every folder
// as this user's, so the owner is answered here as Windows gives it.
TEST_F(SetupHelpersTest, SwitchesNamingFoldersCountOnlyInTheControllersOwnCommandLines)
{
    const CString temp = m_folder + L"temp";
    const CString own = temp + L"\\" + kExtractFolderName;
    const CString fresh = own + L"00a1b2";
    const CString run = own + L"\\run5c3d";
    const CString product = m_folder + L"Other Product";
    for (const CString& folder : { own, fresh, run, product, temp + L"\\Other", product + L"\\run1" })
        ASSERT_TRUE(CreateFolderTree(folder, nullptr)) << folder.ToNarrow();
    CFolderOwnerAnswer owner;
    const struct
    {
        const wchar_t* owner;
        CString folder;
        const wchar_t* reason;
        bool bTaken;
        const wchar_t* line;
    } extractCases[] = {
        { L"S-1-5-32-544", own, L"VCRedistRestart", true, nullptr },
        { L"S-1-5-18", fresh + L"\\", L"DotNetRestart", true, nullptr },
        // The run's own folder inside the extraction folder, as the continuation names it.
        { L"S-1-5-32-544", run + L"\\", L"VCRedistRestart", true, nullptr },
        { L"S-1-5-32-544", product + L"\\run1", L"VCRedistRestart", false, L"not an extraction folder" },
        { L"S-1-5-32-544", own, L"", false, L"only a continuation names its extraction folder" },
        // Another product's folder is the Administrators' too: it is no extraction folder.
        { L"S-1-5-32-544", product, L"VCRedistRestart", false, L"not an extraction folder in the temporary folder" },
        { L"S-1-5-32-544", temp + L"\\Other", L"VCRedistRestart", false, L"not an extraction folder" },
        { L"S-1-5-32-544", own + L"\\..\\..\\Other Product", L"VCRedistRestart", false, L"not an extraction folder" },
        { L"S-1-5-32-544", temp + L"\\TempSFXmissing", L"VCRedistRestart", false, L"no folder, or a link" },
        // Any program of the user's, elevated or not, can have made a folder the user owns.
        { L"S-1-5-21-1111-2222-3333-1001", own, L"VCRedistRestart", false, L"a folder owned by " },
    };
    for (const auto& c : extractCases)
    {
        SCOPED_TRACE(c.folder.ToNarrow() + " " + CString(c.reason).ToNarrow());
        CFolderOwnerAnswer::Set(c.owner);
        EXPECT_EQ(c.bTaken, IsOwnExtractFolder(c.folder, c.reason, temp + L"\\"));
        if (c.line)
        {
            EXPECT_TRUE(Contains(Log(), L"WRN: CoruApp::ReadCommandLine : ignoring /extract_dir:[" + c.folder + L"]: " + c.line))
                << Log().ToNarrow();
        }
    }

    // The newer copy runs from <older copy's folder>\OruUpdate\ and names that older folder.
    const CString older = m_folder + L"old copy";
    const CString newer = older + L"\\OruUpdate";
    const struct
    {
        CString folder;
        const wchar_t* reason;
        CString program;
        bool bTaken;
    } moduleCases[] = {
        { older, L"Update", newer, true },
        { older + L"\\", L"Update", newer + L"\\", true },
        { older, L"UpdateReady", older, true },
        { product, L"Update", newer, false },
        { older, L"", newer, false },
        { older, L"VCRedistRestart", newer, false },
        { product, L"Update", product + L"\\OruUpdate\\..", false },
        { newer, L"UpdateReady", older, false },
    };
    for (const auto& c : moduleCases)
    {
        SCOPED_TRACE(c.folder.ToNarrow() + " " + CString(c.reason).ToNarrow());
        EXPECT_EQ(c.bTaken, IsOlderCopyFolder(c.folder, c.reason, c.program));
        EXPECT_EQ(!c.bTaken, Contains(Log(), L"WRN: CoruApp::ReadCommandLine : ignoring /module_dir:[" + c.folder + L"]"));
    }
}
