#include "EmbeddedSignature.h"

#include "support/FileUtil.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace
{
// Runs the verification and reads the signer's subject from its state before releasing it.
LONG VerifyTrust(const CString& path, CString* pSubject)
{
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (result == 0 && pSubject)
    {
        CRYPT_PROVIDER_DATA* pProvider = ::WTHelperProvDataFromStateData(data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* pSigner = pProvider ? ::WTHelperGetProvSignerFromChain(pProvider, 0, FALSE, 0) : nullptr;
        if (pSigner && pSigner->csCertChain > 0 && pSigner->pasCertChain && pSigner->pasCertChain[0].pCert)
        {
            CERT_NAME_BLOB* pName = &pSigner->pasCertChain[0].pCert->pCertInfo->Subject;
            const DWORD size = ::CertNameToStrW(X509_ASN_ENCODING, pName, CERT_X500_NAME_STR, nullptr, 0);
            if (size > 1)
            {
                ::CertNameToStrW(X509_ASN_ENCODING, pName, CERT_X500_NAME_STR, pSubject->GetBuffer(size), size);
                pSubject->ReleaseBuffer();
            }
        }
    }
    // The verification state is released on every path.
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return result;
}
}

bool VerifyEmbeddedSignature(const CString& path, const CString& expectedSigner)
{
    if (!PathExists(path))
    {
        Trace(TRACE_TRACE, L"VerifyEmbeddedSignature failed: file does not exist [%s]", path.GetString());
        return false;
    }
    CString subject;
    const LONG result = VerifyTrust(path, &subject);
    switch (result)
    {
    case 0:
        // A valid signature of someone else is no signature of ours.
        if (!expectedSigner.IsEmpty() && subject != expectedSigner)
        {
            Trace(TRACE_TRACE, L"VerifyEmbeddedSignature: The file is signed by [%s], not by [%s] [%s]", subject.GetString(),
                  expectedSigner.GetString(), path.GetString());
            return false;
        }
        Trace(TRACE_TRACE, L"File signature is OK. [%s]", path.GetString());
        return true;
    case TRUST_E_NOSIGNATURE:
        Trace(TRACE_TRACE, L"VerifyEmbeddedSignature: No signature found on the file []%s", path.GetString());
        break;
    case TRUST_E_BAD_DIGEST:
        Trace(TRACE_TRACE, L"VerifyEmbeddedSignature: The signature of the file is invalid [%s]", path.GetString());
        break;
    case TRUST_E_PROVIDER_UNKNOWN:
        Trace(TRACE_TRACE, L"VerifyEmbeddedSignature: No trust provider on this machine can verify this type of files [%s]",
              path.GetString());
        break;
    default:
        Trace(TRACE_TRACE, L"VerifyEmbeddedSignature: WinVerifyTrust failed with error 0x%.8X [%s]",
              static_cast<unsigned>(result), path.GetString());
        break;
    }
    return false;
}

CString GetEmbeddedSignerSubject(const CString& path)
{
    CString subject;
    return VerifyTrust(path, &subject) == 0 ? subject : CString();
}

CString GetOwnSignerSubject()
{
    return GetEmbeddedSignerSubject(GetModuleFilePath());
}
