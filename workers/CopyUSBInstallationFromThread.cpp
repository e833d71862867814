#include "CopyUSBInstallationFromThread.h"
#include "config/GenerationNames.h"
#include "DriveSetAside.h"

#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "support/PathUtil.h"
#include "support/ProtectedFolders.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"

#include "classlib/Handles.h"

#include <climits>

namespace
{
const ULONGLONG kMegabyte = 1024 * 1024;

bool QueryFreeSpace(const wchar_t* pszRoot, ULONGLONG& rFreeBytes)
{
    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExW(pszRoot, &available, &total, &totalFree))
        return false;
    rFreeBytes = totalFree.QuadPart;
    return true;
}

DWORD Low(ULONGLONG value)
{
    return static_cast<DWORD>(value & 0xFFFFFFFF);
}

// Files and bytes of a file or a folder tree; false when it is missing or cannot be read whole.
bool MeasureItem(const CString& path, DWORD& rCount, ULONGLONG& rBytes)
{
    rCount = 0;
    rBytes = 0;
    if (IsFolder(path))
        return CountFilesRec(RemoveTrailingBackslashes(path), rCount, rBytes);
    if (!GetFileSizeOfPath(path, rBytes))
        return false;
    rCount = 1;
    return true;
}

// Copies a file or a folder tree (links left out), creating the target's folder chain first,
// and checks that the copy has as many files and bytes as the original.
bool CopyVerified(const CString& source, const CString& target)
{
    DWORD sourceCount = 0, targetCount = 0;
    ULONGLONG sourceBytes = 0, targetBytes = 0;
    if (!MeasureItem(source, sourceCount, sourceBytes))
        return false;
    if (!CreateFolderTree(GetFolderOfPath(target), nullptr) && !FolderExists(GetFolderOfPath(target)))
        return false;
    const bool bCopied = IsFolder(source) ? CopyFolderRec(source, target, false, nullptr, nullptr)
                                          : CopyFileNoFollow(source, target, false);
    return bCopied && MeasureItem(target, targetCount, targetBytes) && targetCount == sourceCount &&
           targetBytes == sourceBytes;
}
}

CCopyUSBInstallationFromThread::CCopyUSBInstallationFromThread(IUSBInstallerListener* pListener,
                                                               PortableFolderNameFn pfnPortableName)
    : CWorkerThread(nullptr), m_pUSBListener(pListener), m_pfnPortableName(pfnPortableName),
      m_pfnFreeSpace(&QueryFreeSpace)
{
}

CCopyUSBInstallationFromThread::~CCopyUSBInstallationFromThread()
{
    Stop();
    Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::~CCopyUSBInstallationFromThread");
}

void CCopyUSBInstallationFromThread::SetFreeSpaceQuery(FreeSpaceFn pfnFreeSpace)
{
    m_pfnFreeSpace = pfnFreeSpace ? pfnFreeSpace : &QueryFreeSpace;
}

int CCopyUSBInstallationFromThread::CopyUSBInstallation(const wchar_t* pszSetupDir, const wchar_t* pszDriveRoot,
                                                        const wchar_t* pszPortableBase, const wchar_t* pszFourthPath,
                                                        const wchar_t* pszGeneration)
{
    if (!CanStart(L"Worker thread is already live in CCopyUSBInstallationFromThread::CopyUSBInstallation"))
        return 0;
    m_strSetupDir = pszSetupDir;
    m_strDriveRoot = pszDriveRoot;
    m_strPortableBase = pszPortableBase;
    m_strFourthPath = pszFourthPath;
    m_strGeneration = pszGeneration;
    AppendBackslash(m_strSetupDir);
    AppendBackslash(m_strDriveRoot);
    AppendBackslash(m_strPortableBase);
    m_strLauncherExe.Format(L"%sStartVantolin.exe", m_strDriveRoot.GetString());
    m_strLauncherIni.Format(L"%sStartVantolin.ini", m_strDriveRoot.GetString());
    m_strPreviousFolder.Empty();
    m_strPreviousProgram.Empty();
    m_strPreviousGeneration.Empty();
    m_strNewPortableFolder.Empty();
    m_bytesToCopy = m_bytesToDelete = 0;
    m_bPreviousFolderSeen = false;
    m_drive.Clear();
    {
        CSingleLock lock(&m_lock, true);
        m_strKeptPreviousFolder.Empty();
    }
    ResetOutcome();
    return LaunchThread(L"CCopyFilesFromThread::Start Could not create process executer thread") ? 1 : 0;
}

bool CCopyUSBInstallationFromThread::IsFinished(bool& rbSucceeded)
{
    int result = 0;
    const bool bFinished = ReadOutcome(result);
    rbSucceeded = result != 0;
    return bFinished;
}

bool CCopyUSBInstallationFromThread::Stop()
{
    return StopAndWait(L"CCopyUSBInstallationFromThread");
}

CString CCopyUSBInstallationFromThread::GetKeptPreviousFolder()
{
    CSingleLock lock(&m_lock, true);
    return m_strKeptPreviousFolder;
}

int CCopyUSBInstallationFromThread::run()
{
    int nResult = 0;
    try
    {
        nResult = RunStages();
    }
    catch (...)
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::run : the copy failed with an exception");
        nResult = 0;
    }
    if (nResult != 1 && IsStopRequested())
    {
        Trace(TRACE_INFO, L"CCopyUSBInstallationFromThread::run stopped");
        nResult = 0;
    }
    if (nResult != 1)
    {
        try
        {
            RollBack();
        }
        catch (...)
        {
            Trace(TRACE_ERROR,
                  L"CCopyUSBInstallationFromThread::run : putting the earlier installation back failed with an exception");
        }
    }
    Finish(nResult);
    if (m_pUSBListener)
        m_pUSBListener->OnUSBInstallationFinished(nResult == 1);
    return 0;
}

int CCopyUSBInstallationFromThread::RunStages()
{
    const CString usbDir = m_strSetupDir + L"usb\\";
    const CString msiDir = m_strSetupDir + L"msi\\";
    const CString package = FormatString(L"%smsi\\VantolinSetup.msi", m_strSetupDir.GetString());
    const CString autorun = FormatString(L"%susb\\Autorun.Inf", m_strSetupDir.GetString());
    for (const CString& source : { usbDir, msiDir })
    {
        // Checked before anything on the drive changes: a setup folder without them could only
        // leave the drive without any installation.
        if (!IsFolder(source))
        {
            Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CopyDirectory - strSourceDir '%s' is not a folder !",
                  source.GetString());
            return 0;
        }
    }

    MeasurePreviousInstallation();
    m_bytesToCopy = GetFolderSize(usbDir) + GetFolderSize(msiDir);
    for (const CString& leftOut : { package, autorun })
    {
        ULONGLONG size = 0;
        if (FileExists(leftOut) && GetFileSizeOfPath(leftOut, size) && size <= m_bytesToCopy)
            m_bytesToCopy -= size;
    }
    const ULONGLONG total = m_bytesToCopy + m_bytesToDelete;
    if (m_pUSBListener)
        m_pUSBListener->OnCopyStart(Low(total), static_cast<DWORD>(total >> 32));

    if (!CheckNewPortableFolder())
        return 0;
    std::vector<CUserDataItem> items;
    ULONGLONG restoreBytes = 0;
    CollectUserData(items, restoreBytes);
    if (HasDatabaseOfUnknownGeneration())
        return 0;
    if (!WaitForRoom(restoreBytes))
        return 0;
    if (IsStopRequested())
        return 0;
    if (!SetAsidePreviousInstallation(usbDir, autorun))
    {
        Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::run() CleanDirectory failed.");
        return 0;
    }
    if (!CopyDirectory(usbDir, m_strDriveRoot, autorun))
    {
        Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::run() CopyDirectory failed. for USB to Root");
        return 0;
    }
    if (!CreateNewPortableFolder())
    {
        Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::run() CreateDirectoryRec failed for [%s]",
              m_strNewPortableFolder.GetString());
        return 0;
    }
    if (!CopyDirectory(msiDir, m_strNewPortableFolder, package))
    {
        Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::run() CopyDirectory failed.");
        return 0;
    }
    if (IsStopRequested() || !RestoreNeededFiles(items))
        return 0;
    // The new installation is complete and holds the user data: only now may the old one go.
    m_drive.RemoveSetAside(&OnFileRemoved, this);
    return 1;
}

CString CCopyUSBInstallationFromThread::ReadLauncherValue(const wchar_t* pszKey, const wchar_t* pszMissing)
{
    wchar_t value[MAX_PATH * 2] = {};
    GetPrivateProfileStringW(L"General", pszKey, L"", value, _countof(value), m_strLauncherIni);
    if (value[0] == 0)
        Trace(TRACE_ERROR, pszMissing);
    return CString(value);
}

void CCopyUSBInstallationFromThread::MeasurePreviousInstallation()
{
    for (const CString& launcherFile : { m_strLauncherExe, m_strLauncherIni })
    {
        ULONGLONG size = 0;
        if (FileExists(launcherFile) && !IsLinkItself(launcherFile) && GetFileSizeOfPath(launcherFile, size))
            m_bytesToDelete += size;
    }
    if (!FileExists(m_strLauncherIni))
        return;
    if (IsLinkItself(m_strLauncherIni))
    {
        Trace(TRACE_WARNING,
              L"CCopyUSBInstallationFromThread::ReadPreviousInstallationDir: [%s] is a link, it is not read",
              m_strLauncherIni.GetString());
        return;
    }
    const CString productExe =
        ReadLauncherValue(L"product_exe", L"ReadPreviousInstallationDir: product_exe dose not exist");
    m_strPreviousGeneration =
        ReadLauncherValue(L"product_generation", L"ReadPreviousProductGeneration: product_generation dose not exist");
    if (ResolvePreviousFolder(productExe))
        m_bytesToDelete += GetFolderSize(m_strPreviousFolder);
}

bool CCopyUSBInstallationFromThread::ResolvePreviousFolder(const CString& productExe)
{
    m_strPreviousFolder.Empty();
    m_strPreviousProgram.Empty();
    CString drive, folder, name, extension;
    SplitPath(productExe, drive, folder, name, extension);
    folder.TrimLeft(L"\\/");
    // An empty folder part would name the drive's root: the whole drive would be emptied.
    if (folder.IsEmpty())
        return false;
    CString resolved, root;
    if (!ResolveAbsolutePath(m_strDriveRoot + folder, resolved) || !ResolveAbsolutePath(m_strDriveRoot, root))
        return false;
    AppendBackslash(resolved);
    AppendBackslash(root);
    if (resolved.GetLength() <= root.GetLength() || !StartsWithNoCase(resolved, root) || IsProtectedFolder(resolved))
    {
        Trace(TRACE_WARNING,
              L"CCopyUSBInstallationFromThread::ReadPreviousInstallationDir: [%s] is no folder below the drive's root, "
              L"nothing of it is removed",
              productExe.GetString());
        return false;
    }
    // The launcher's settings are anybody's text: only a folder that looks like an earlier
    // portable installation is taken for one; any other folder they name is the user's own.
    if (!HasPortableFolderName(resolved))
    {
        Trace(TRACE_WARNING,
              L"CCopyUSBInstallationFromThread::ReadPreviousInstallationDir: [%s] is no portable folder, nothing of it "
              L"is removed",
              resolved.GetString());
        return false;
    }
    const CString program = name + extension;
    if (program.IsEmpty() || !FileExists(resolved + program))
    {
        Trace(TRACE_WARNING,
              L"CCopyUSBInstallationFromThread::ReadPreviousInstallationDir: [%s] does not hold [%s], nothing of it is "
              L"removed",
              resolved.GetString(), program.GetString());
        return false;
    }
    m_strPreviousProgram = program;
    if (!IsEarlierInstallation(resolved))
    {
        m_strPreviousProgram.Empty();
        return false;
    }
    m_strPreviousFolder = resolved;
    return true;
}

bool CCopyUSBInstallationFromThread::HasPortableFolderName(const CString& folder) const
{
    const CString own = RemoveTrailingBackslashes(folder);
    const CString name = own.Mid(own.ReverseFind(L'\\') + 1);
    if (!m_strPreviousGeneration.IsEmpty())
        return name.CompareNoCase(m_pfnPortableName(m_strPreviousGeneration)) == 0;
    // Without the generation: the form that every generation's name has.
    return HasPortableFolderForm(name);
}

bool CCopyUSBInstallationFromThread::IsEarlierInstallation(const CString& folder) const
{
    // A link on the way to the folder, to its program or to its user data would take the rename,
    // the restore or the removal somewhere else.
    std::vector<CString> ways = { RemoveTrailingBackslashes(folder), folder + m_strPreviousProgram };
    for (const wchar_t* pszName : { L"PanelKit.dll", L"modb", L"QMConfig.ini", L"LocalAppDataFolder" })
        ways.push_back(UserDataPath(folder, m_strPreviousGeneration, pszName));
    for (const CString& way : ways)
    {
        CString link;
        if (FindLinkOnPath(way, link))
        {
            Trace(TRACE_WARNING,
                  L"CCopyUSBInstallationFromThread::ReadPreviousInstallationDir: [%s] is a link, nothing of [%s] is "
                  L"removed",
                  link.GetString(), folder.GetString());
            return false;
        }
    }
    if (!FileExists(folder + m_strPreviousProgram))
    {
        Trace(TRACE_WARNING,
              L"CCopyUSBInstallationFromThread::ReadPreviousInstallationDir: [%s] does not hold [%s], nothing of it is "
              L"removed",
              folder.GetString(), m_strPreviousProgram.GetString());
        return false;
    }
    return true;
}

bool CCopyUSBInstallationFromThread::CheckNewPortableFolder()
{
    m_strNewPortableFolder = m_strPortableBase + m_pfnPortableName(m_strGeneration);
    AppendBackslash(m_strNewPortableFolder);
    CString link;
    const CString newFolder = RemoveTrailingBackslashes(m_strNewPortableFolder);
    for (const CString& way : { RemoveTrailingBackslashes(m_strDriveRoot), newFolder })
        if (FindLinkOnPath(way, link))
        {
            Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::run() [%s] is a link, nothing is copied to [%s]",
                  link.GetString(), way.GetString());
            return false;
        }
    // A folder of that name that is no earlier installation holds somebody's files: the copy
    // would mix with them, and a failed run could not tell them from its own.
    if (PathExists(newFolder) && !IsSamePath(m_strNewPortableFolder, m_strPreviousFolder))
    {
        Trace(TRACE_ERROR,
              L"CCopyUSBInstallationFromThread::run() [%s] is there already and is no earlier installation, nothing "
              L"is copied",
              m_strNewPortableFolder.GetString());
        return false;
    }
    return true;
}

bool CCopyUSBInstallationFromThread::WaitForRoom(ULONGLONG restoreBytes)
{
    if (m_bytesToCopy == 0)
        return true;
    // The earlier installation stays on the drive until the new one holds the user data: the
    // new files and the restored data must fit beside it.
    const ULONGLONG needed = m_bytesToCopy + restoreBytes;
    for (;;)
    {
        if (IsStopRequested())
            return false;
        ULONGLONG freeBytes = 0;
        ULONGLONG missing = needed;
        if (m_pfnFreeSpace(m_strDriveRoot, freeBytes))
        {
            if (freeBytes >= needed)
                return true;
            missing = needed - freeBytes;
        }
        else
            Trace(TRACE_ERROR, L"GetDiskFreeSpaceEx failed for [%s]", m_strDriveRoot.GetString());
        const ULONGLONG missingMB = (missing + kMegabyte - 1) / kMegabyte;
        if (m_pUSBListener)
            m_pUSBListener->OnNotEnoughSpace(missingMB > INT_MAX ? INT_MIN : -static_cast<int>(missingMB));
        WaitForStopRequest(m_dwRoomRetryMs);
    }
}

CString CCopyUSBInstallationFromThread::UserDataPath(const CString& portableFolder, const CString& generation,
                                                     const wchar_t* pszName) const
{
    if (wcscmp(pszName, L"PanelKit.dll") == 0)
        return FormatString(L"%s%s\\Quillmark\\PanelKit.dll", portableFolder.GetString(), L"CommonAppDataFolder");
    if (wcscmp(pszName, L"modb") == 0)
        return FormatString(L"%s%s\\Quillmark\\Vantolin_%s\\MusicShelf\\modb", portableFolder.GetString(),
                            L"CommonAppDataFolder", generation.GetString());
    return portableFolder + pszName;
}

void CCopyUSBInstallationFromThread::CollectUserData(std::vector<CUserDataItem>& rItems, ULONGLONG& rBytes)
{
    rItems.clear();
    rBytes = 0;
    m_bPreviousFolderSeen = !m_strPreviousFolder.IsEmpty() && IsFolder(m_strPreviousFolder);
    if (!m_bPreviousFolderSeen)
        return;
    for (const wchar_t* pszName : { L"PanelKit.dll", L"modb", L"QMConfig.ini", L"LocalAppDataFolder" })
    {
        CUserDataItem item;
        item.m_strName = pszName;
        item.m_strSource = UserDataPath(m_strPreviousFolder, m_strPreviousGeneration, pszName);
        // The database of an unknown generation cannot be found: it is looked for below.
        if (!PathExists(item.m_strSource) || (m_strPreviousGeneration.IsEmpty() && item.m_strName == L"modb"))
            continue;
        DWORD count = 0;
        ULONGLONG bytes = 0;
        MeasureItem(item.m_strSource, count, bytes);
        rBytes += bytes;
        rItems.push_back(item);
    }
}

bool CCopyUSBInstallationFromThread::HasDatabaseOfUnknownGeneration() const
{
    if (m_strPreviousFolder.IsEmpty() || !m_strPreviousGeneration.IsEmpty() || !IsFolder(m_strPreviousFolder))
        return false;
    // Without the generation the media database's path is unknown: replacing the folder would
    // lose it.
    WIN32_FIND_DATAW fd;
    const CString pattern = m_strPreviousFolder + L"CommonAppDataFolder\\Quillmark\\Vantolin_*";
    CScopedFindHandle find(FindFirstFileW(pattern, &fd));
    if (find)
        do
        {
            const CString modb =
                m_strPreviousFolder + L"CommonAppDataFolder\\Quillmark\\" + fd.cFileName + L"\\MusicShelf\\modb";
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && PathExists(modb))
            {
                Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::BackupNeededFiles: no generation for [%s]",
                      modb.GetString());
                return true;
            }
        } while (FindNextFileW(find.Get(), &fd));
    return false;
}

bool CCopyUSBInstallationFromThread::SetAsidePreviousInstallation(const CString& usbDir, const CString& leaveOut)
{
    if (!IsFolder(m_strDriveRoot))
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CleanPreviousInstallation - path '%s' is not a folder !",
              m_strDriveRoot.GetString());
        return false;
    }
    if (!m_strPreviousFolder.IsEmpty() && IsFolder(m_strPreviousFolder))
    {
        // A folder that was missing when its user data was looked for (a drive pulled and put
        // back) may hold data nobody has looked at.
        if (!m_bPreviousFolderSeen)
        {
            Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CleanPreviousInstallation - [%s] was not there for the backup, it stays",
                  m_strPreviousFolder.GetString());
            return false;
        }
        // Checked again right before the rename: the drive may have been swapped meanwhile.
        if (!IsEarlierInstallation(m_strPreviousFolder) ||
            !m_drive.SetAside(RemoveTrailingBackslashes(m_strPreviousFolder), true))
            return false;
    }
    // The old launcher goes aside, and so does whatever has the name of one of the new files at
    // the root: all those names are then free, so what stands there after the copy is this run's.
    std::vector<CString> places = { m_strLauncherExe, m_strLauncherIni };
    WIN32_FIND_DATAW fd;
    CScopedFindHandle find(FindFirstFileW(usbDir + L"*", &fd));
    if (find)
        do
        {
            const CString source = usbDir + fd.cFileName;
            if (wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0 || IsSamePath(source, leaveOut) ||
                (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            const CString place = m_strDriveRoot + fd.cFileName;
            bool bListed = false;
            for (const CString& listed : places)
                bListed = bListed || IsSamePath(listed, place);
            if (!bListed)
                places.push_back(place);
        } while (FindNextFileW(find.Get(), &fd));
    for (const CString& place : places)
        if ((PathExists(place) || IsLinkItself(place)) && !m_drive.SetAside(place, false))
            return false;
    for (const CString& place : places)
        m_drive.AddFilled(place);
    return true;
}

bool CCopyUSBInstallationFromThread::OnFileToCopy(void* pContext, const wchar_t* pszSource, const wchar_t* pszTarget,
                                                  ULONGLONG size)
{
    CCopyUSBInstallationFromThread* pThis = static_cast<CCopyUSBInstallationFromThread*>(pContext);
    if (pThis->IsStopRequested())
    {
        Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::CopyDirectory: process was canceled");
        return false;
    }
    pThis->m_strCopying = pszSource;
    if (pThis->m_pUSBListener)
        pThis->m_pUSBListener->OnCopyFile(pszSource, pszTarget, Low(size), Low(pThis->m_bytesToCopy));
    return true;
}

void CCopyUSBInstallationFromThread::OnFileRemoved(void* pContext, const wchar_t* pszPath, ULONGLONG size)
{
    CCopyUSBInstallationFromThread* pThis = static_cast<CCopyUSBInstallationFromThread*>(pContext);
    if (pThis->m_pUSBListener)
        pThis->m_pUSBListener->OnDeleteFile(pszPath, Low(size), Low(pThis->m_bytesToDelete));
}

bool CCopyUSBInstallationFromThread::CopyDirectory(const CString& source, const CString& target,
                                                   const CString& leaveOut)
{
    m_strCopying.Empty();
    if (CopyFolderRec(source, target, false, &OnFileToCopy, this, leaveOut))
        return true;
    if (!IsStopRequested())
        Trace(TRACE_ERROR, L"CopyDirectoryFromThread::CopyDirectory : could not copy file '%s'",
              m_strCopying.GetString());
    return false;
}

bool CCopyUSBInstallationFromThread::CreateNewPortableFolder()
{
    const CString folder = RemoveTrailingBackslashes(m_strNewPortableFolder);
    // The topmost folder that the chain adds: it and everything below it are this run's.
    CString top;
    for (CString part = folder; !part.IsEmpty() && !PathExists(part) && !IsLinkItself(part);)
    {
        top = part;
        const int separator = part.ReverseFind(L'\\');
        part = separator > 0 ? part.Left(separator) : CString();
    }
    CString link;
    if (top.IsEmpty() || FindLinkOnPath(folder, link))
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::run() [%s] turned up during the copy", folder.GetString());
        return false;
    }
    m_drive.AddFilled(top);
    return CreateFolderTree(m_strNewPortableFolder, nullptr) || FolderExists(m_strNewPortableFolder);
}

bool CCopyUSBInstallationFromThread::RestoreNeededFiles(const std::vector<CUserDataItem>& items)
{
    const CString aside = m_drive.GetPreviousFolderAside();
    for (const CUserDataItem& item : items)
    {
        // The data is read from the earlier installation where it now stands aside on the drive.
        const CString source = UserDataPath(aside, m_strPreviousGeneration, item.m_strName);
        const CString target = UserDataPath(m_strNewPortableFolder, m_strGeneration, item.m_strName);
        if (item.m_strName == L"modb")
            Trace(TRACE_TRACE, L"try to restore: %s", target.GetString());
        if (aside.IsEmpty() || IsStopRequested() || !CopyVerified(source, target))
        {
            Trace(TRACE_ERROR, L"could not restore [%s]->[%s]", source.GetString(), target.GetString());
            return false;
        }
    }
    return true;
}

void CCopyUSBInstallationFromThread::RollBack()
{
    const CString kept = m_drive.RollBack();
    CSingleLock lock(&m_lock, true);
    m_strKeptPreviousFolder = kept;
}
