// The controller's switches, read once during start-up.

#include "CoruApp.h"
#include "RegistryKeyMap.h"
#include "SetupCommandLines.h"

#include "config/SettingsKeys.h"
#include "support/CmdLineParser.h"
#include "support/FileUtil.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"

#include <cstdlib>
#include <memory>

namespace
{
int ToInt(const CString& text)
{
    return static_cast<int>(wcstol(text, nullptr, 10));
}

// An entry counts only when it can be read and is not empty.
bool ReadRestartEntry(const CRegistryKeyMap& map, DWORD id, CString& rValue)
{
    return GetRegStringValue(map, id, rValue) && !rValue.IsEmpty();
}
}

void CoruApp::ReadCommandLine()
{
    CCmdLineParser parser;
    size_t cb = 0;
    std::unique_ptr<wchar_t[]> pCmdLine(BuildCommandLineFromArgs(&cb));
    parser.ParseStrings(pCmdLine.get());
    parser.Dump();

    const CString restartReason = parser.GetOption(L"restart");
    const CString extractFolder = parser.GetOptionUnquoted(L"extract_dir");
    if (!extractFolder.IsEmpty() && IsOwnExtractFolder(extractFolder, restartReason, GetTempFolderSetting()))
    {
        m_strExtractFolder = extractFolder;
        UpdateProductPropertiesFromMsi(nullptr);
    }

    m_strRestartReason = restartReason;
    // A restart continues a run: its wizard choices come back from the registry.
    if (!m_strRestartReason.IsEmpty())
        RestoreWizardChoices();

    const int lang = ToInt(parser.GetOption(L"lang"));
    if (lang > 0 && lang <= 0xFFFF)
        m_interfaceLanguage = static_cast<LANGID>(lang);
    else if (lang != 0)
        Trace(TRACE_ERROR, L"CoruApp::ReadCommandLine : ignoring the language [%s]: not a language id",
              parser.GetOption(L"lang").GetString());
    if (parser.HasOption(L"quickmode"))
        m_bQuickMode = ToInt(parser.GetOption(L"quickmode")) != 0;
    // Without the switch no product view is chosen (-1); a bare switch reads as 0.
    if (parser.HasOption(L"view"))
        m_nProductView = ToInt(parser.GetOption(L"view"));
    m_dwParentPid = static_cast<DWORD>(ToInt(parser.GetOption(L"pid")));

    const CString moduleDir = parser.GetOptionUnquoted(L"module_dir");
    if (!moduleDir.IsEmpty() && IsOlderCopyFolder(moduleDir, restartReason, GetModuleFolder(nullptr)))
    {
        m_strProgramFolder = moduleDir;
        AppendBackslash(m_strProgramFolder);
    }

    m_bSilent = parser.HasOption(L"silent");
    m_bForceDotNet = parser.HasOption(L"force_dotnet");

    ReadUpdateFolder(parser.GetOption(L"update"));

    Trace(TRACE_TRACE, L"CoruApp::ReadCommandLine : quickmode=%d view=%d lang=%u pid=%lu silent=%d force_dotnet=%d update=%d",
          m_bQuickMode ? 1 : 0, m_nProductView, static_cast<unsigned>(m_interfaceLanguage), m_dwParentPid,
          m_bSilent ? 1 : 0, m_bForceDotNet ? 1 : 0, m_bUpdateMode ? 1 : 0);
    Trace(TRACE_TRACE, L"CoruApp::ReadCommandLine : program folder [%s] extraction folder [%s] install folder [%s]",
          m_strProgramFolder.GetString(), m_strExtractFolder.GetString(), m_strInstallFolder.GetString());
    Trace(TRACE_TRACE,
          L"CoruApp::ReadCommandLine : music library integrate=%d common=%d none=%d custom=%d [%s] encoder=%d usage_stats=%d import=%d",
          m_bIntegrateMusicLib ? 1 : 0, m_bCommonMusicFolder ? 1 : 0, m_bNoMusicFolder ? 1 : 0,
          m_bCustomMusicFolderChosen ? 1 : 0, m_strCustomMusicFolder.GetString(), m_bDownloadEncoder ? 1 : 0,
          m_bSendUsageStats ? 1 : 0, m_bImportSettings ? 1 : 0);
}

void CoruApp::RestoreWizardChoices()
{
    const CRegistryKeyMap& map = *m_pRegistryKeyMap;
    CString value;
    if (ReadRestartEntry(map, REGKEY_RESTART_INSTALL_DIR, value))
        m_strInstallFolder = value;
    if (ReadRestartEntry(map, REGKEY_RESTART_INTEGRATE_MUSIC_LIB, value))
        m_bIntegrateMusicLib = value == L"1";
    if (ReadRestartEntry(map, REGKEY_RESTART_COMMON_MUSIC_LIB_DIR, value))
    {
        m_bCommonMusicFolder = value == L"1";
        if (m_bCommonMusicFolder)
            m_bNoMusicFolder = m_bCustomMusicFolderChosen = FALSE;
    }
    if (ReadRestartEntry(map, REGKEY_RESTART_CUSTOM_MUSIC_LIB_DIR, value))
    {
        m_bCommonMusicFolder = m_bNoMusicFolder = FALSE;
        m_bCustomMusicFolderChosen = TRUE;
        m_strCustomMusicFolder = value;
    }
    if (!m_bCommonMusicFolder && !m_bCustomMusicFolderChosen)
        m_bNoMusicFolder = TRUE;
    if (ReadRestartEntry(map, REGKEY_RESTART_DOWNLOAD_LAME, value))
        m_bDownloadEncoder = value == L"1";
    if (ReadRestartEntry(map, REGKEY_RESTART_SEND_USAGE_STATS, value))
        m_bSendUsageStats = value == L"1";
    if (ReadRestartEntry(map, REGKEY_RESTART_IMPORT_SETTINGS, value))
        m_bImportSettings = value == L"1";
}

void CoruApp::ReadUpdateFolder(CString folder)
{
    if (folder.IsEmpty())
        return;
    // The folder ends up inside APPDIR="%s" of the package's property line.
    if (folder.Find(L'"') >= 0)
    {
        Trace(TRACE_ERROR, L"CoruApp::ReadCommandLine : ignoring the update folder [%s]: it holds a double quote",
              folder.GetString());
        return;
    }
    NormalizeFolderPath(folder);
    if (folder.IsEmpty())
    {
        Trace(TRACE_ERROR, L"CoruApp::ReadCommandLine : ignoring the update folder: it names no folder");
        return;
    }
    m_bUpdateMode = true;
    m_strInstallFolder = folder;
    m_bImportSettings = FALSE;
    m_bIntegrateMusicLib = FALSE;
}
