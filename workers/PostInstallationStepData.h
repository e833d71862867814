#pragma once
// One command of the post-installation list the installed product leaves in the registry.

#include "classlib/String.h"

#include <vector>

class CPostInstallationStepData
{
public:
    CString m_strName;            // the step's subkey
    CString m_strProgressMessage; // main text of the progress page while the step runs
    CString m_strExtraMessage;    // detail text below it
    CString m_strCommand;
    CString m_strCommandParams;
    bool m_bCheckReturnCode = false; // the exit code must be 0 for the step to succeed
};

typedef std::vector<CPostInstallationStepData> CPostInstallationStepArray;
