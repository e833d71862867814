#pragma once
// Writes a portable installation to a USB drive: the launcher files to the drive's root, the
// product files to a folder named after the product generation, keeping the user data of an
// earlier portable installation on that drive. What the new installation replaces is renamed
// aside on the drive first and removed only once the new installation holds the user data; a
// failed or stopped run puts it back.

#include "DriveSetAside.h"
#include "IUSBInstallerListener.h"
#include "WorkerThread.h"

#include "classlib/String.h"

#include <vector>

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
    // After a run without success: the folder on the drive that holds the earlier installation
    // and its user data because it could not be put back in place (the drive was pulled, say);
    // empty when it is back or there was none.
    CString GetKeptPreviousFolder();

    // Tests replace the volume query (null: the system's) and the pause between two room checks.
    void SetFreeSpaceQuery(FreeSpaceFn pfnFreeSpace);
    void SetRoomRetryMilliseconds(DWORD dwMilliseconds) { m_dwRoomRetryMs = dwMilliseconds; }

protected:
    int run() override;

private:
    struct CUserDataItem
    {
        CString m_strName;   // as logged
        CString m_strSource; // in the earlier portable folder
    };

    int RunStages();
    void MeasurePreviousInstallation();
    CString ReadLauncherValue(const wchar_t* pszKey, const wchar_t* pszMissing);
    bool ResolvePreviousFolder(const CString& productExe);
    bool HasPortableFolderName(const CString& folder) const;
    bool IsEarlierInstallation(const CString& folder) const;
    bool CheckNewPortableFolder();
    bool WaitForRoom(ULONGLONG restoreBytes);
    void CollectUserData(std::vector<CUserDataItem>& rItems, ULONGLONG& rBytes);
    bool HasDatabaseOfUnknownGeneration() const;
    bool SetAsidePreviousInstallation(const CString& usbDir, const CString& leaveOut);
    bool CopyDirectory(const CString& source, const CString& target, const CString& leaveOut);
    bool CreateNewPortableFolder();
    bool RestoreNeededFiles(const std::vector<CUserDataItem>& items);
    void RollBack();
    CString UserDataPath(const CString& portableFolder, const CString& generation, const wchar_t* pszName) const;
    static bool OnFileToCopy(void* pContext, const wchar_t* pszSource, const wchar_t* pszTarget, ULONGLONG size);
    static void OnFileRemoved(void* pContext, const wchar_t* pszPath, ULONGLONG size);

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
    CString m_strPreviousFolder;  // empty: no earlier portable installation on the drive
    CString m_strPreviousProgram; // the program the old launcher settings name, in that folder
    CString m_strPreviousGeneration;
    CString m_strNewPortableFolder;
    CString m_strCopying; // the file the copy is at
    ULONGLONG m_bytesToCopy = 0;
    ULONGLONG m_bytesToDelete = 0;
    // The earlier folder was there when its user data was looked for.
    bool m_bPreviousFolderSeen = false;
    CDriveSetAside m_drive;
    CString m_strKeptPreviousFolder; // under the lock
};
