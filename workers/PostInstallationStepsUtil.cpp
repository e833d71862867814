#include "PostInstallationStepsUtil.h"

#include "classlib/Handles.h"
#include "support/Registry.h"
#include "support/TraceLog.h"

bool CPostInstallationStepsUtil::FillPostInstallationStepsForKey(HKEY hRoot, const wchar_t* pszKeyPath,
                                                                 CPostInstallationStepArray& rSteps)
{
    rSteps.clear();
    CScopedRegKey key;
    if (RegOpenKeyExW(hRoot, pszKeyPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
    {
        Trace(TRACE_TRACE, L"CPostInstallationStepsUtil::FillPostInstallationStepsForKey failed for key [%s]", pszKeyPath);
        return false;
    }
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[256] = {};
        DWORD cchName = 256;
        if (RegEnumKeyExW(key.Get(), index, name, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        CPostInstallationStepData step;
        step.m_strName = name;
        step.m_strProgressMessage = GetRegString(key.Get(), name, L"ProgressMessage", 0);
        step.m_strExtraMessage = GetRegString(key.Get(), name, L"ExtraMessage", 0);
        step.m_strCommand = GetRegString(key.Get(), name, L"Command", 0);
        step.m_strCommandParams = GetRegString(key.Get(), name, L"CommandParams", 0);
        step.m_bCheckReturnCode = GetRegString(key.Get(), name, L"CheckReturnCode", 0) == L"1";
        rSteps.push_back(step);
    }
    return true;
}
