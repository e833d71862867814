#pragma once
// The registry values the controller reads and writes about the product's installation, each
// named once under a small number. All use the program's default registry view, where the
// product's 32-bit package writes.

#include "classlib/String.h"

#include <map>

// The entries by number; the numbers are the table's own and appear in its log lines.
enum RegistryKeyId : DWORD
{
    // RunOnce "RunOruInstaller": the command that continues the setup after a reboot.
    REGKEY_PC_RESTART_INSTALLATION = 0,
    REGKEY_PC_AFFILIATE_ID = 1,
    // "1": the driver manager asks for a reboot.
    REGKEY_DRIVER_REBOOT = 2,
    // The controller's product key itself.
    REGKEY_PC_ORU = 3,
    REGKEY_PC_UNINSTALLER = 4,
    REGKEY_PC_INSTALLATION_SUCCESSFUL = 5,
    // The start commands of the installed product and of a USB installation.
    REGKEY_LAUNCH = 6,
    REGKEY_LAUNCH_USB = 7,
    // 8 is not used.
    REGKEY_PC_INSTALLED_VIEW = 9,
    // The wizard choices kept across a reboot, 10 to 16.
    REGKEY_RESTART_INSTALL_DIR = 10,
    REGKEY_RESTART_INTEGRATE_MUSIC_LIB = 11,
    REGKEY_RESTART_COMMON_MUSIC_LIB_DIR = 12,
    REGKEY_RESTART_CUSTOM_MUSIC_LIB_DIR = 13,
    REGKEY_RESTART_DOWNLOAD_LAME = 14,
    REGKEY_RESTART_SEND_USAGE_STATS = 15,
    REGKEY_RESTART_IMPORT_SETTINGS = 16,
    REGKEY_RESTART_FIRST = REGKEY_RESTART_INSTALL_DIR,
    REGKEY_RESTART_LAST = REGKEY_RESTART_IMPORT_SETTINGS
};

struct RegistryKey
{
    HKEY hRoot = nullptr;
    CString strKeyPath;
    // Empty: the entry names the key itself.
    CString strValueName;
};

class CRegistryKeyMap
{
public:
    // Callers pass a hash table's block size (10); the ordered map grows by node and ignores it.
    explicit CRegistryKeyMap(int nBlockSize) { (void)nBlockSize; }

    // An entry under a number that is already present replaces it.
    void SetAt(DWORD id, const RegistryKey& entry) { m_entries[id] = entry; }
    bool Lookup(DWORD id, RegistryKey& rEntry) const;
    void RemoveAll() { m_entries.clear(); }

    // Every entry of the product's table (numbers 0 to 16; 8 is not used).
    void Fill(const wchar_t* pszGeneration);
    // The entries whose key path holds the product generation (affiliate id, launch commands,
    // installed view).
    void FillGenerationEntries(const wchar_t* pszGeneration);

private:
    std::map<DWORD, RegistryKey> m_entries;
};

bool GetRegStringValue(const CRegistryKeyMap& map, DWORD id, CString& rValue);
bool SetRegStringValue(const CRegistryKeyMap& map, DWORD id, const wchar_t* pszValue);
// A value entry deletes its value, a key entry the key with its subkeys.
bool DeleteRegistryKey(const CRegistryKeyMap& map, DWORD id);
