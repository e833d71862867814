// The controller's switches, read once during start-up.
// PLACEHOLDER (issue #3): the switch table is read here; its tests, the registry entries that
// restore the wizard choices and the remaining decisions come with that issue.

#include "CoruApp.h"
#include "RegistryKeyMap.h"

#include "support/CmdLineParser.h"
#include "support/FileUtil.h"
#include "support/TraceLog.h"

#include <cstdlib>
#include <memory>

namespace
{
int ToInt(const CString& text)
{
    return static_cast<int>(wcstol(text, nullptr, 10));
}
}

void CoruApp::ReadCommandLine()
{
    CCmdLineParser parser;
    size_t cb = 0;
    std::unique_ptr<wchar_t[]> pCmdLine(BuildCommandLineFromArgs(&cb));
    parser.ParseStrings(pCmdLine.get());
    parser.Dump();

    m_strExtractFolder = parser.GetOptionUnquoted(L"extract_dir");
    if (!m_strExtractFolder.IsEmpty())
        UpdateProductPropertiesFromMsi(nullptr);

    m_strRestartReason = parser.GetOption(L"restart");
    if (!m_strRestartReason.IsEmpty())
    {
        // Restore the wizard choices of the run that asked for the restart.
        CString value;
        if (m_pRegistryKeyMap->GetRegStringValue(10, value) && !value.IsEmpty())
            m_strInstallFolder = value;
        if (m_pRegistryKeyMap->GetRegStringValue(11, value) && !value.IsEmpty())
            m_bIntegrateMusicLib = value == L"1";
        if (m_pRegistryKeyMap->GetRegStringValue(12, value) && !value.IsEmpty())
        {
            m_bCommonMusicFolder = value == L"1";
            if (m_bCommonMusicFolder)
                m_bNoMusicFolder = m_bCustomMusicFolderChosen = FALSE;
        }
        if (m_pRegistryKeyMap->GetRegStringValue(13, value) && !value.IsEmpty())
        {
            m_bCommonMusicFolder = m_bNoMusicFolder = FALSE;
            m_bCustomMusicFolderChosen = TRUE;
            m_strCustomMusicFolder = value;
        }
        if (!m_bCommonMusicFolder && !m_bCustomMusicFolderChosen)
            m_bNoMusicFolder = TRUE;
        if (m_pRegistryKeyMap->GetRegStringValue(14, value) && !value.IsEmpty())
            m_bDownloadEncoder = value == L"1";
        if (m_pRegistryKeyMap->GetRegStringValue(15, value) && !value.IsEmpty())
            m_bSendUsageStats = value == L"1";
        if (m_pRegistryKeyMap->GetRegStringValue(16, value) && !value.IsEmpty())
            m_bImportSettings = value == L"1";
    }

    const int lang = ToInt(parser.GetOption(L"lang"));
    if (lang != 0)
        m_interfaceLanguage = static_cast<LANGID>(lang);
    if (parser.HasOption(L"quickmode"))
        m_bQuickMode = ToInt(parser.GetOption(L"quickmode")) != 0;
    // Without the switch no product view is chosen (-1); a bare switch reads as 0.
    if (parser.HasOption(L"view"))
        m_nProductView = ToInt(parser.GetOption(L"view"));
    m_dwParentPid = static_cast<DWORD>(ToInt(parser.GetOption(L"pid")));

    const CString moduleDir = parser.GetOptionUnquoted(L"module_dir");
    if (!moduleDir.IsEmpty())
        m_strProgramFolder = AddBackslash(moduleDir);

    m_bSilent = parser.HasOption(L"silent");
    m_bForceDotNet = parser.HasOption(L"force_dotnet");

    CString update = parser.GetOption(L"update");
    if (update.Find(L'"') >= 0)
        Trace(TRACE_ERROR, L"CoruApp::ReadCommandLine : ignoring the update folder [%s]: it holds a double quote", update.GetString());
    else if (!update.IsEmpty())
    {
        m_bUpdateMode = true;
        update.Replace(L'/', L'\\');
        if (update[update.GetLength() - 1] == L'\\')
            update.Delete(update.GetLength() - 1);
        m_strInstallFolder = update;
        m_bImportSettings = FALSE;
        m_bIntegrateMusicLib = FALSE;
    }
}
