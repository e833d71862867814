// The controller's command line as the built program reads it: the exact strings people, the
// product and the controller itself pass, and the wizard choices a restart brings back.

#include "tests/common/ControllerRun.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <vector>

namespace
{
const wchar_t kOruKey[] = L"Software\\Quillmark\\ORU_Vantolin";

CString LogLine(const wchar_t* pszText)
{
    return CString(L"-->: ") + pszText + L"\r\n";
}

void ExpectInLog(const CString& log, const std::vector<const wchar_t*>& parts, bool present, const CString& args)
{
    for (const wchar_t* part : parts)
        EXPECT_EQ(present, Contains(log, part)) << CString(part).ToNarrow() << " for: " << args.ToNarrow();
}

void WriteRestartEntry(const wchar_t* pszName, const wchar_t* pszValue)
{
    CScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kOruKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                             key.Receive(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                                            static_cast<DWORD>((wcslen(pszValue) + 1) * sizeof(wchar_t))));
}
}

TEST(CommandLineRun, SwitchesAsTheControllerReadsThem)
{
    const struct
    {
        const wchar_t* args;
        std::vector<const wchar_t*> present;
        std::vector<const wchar_t*> absent;
    } cases[] = {
        // A bare quickmode turns quick mode off; lang 0 or text leaves the language to the locale.
        { L"-quickmode /lang:0 /view",
          { L"-->: -quickmode\r\n", L"-->: -lang=0\r\n", L"-->: -view\r\n", L"quickmode=0 view=0 lang=0 pid=0 silent=0" },
          {} },
        { L"/quickmode:1 /lang:de -view:3 /pid:77 /silent /force_dotnet",
          { L"quickmode=1 view=3 lang=0 pid=77 silent=1 force_dotnet=1 update=0" }, {} },
        { L"", { L"quickmode=1 view=-1 lang=0 pid=0 silent=0 force_dotnet=0 update=0" }, { L"-->: -quickmode" } },
        { L"/lang:70000", { L"ERR: CoruApp::ReadCommandLine : ignoring the language [70000]: not a language id",
                            L"quickmode=1 view=-1 lang=0 " }, {} },
        // Given twice: the last one counts.
        { L"/lang:de -lang:1036 /quickmode:0 -quickmode:1", { L"-->: -lang=1036\r\n", L"quickmode=1 view=-1 lang=1036 " },
          { L"-->: -lang=de" } },
        { L"-a:b:c positional", { L"-->: -a=b:c\r\n", L"-->: file[0] = positional\r\n" }, {} },
        // The product asks for an update of its folder, written with forward slashes.
        { L"\"/update:D:/tests/cmdline run/Vantolin 9/\"",
          { L"update=1\r\n", L"install folder [D:\\tests\\cmdline run\\Vantolin 9]\r\n", L"integrate=0 ",
            L" import=0\r\n" },
          {} },
        { L"/update:", { L"update=0\r\n", L"Vantolin\\Vantolin 9]\r\n", L" import=1\r\n" }, {} },
        // A quote would end inside the package's property line: the folder is refused.
        { L"/update:D:\\a\\\"b",
          { L"ERR: CoruApp::ReadCommandLine : ignoring the update folder [D:\\a\"b]: it holds a double quote",
            L"update=0\r\n" },
          {} },
        { L"/update:/", { L"ERR: CoruApp::ReadCommandLine : ignoring the update folder: it names no folder", L"update=0\r\n" },
          {} },
        // Outside the self-update hand-over the folder is not taken (the quoted folder ends in a
        // backslash, as the hand-over writes it).
        { L"/pid:5 /module_dir:\"D:\\tests\\cmdline run\\new copy\\\"",
          { L"-->: -pid=5\r\n", L"WRN: CoruApp::ReadCommandLine : ignoring /module_dir:[D:\\tests\\cmdline run\\new copy]: not the older copy's folder" },
          { L"program folder [D:\\tests\\cmdline run\\new copy\\] " } },
        // As the continuation after a reboot builds it, but at a folder no elevated run made in
        // the temporary folder: the choices come back, the folder is not taken.
        { L"/restart:VCRedistRestart /lang:1031 /quickmode:1 /extract_dir:\"D:\\tests\\e2e_cmdline_fixture\\extract_9108q\\\"",
          { L"-->: -restart=VCRedistRestart\r\n", L"quickmode=1 view=-1 lang=1031 ",
            L"WRN: CoruApp::ReadCommandLine : ignoring /extract_dir:[D:\\tests\\e2e_cmdline_fixture\\extract_9108q]: not an extraction folder in the temporary folder",
            L"integrate=0 common=1 none=0 custom=0 [C:\\] encoder=1 usage_stats=1 import=1\r\n" },
          { L"WRN: Cannot find .msi file", L"extraction folder [D:\\tests\\e2e_cmdline_fixture\\extract_9108q] ",
            L"QMConfigImplementation::SetRoot: root [Vantolin_9108q]" } },
    };
    int n = 0;
    for (const auto& c : cases)
    {
        CString generation;
        generation.Format(L"9201c%d", n++);
        const CString folder = PrepareControllerFolder(L"e2e_cmdline", generation);
        // The run removes its extraction folder at the end: it gets a copy of the fixture.
        CopyExtractFixture(L"e2e_cmdline_fixture");
        const CControllerRun run = RunController(folder, generation, c.args, L"VantolinSetup.exe", IDOK);
        EXPECT_EQ(2u, run.exitCode) << CString(c.args).ToNarrow();
        EXPECT_TRUE(Contains(run.log, L"-->: cmdline:\r\n")) << CString(c.args).ToNarrow();
        ExpectInLog(run.log, c.present, true, c.args);
        ExpectInLog(run.log, c.absent, false, c.args);
    }
}

TEST(CommandLineRun, RestartBringsBackTheWizardChoices)
{
    const struct
    {
        const wchar_t* args;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> entries;
        const wchar_t* installFolder; // null: the default folder
        const wchar_t* choices;
    } cases[] = {
        { L"/restart:DotNetRestart",
          { { L"RestartInstallDir", L"D:\\Restored\\Vantolin" },
            { L"RestartIntegrateMusicLib", L"1" },
            { L"RestartCommonMusicLibDir", L"0" },
            { L"RestartCustomMusicLibDir", L"E:\\Music" },
            { L"RestartDownloadLame", L"0" },
            { L"RestartSendUsageStats", L"0" },
            { L"RestartImportSettings", L"0" } },
          L"D:\\Restored\\Vantolin", L"integrate=1 common=0 none=0 custom=1 [E:\\Music] encoder=0 usage_stats=0 import=0" },
        // Only the common folder turned off: no music folder at all.
        { L"/restart:VCRedistRestart", { { L"RestartCommonMusicLibDir", L"0" } }, nullptr,
          L"integrate=0 common=0 none=1 custom=0 [C:\\] encoder=1 usage_stats=1 import=1" },
        // Empty entries count as absent; any value but "1" is off.
        { L"/restart:Other",
          { { L"RestartInstallDir", L"" }, { L"RestartCommonMusicLibDir", L"1" }, { L"RestartDownloadLame", L"" },
            { L"RestartSendUsageStats", L"yes" } },
          nullptr, L"integrate=0 common=1 none=0 custom=0 [C:\\] encoder=1 usage_stats=0 import=1" },
        // Without a restart reason the entries are not read.
        { L"/quickmode:1", { { L"RestartInstallDir", L"D:\\Restored" }, { L"RestartSendUsageStats", L"0" } }, nullptr,
          L"integrate=0 common=1 none=0 custom=0 [C:\\] encoder=1 usage_stats=1 import=1" },
    };
    int n = 0;
    for (const auto& c : cases)
    {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kOruKey);
        for (const auto& e : c.entries)
            WriteRestartEntry(e.first, e.second);
        CString generation;
        generation.Format(L"9202r%d", n++);
        const CString folder = PrepareControllerFolder(L"e2e_restart_choices", generation);
        const CControllerRun run = RunController(folder, generation, c.args, L"VantolinSetup.exe", IDOK);
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kOruKey);

        EXPECT_EQ(2u, run.exitCode);
        const CString installLine =
            c.installFolder ? CString(L"install folder [") + c.installFolder + L"]\r\n" : CString(L"\\Vantolin\\Vantolin 9]\r\n");
        EXPECT_TRUE(Contains(run.log, installLine)) << CString(c.args).ToNarrow() << "\n" << run.log.ToNarrow();
        EXPECT_TRUE(Contains(run.log, CString(L"music library ") + c.choices + L"\r\n")) << CString(c.args).ToNarrow();
    }
}
