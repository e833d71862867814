// The addresses and command lines the setup builds, and where its own program and its parent are.

#include "SetupCommandLines.h"
#include "OruSettings.h"

#include "support/FileUtil.h"
#include "support/PathUtil.h"
#include "support/SysUtil.h"
#include "support/TextEncoding.h"
#include "support/TraceLog.h"
#include "support/WorkFolder.h"
#include "workers/HiddenVantolinStarter.h"

#include <tlhelp32.h>

const wchar_t kExtractFolderName[] = L"TempSFX";

namespace
{
CString ResolvedFolder(CString folder)
{
    ResolveRelativePath(folder);
    StripTrailingBackslashes(folder);
    return folder;
}

const wchar_t kDownloadQuery[] =
    L"productid=1&view=%d&partnerid=%s&package=%s&affiliate=%s&regtype=%d&version=%s&installer=sfx&downloadTry=%d";
const wchar_t kOruDownloadUrl[] = L"http://127.0.0.1/oru/VantolinSetup.sfx.exe";

// The address with exactly one "?" before the query, whatever the base ends with.
CString BuildDownloadUrl(const CString& base, const wchar_t* pszOruIni, const wchar_t* pszAffiliateId,
                         const wchar_t* pszVersion, int nAttempt)
{
    COruSettings& settings = COruSettings::GetInstance();
    settings.Read(pszOruIni);
    CString url(base);
    url.TrimRight(L"?&");
    url += url.Find(L'?') >= 0 ? L'&' : L'?';
    url.AppendFormat(kDownloadQuery, settings.GetView(), UrlEncode(settings.GetPartnerID()).GetString(),
                     UrlEncode(settings.GetGeneration()).GetString(), UrlEncode(pszAffiliateId).GetString(),
                     settings.GetRegType(), UrlEncode(pszVersion).GetString(), nAttempt);
    return url;
}
}

CString BuildInstallerDownloadUrl(const wchar_t* pszOruIni, const wchar_t* pszAffiliateId, const wchar_t* pszVersion,
                                  int nAttempt)
{
    COruSettings::GetInstance().Read(pszOruIni);
    return BuildDownloadUrl(COruSettings::GetInstance().GetUrl(), pszOruIni, pszAffiliateId, pszVersion, nAttempt);
}

CString BuildOruDownloadUrl(const wchar_t* pszOruIni, const wchar_t* pszAffiliateId, const wchar_t* pszVersion,
                            int nAttempt)
{
    return BuildDownloadUrl(kOruDownloadUrl, pszOruIni, pszAffiliateId, pszVersion, nAttempt);
}

CString QuoteArgument(const wchar_t* pszPath)
{
    CString quoted(L'"');
    quoted += pszPath;
    int trailing = 0;
    for (int i = quoted.GetLength() - 1; i > 0 && quoted[i] == L'\\'; --i)
        ++trailing;
    quoted += CString(L'\\', trailing);
    quoted += L'"';
    return quoted;
}

CString GetProgramFileName()
{
    const CString name = GetModuleFileNameOnly();
    return name.IsEmpty() ? CString(L"VantolinSetup.exe") : name;
}

CString BuildRestartCommandLine(const wchar_t* pszFolder, bool bRuntime, LANGID language, BOOL bQuickMode,
                                const wchar_t* pszExtractDir)
{
    CString program(pszFolder);
    AppendBackslash(program);
    program += GetProgramFileName();
    // Quoted: unquoted, a blank in the folder would make the system run a program named by the
    // folder's first part.
    CString line;
    line.Format(L"%s /restart:%s /lang:%u /quickmode:%d /extract_dir:%s", QuoteArgument(program).GetString(),
                bRuntime ? L"VCRedistRestart" : L"DotNetRestart", static_cast<unsigned>(language), bQuickMode ? 1 : 0,
                QuoteArgument(pszExtractDir).GetString());
    return line;
}

CString GetNameOfParentProcess()
{
    CString result;
    PROCESSENTRY32W self = {};
    // This process's own entry: another running copy of the program may have another parent.
    if (!FindProcessEntry(GetCurrentProcessId(), self))
    {
        CString image;
        GetProcessImagePath(image);
        Trace(TRACE_WARNING, L"GetNameOfParentProcess couldn't find parent for process with name=[%s]",
              image.GetString());
    }
    else
    {
        PROCESSENTRY32W parent = {};
        if (FindProcessEntry(self.th32ParentProcessID, parent))
            result = parent.szExeFile;
    }
    Trace(TRACE_TRACE, L"GetNameOfParentProcess name of parent process is [%s]", result.GetString());
    return result;
}

CString GetAffiliateIdFromFileName(const wchar_t* pszPath)
{
    CString drive, folder, name, extension;
    SplitPathParts(pszPath, drive, folder, name, extension);
    const int last = name.ReverseFind(L'_');
    if (last <= 1 || name[last - 1] != L'_')
        return CString();
    CString candidate = name.Mid(last + 1);
    // Browsers number repeated downloads: "(1)" or "[1]" is no part of the id.
    const int cut = candidate.FindOneOf(L"([");
    if (cut >= 0)
        candidate = candidate.Left(cut);
    if (candidate.GetLength() < 4 || candidate.GetLength() > 256)
        return CString();
    return candidate;
}

CString GetControllerFolder()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    CString drive, folder, name, extension;
    SplitPath(path, drive, folder, name, extension);
    CString result = drive + folder;
    AppendBackslash(result);
    return result;
}

namespace
{
bool NamesFile(const CString& path)
{
    if (path.IsEmpty())
        return false;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    // Without a folder the system looks the program up where it looks up programs.
    if (path.FindOneOf(L"\\/:") >= 0)
        return false;
    wchar_t found[MAX_PATH] = {};
    return SearchPathW(nullptr, path, L".exe", MAX_PATH, found, nullptr) != 0;
}
}

void SplitProgramAndArguments(const wchar_t* pszCommandLine, CString& rProgram, CString& rArguments)
{
    CString line(pszCommandLine);
    line.Trim();
    rProgram = line;
    rArguments.Empty();
    if (line.IsEmpty())
        return;
    if (line[0] == L'"')
    {
        CHiddenVantolinStarter::SplitLaunchCommand(line, rProgram, rArguments);
        return;
    }
    if (NamesFile(line))
        return;
    for (int blank = line.Find(L' '); blank >= 0; blank = line.Find(L' ', blank + 1))
    {
        if (NamesFile(line.Left(blank)))
        {
            rProgram = line.Left(blank);
            rArguments = line.Mid(blank + 1);
            rArguments.Trim();
            return;
        }
    }
}

bool IsOwnExtractFolder(const CString& folder, const CString& restartReason, const CString& tempFolder)
{
    if (restartReason.IsEmpty())
    {
        Trace(TRACE_WARNING, L"CoruApp::ReadCommandLine : ignoring /extract_dir:[%s]: only a continuation names its extraction folder",
              folder.GetString());
        return false;
    }
    const CString resolved = ResolvedFolder(folder);
    // The run unpacks into a "run" folder of its own inside the extraction folder: either may
    // be named, and each level must be the setup's own.
    CString extract = resolved;
    const CString leaf = resolved.Mid(resolved.ReverseFind(L'\\') + 1);
    if (StartsWithNoCase(leaf, L"run"))
        extract = RemoveTrailingBackslashes(GetFolderOfPath(resolved));
    const CString name = extract.Mid(extract.ReverseFind(L'\\') + 1);
    CString extractOwner;
    if (!IsSamePath(GetFolderOfPath(extract), tempFolder) || !StartsWithNoCase(name, kExtractFolderName) ||
        (extract != resolved && !IsTrustedWorkFolder(extract, extractOwner)))
    {
        Trace(TRACE_WARNING, L"CoruApp::ReadCommandLine : ignoring /extract_dir:[%s]: not an extraction folder in the temporary folder [%s]",
              folder.GetString(), tempFolder.GetString());
        return false;
    }
    CString owner;
    if (!IsTrustedWorkFolder(resolved, owner))
    {
        Trace(TRACE_WARNING, L"CoruApp::ReadCommandLine : ignoring /extract_dir:[%s]: %s%s", folder.GetString(),
              owner.IsEmpty() ? L"no folder, or a link" : L"a folder owned by ", owner.GetString());
        return false;
    }
    return true;
}

bool IsOlderCopyFolder(const CString& folder, const CString& restartReason, const CString& programFolder)
{
    const CString own = ResolvedFolder(programFolder);
    const CString named = ResolvedFolder(folder);
    if (restartReason == L"UpdateReady" && IsSamePath(named, own))
        return true;
    if (restartReason == L"Update" && IsSamePath(named + L"\\OruUpdate", own))
        return true;
    Trace(TRACE_WARNING,
          L"CoruApp::ReadCommandLine : ignoring /module_dir:[%s]: not the older copy's folder of a self-update hand-over (this copy runs from [%s])",
          folder.GetString(), own.GetString());
    return false;
}
