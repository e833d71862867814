#include "ProductFolders.h"
#include "GenerationNames.h"
#include "QMConfig.h"
#include "SettingsKeys.h"

#include "support/FileUtil.h"
#include "support/Folders.h"

namespace
{
bool IsPortable()
{
    QMConfig* pConfig = GetSettingsStore();
    return pConfig && pConfig->UsesIniFile();
}

CString EnsuredOrEmpty(const CString& folder)
{
    return EnsureFolderExists(folder) ? folder : CString();
}
}

CString GetLocalAppDataProductFolder()
{
    const CString base = IsPortable() ? GetProgramFolder() + L"LocalAppDataFolder\\" : GetLocalAppDataFolder();
    const CString folder = GetGenerationFolder(GetProductEditionName());
    if (base.IsEmpty() || folder.IsEmpty())
        return CString();
    return EnsuredOrEmpty(base + folder);
}

CString GetTraceLogFolder()
{
    CString base = IsPortable() ? GetTempFolderSetting() : GetLocalAppDataProductFolder();
    if (base.IsEmpty())
        return CString();
    const wchar_t last = base[base.GetLength() - 1];
    if (last != L'\\' && last != L'/')
        base += L'\\';
    return EnsuredOrEmpty(base + L"Log\\");
}

void SetDefaultTempFolder()
{
    CString folder = GetWindowsTempDir();
    AppendPathPart(folder, L"Quillmark");
    EnsureFolderExists(folder);
    SetTempFolderSetting(folder);
}
