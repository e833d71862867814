#pragma once
// Writes a portable installation to a USB drive: the launcher files to the drive's root, the
// product files to a folder named after the product generation, keeping the user data of an
// earlier portable installation on that drive.

#include "IUSBInstallerListener.h"
#include "WorkerThread.h"

#include "classlib/String.h"

class CCopyUSBInstallationFromThread : public CWorkerThread
{
public:
    // The portable folder's name for a generation (config/GenerationNames.h gives it).
    typedef CString (*PortableFolderNameFn)(const wchar_t* pszGeneration);
    // Free bytes on the volume of a root; false when the volume cannot be asked.
    typedef bool (*FreeSpaceFn)(const wchar_t* pszRoot, ULONGLONG& rFreeBytes);

    CCopyUSBInstallationFromThread(IUSBInstallerListener* pListener, PortableFolderNameFn pfnPortableName);
    ~CCopyUSBInstallationFromThread() override;

    // 1 started, 0 refused. The generation is the product generation of the new files.
    int CopyUSBInstallation(const wchar_t* pszSetupDir, const wchar_t* pszDriveRoot, const wchar_t* pszPortableBase,
                            const wchar_t* pszFourthPath, const wchar_t* pszGeneration);
    bool IsFinished(bool& rbSucceeded);
    bool Stop();

    // Tests replace the volume query (null: the system's) and the pause between two room checks.
    void SetFreeSpaceQuery(FreeSpaceFn pfnFreeSpace);
    void SetRoomRetryMilliseconds(DWORD dwMilliseconds) { m_dwRoomRetryMs = dwMilliseconds; }

protected:
    int run() override;

private:
    struct CUserDataItem
    {
        CString m_strName;   // as logged and as named in the backup folder
        CString m_strSource; // in the earlier portable folder
    };

    int RunStages();
    void MeasurePreviousInstallation();
    CString ReadLauncherValue(const wchar_t* pszKey, const wchar_t* pszMissing);
    bool ResolvePreviousFolder(const CString& productExe);
    bool WaitForRoom(ULONGLONG restoreBytes);
    void CollectUserData(std::vector<CUserDataItem>& rItems, ULONGLONG& rBytes);
    bool BackupNeededFiles(const std::vector<CUserDataItem>& items);
    bool CleanPreviousInstallation();
    bool RestoreNeededFiles(const std::vector<CUserDataItem>& items);
    bool CleanDirectory(const CString& folder);
    bool CopyDirectory(const CString& source, const CString& target, const CString& leaveOut);
    CString UserDataPath(const CString& portableFolder, const CString& generation, const wchar_t* pszName) const;

    IUSBInstallerListener* m_pUSBListener;
    PortableFolderNameFn m_pfnPortableName;
    FreeSpaceFn m_pfnFreeSpace;
    DWORD m_dwRoomRetryMs = 5000;

    CString m_strSetupDir;
    CString m_strDriveRoot;
    CString m_strPortableBase;
    CString m_strFourthPath; // kept for the caller's sake; the copy does not use it
    CString m_strGeneration;
    CString m_strLauncherExe;
    CString m_strLauncherIni;
    CString m_strPreviousFolder; // empty: no earlier portable folder that may be removed
    CString m_strPreviousGeneration;
    CString m_strNewPortableFolder;
    CString m_strBackupFolder; // this run's own, empty until made
    ULONGLONG m_bytesToCopy = 0;
    ULONGLONG m_bytesToDelete = 0;
    bool m_bDeletedSomething = false;
    // The earlier folder was there when its user data was looked for.
    bool m_bPreviousFolderSeen = false;
};
