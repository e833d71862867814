#include "CopyUSBInstallationFromThread.h"

#include "support/FileUtil.h"
#include "support/PathUtil.h"
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

bool IsDots(const WIN32_FIND_DATAW& fd)
{
    return wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0;
}

ULONGLONG SizeOf(const WIN32_FIND_DATAW& fd)
{
    return (static_cast<ULONGLONG>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
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
                                          : CopyFileW(source, target, FALSE) != FALSE;
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
    m_strPreviousGeneration.Empty();
    m_strNewPortableFolder.Empty();
    m_strBackupFolder.Empty();
    m_bytesToCopy = m_bytesToDelete = 0;
    m_bDeletedSomething = false;
    m_bPreviousFolderSeen = false;
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
    if (!m_strBackupFolder.IsEmpty())
    {
        // The backup is the only copy of the user data once anything of the earlier
        // installation is gone and the data is not back in place.
        if (nResult == 1 || !m_bDeletedSomething)
            RemoveDirectoryRec(RemoveTrailingBackslashes(m_strBackupFolder));
        else
            Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::run : the user data of the earlier installation is kept in [%s]",
                  m_strBackupFolder.GetString());
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
        // Checked before anything on the drive goes: a setup folder without them could only
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

    std::vector<CUserDataItem> items;
    ULONGLONG restoreBytes = 0;
    CollectUserData(items, restoreBytes);
    if (!WaitForRoom(restoreBytes))
        return 0;
    if (!BackupNeededFiles(items))
        return 0;
    if (IsStopRequested())
        return 0;
    if (!CleanPreviousInstallation())
    {
        Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::run() CleanDirectory failed.");
        return 0;
    }
    if (!CopyDirectory(usbDir, m_strDriveRoot, autorun))
    {
        Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::run() CopyDirectory failed. for USB to Root");
        return 0;
    }
    m_strNewPortableFolder = m_strPortableBase + m_pfnPortableName(m_strGeneration);
    AppendBackslash(m_strNewPortableFolder);
    if (!CreateFolderTree(m_strNewPortableFolder, nullptr) && !FolderExists(m_strNewPortableFolder))
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
    if (IsStopRequested())
        return 0;
    return RestoreNeededFiles(items) ? 1 : 0;
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
        if (FileExists(launcherFile) && GetFileSizeOfPath(launcherFile, size))
            m_bytesToDelete += size;
    }
    if (!FileExists(m_strLauncherIni))
        return;
    const CString productExe =
        ReadLauncherValue(L"product_exe", L"ReadPreviousInstallationDir: product_exe dose not exist");
    m_strPreviousGeneration =
        ReadLauncherValue(L"product_generation", L"ReadPreviousProductGeneration: product_generation dose not exist");
    if (ResolvePreviousFolder(productExe) && IsFolder(m_strPreviousFolder))
        m_bytesToDelete += GetFolderSize(m_strPreviousFolder);
}

bool CCopyUSBInstallationFromThread::ResolvePreviousFolder(const CString& productExe)
{
    m_strPreviousFolder.Empty();
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
    m_strPreviousFolder = resolved;
    return true;
}

bool CCopyUSBInstallationFromThread::WaitForRoom(ULONGLONG restoreBytes)
{
    if (m_bytesToCopy == 0)
        return true;
    // What the removal frees and what the restore writes back count as well: the earlier
    // installation may only go once the new one is known to fit.
    for (;;)
    {
        if (IsStopRequested())
            return false;
        ULONGLONG freeBytes = 0;
        ULONGLONG missing = m_bytesToCopy;
        if (m_pfnFreeSpace(m_strDriveRoot, freeBytes))
        {
            const ULONGLONG needed = m_bytesToCopy + restoreBytes;
            if (freeBytes >= needed || m_bytesToDelete >= needed - freeBytes)
                return true;
            missing = needed - freeBytes - m_bytesToDelete;
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

bool CCopyUSBInstallationFromThread::BackupNeededFiles(const std::vector<CUserDataItem>& items)
{
    if (m_strPreviousFolder.IsEmpty() || !IsFolder(m_strPreviousFolder))
        return true;
    if (m_strPreviousGeneration.IsEmpty())
    {
        // Without the generation the media database's path is unknown: removing the folder
        // would lose it.
        WIN32_FIND_DATAW fd;
        const CString pattern = m_strPreviousFolder + L"CommonAppDataFolder\\Quillmark\\Vantolin_*";
        CScopedFindHandle find(FindFirstFileW(pattern, &fd));
        if (find)
            do
            {
                const CString modb = m_strPreviousFolder + L"CommonAppDataFolder\\Quillmark\\" + fd.cFileName +
                                     L"\\MusicShelf\\modb";
                if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && PathExists(modb))
                {
                    Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::BackupNeededFiles: no generation for [%s]",
                          modb.GetString());
                    return false;
                }
            } while (FindNextFileW(find.Get(), &fd));
    }
    if (items.empty())
        return true;

    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(_countof(temp), temp);
    CString base;
    if (length == 0 || length > MAX_PATH)
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::BackupNeededFiles: GetTempPath returned %lu, last error = %lu",
              length, GetLastError());
        base = m_strDriveRoot + L"Temp\\";
    }
    else
        base = temp;
    AppendBackslash(base);
    base += L"QM_USBBackup\\";
    // A folder of its own: an earlier run's backup may hold the only copy of someone's data.
    CreateFolderTree(base, nullptr);
    for (int attempt = 0; attempt < 100 && m_strBackupFolder.IsEmpty(); ++attempt)
    {
        const CString candidate =
            FormatString(L"%s%lu_%lu_%d\\", base.GetString(), GetCurrentProcessId(), GetTickCount(), attempt);
        if (CreateDirectoryW(candidate, nullptr))
            m_strBackupFolder = candidate;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (m_strBackupFolder.IsEmpty())
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::BackupNeededFiles: could not create backup folder [%s]",
              base.GetString());
        return false;
    }
    for (const CUserDataItem& item : items)
    {
        if (item.m_strName == L"modb" || item.m_strName == L"PanelKit.dll")
            Trace(TRACE_TRACE, L"try to backup: %s", item.m_strSource.GetString());
        const CString target = m_strBackupFolder + item.m_strName;
        if (IsStopRequested() || !CopyVerified(item.m_strSource, target))
        {
            Trace(TRACE_ERROR, L"could not backup [%s]->[%s]", item.m_strSource.GetString(), target.GetString());
            return false;
        }
    }
    return true;
}

bool CCopyUSBInstallationFromThread::CleanPreviousInstallation()
{
    if (!IsFolder(m_strDriveRoot))
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CleanPreviousInstallation - path '%s' is not a folder !",
              m_strDriveRoot.GetString());
        return false;
    }
    for (const CString& launcherFile : { m_strLauncherExe, m_strLauncherIni })
    {
        if (!FileExists(launcherFile))
            continue;
        ULONGLONG size = 0;
        GetFileSizeOfPath(launcherFile, size);
        if (!DeleteFileW(launcherFile))
        {
            Trace(TRACE_ERROR, L"CleanPreviousInstallation failed delete [%s]", launcherFile.GetString());
            return false;
        }
        m_bDeletedSomething = true;
        if (m_pUSBListener)
            m_pUSBListener->OnDeleteFile(launcherFile, Low(size), Low(m_bytesToDelete));
    }
    if (m_strPreviousFolder.IsEmpty() || !IsFolder(m_strPreviousFolder))
        return true;
    // A folder that was missing when its user data was looked for (a drive pulled and put
    // back) may hold data nobody saved.
    if (!m_bPreviousFolderSeen)
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CleanPreviousInstallation - [%s] was not there for the backup, it stays",
              m_strPreviousFolder.GetString());
        return false;
    }
    if (!CleanDirectory(m_strPreviousFolder))
        return false;
    return RemoveDirectoryW(RemoveTrailingBackslashes(m_strPreviousFolder)) != FALSE;
}

bool CCopyUSBInstallationFromThread::CleanDirectory(const CString& folder)
{
    if (!IsFolder(folder))
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CleanDirectory - path '%s' is not a folder !",
              folder.GetString());
        return false;
    }
    if (IsProtectedFolder(folder))
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CleanDirectory - refusing to empty the protected folder '%s'",
              folder.GetString());
        return false;
    }
    CString base(folder);
    AppendBackslash(base);
    bool ok = true;
    WIN32_FIND_DATAW fd;
    CScopedFindHandle find(FindFirstFileW(base + L"*", &fd));
    if (!find)
        return true;
    do
    {
        if (IsStopRequested())
        {
            Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::CleanDirectory: process was canceled");
            return false;
        }
        if (IsDots(fd))
            continue;
        const CString path = base + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            // A link goes itself where the system can remove it; what it points at is never
            // emptied.
            const bool bLink = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (!bLink && !CleanDirectory(path))
                ok = false;
            else if (!RemoveDirectoryW(path) && !(bLink && DeleteFileW(path)))
            {
                Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CleanDirectory : could not remove folder '%s'",
                      path.GetString());
                ok = false;
            }
            else
                m_bDeletedSomething = true;
            continue;
        }
        if (!DeleteFileW(path))
        {
            Trace(TRACE_ERROR, L"CopyDirectoryFromThread::CleanDirectory : could not delete file '%s'", path.GetString());
            ok = false;
            continue;
        }
        m_bDeletedSomething = true;
        if (m_pUSBListener)
            m_pUSBListener->OnDeleteFile(path, Low(SizeOf(fd)), Low(m_bytesToDelete));
    } while (FindNextFileW(find.Get(), &fd));
    return ok;
}

bool CCopyUSBInstallationFromThread::CopyDirectory(const CString& source, const CString& target, const CString& leaveOut)
{
    CString from(source), to(target);
    AppendBackslash(from);
    AppendBackslash(to);
    if (!IsFolder(from))
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CopyDirectory - strSourceDir '%s' is not a folder !",
              from.GetString());
        return false;
    }
    if (!AssureDirExists(to))
    {
        Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CopyDirectory - strDestDir '%s' is not a folder !",
              to.GetString());
        return false;
    }
    bool ok = true;
    WIN32_FIND_DATAW fd;
    CScopedFindHandle find(FindFirstFileW(from + L"*", &fd));
    if (!find)
        return true;
    do
    {
        if (IsStopRequested())
        {
            Trace(TRACE_TRACE, L"CCopyUSBInstallationFromThread::CopyDirectory: process was canceled");
            return false;
        }
        if (IsDots(fd) || (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const CString sourcePath = from + fd.cFileName, targetPath = to + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            if (!CopyDirectory(sourcePath, targetPath, leaveOut))
                ok = false;
            continue;
        }
        if (IsSamePath(sourcePath, leaveOut))
            continue;
        if (!CopyFileW(sourcePath, targetPath, FALSE))
        {
            Trace(TRACE_ERROR, L"CopyDirectoryFromThread::CopyDirectory : could not copy file '%s'", sourcePath.GetString());
            ok = false;
            continue;
        }
        if (m_pUSBListener)
            m_pUSBListener->OnCopyFile(sourcePath, targetPath, Low(SizeOf(fd)), Low(m_bytesToCopy));
    } while (FindNextFileW(find.Get(), &fd));
    return ok;
}

bool CCopyUSBInstallationFromThread::RestoreNeededFiles(const std::vector<CUserDataItem>& items)
{
    if (m_strBackupFolder.IsEmpty())
        return true;
    for (const CUserDataItem& item : items)
    {
        const CString source = m_strBackupFolder + item.m_strName;
        const CString target = UserDataPath(m_strNewPortableFolder, m_strGeneration, item.m_strName);
        if (item.m_strName == L"modb")
            Trace(TRACE_TRACE, L"try to restore: %s", target.GetString());
        if (!CopyVerified(source, target))
        {
            Trace(TRACE_ERROR, L"could not restore [%s]->[%s]", source.GetString(), target.GetString());
            return false;
        }
    }
    return true;
}
