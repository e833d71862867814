#include "EmbeddedSignature.h"

#include "support/FileUtil.h"
#include "support/TraceLog.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

namespace
{
// Not WinVerifyTrust codes: the file holds bytes after its certificate table, which the
// signature does not cover (a signed program with anything appended still verifies); the file
// has a certificate table, but the trust provider found no signature in it (so it is not
// "unsigned": Wine answers so for a signed program with bytes appended).
const LONG kUncoveredData = static_cast<LONG>(0xA0560001);
const LONG kUnreadableTable = static_cast<LONG>(0xA0560002);

const DWORD kShareReadOnly = FILE_SHARE_READ;

bool ReadAt(HANDLE hFile, ULONGLONG offset, void* pBuffer, DWORD size)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    return SetFilePointerEx(hFile, at, nullptr, FILE_BEGIN) && ReadFile(hFile, pBuffer, size, &read, nullptr) && read == size;
}

template <typename T> T Little(const BYTE* p)
{
    T value = 0;
    for (size_t i = sizeof(T); i-- > 0;)
        value = static_cast<T>((value << 8) | p[i]);
    return value;
}

// The bytes after the end of the PE file's certificate table, and whether it has one; 0 and false
// for a file that is not a PE image (the trust provider judges those alone).
ULONGLONG UncoveredBytes(HANDLE hFile, bool& rHasTable)
{
    rHasTable = false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(hFile, &size))
        return 0;
    const ULONGLONG fileSize = static_cast<ULONGLONG>(size.QuadPart);
    BYTE dos[64] = {};
    if (!ReadAt(hFile, 0, dos, sizeof(dos)) || dos[0] != 'M' || dos[1] != 'Z')
        return 0;
    const ULONGLONG pe = Little<DWORD>(dos + 0x3C);
    // Signature, file header and the optional header's fields up to the data directories.
    BYTE headers[24 + 112 + 8 * 16] = {};
    if (!ReadAt(hFile, pe, headers, 24) || memcmp(headers, "PE\0\0", 4) != 0)
        return 0;
    const WORD optionalSize = Little<WORD>(headers + 20);
    const DWORD toRead = optionalSize < sizeof(headers) - 24 ? optionalSize : static_cast<DWORD>(sizeof(headers) - 24);
    if (toRead < 2 || !ReadAt(hFile, pe + 24, headers + 24, toRead))
        return 0;
    const BYTE* optional = headers + 24;
    const WORD magic = Little<WORD>(optional);
    const DWORD directories = magic == 0x20B ? 112 : 96;
    const DWORD security = directories + 4 * 8;
    if ((magic != 0x10B && magic != 0x20B) || toRead < security + 8 || Little<DWORD>(optional + directories - 4) <= 4)
        return 0;
    const ULONGLONG tableOffset = Little<DWORD>(optional + security);
    const ULONGLONG tableSize = Little<DWORD>(optional + security + 4);
    if (tableOffset == 0 || tableSize == 0)
        return 0;
    rHasTable = true;
    // A table that reaches past the end is damaged: the trust provider refuses it.
    return tableOffset + tableSize < fileSize ? fileSize - (tableOffset + tableSize) : 0;
}

void ReadSigner(HANDLE hStateData, CCodeSigner& rSigner)
{
    CRYPT_PROVIDER_DATA* pProvider = ::WTHelperProvDataFromStateData(hStateData);
    CRYPT_PROVIDER_SGNR* pSigner = pProvider ? ::WTHelperGetProvSignerFromChain(pProvider, 0, FALSE, 0) : nullptr;
    if (!pSigner || pSigner->csCertChain == 0 || !pSigner->pasCertChain || !pSigner->pasCertChain[0].pCert)
        return;
    const CERT_INFO* pInfo = pSigner->pasCertChain[0].pCert->pCertInfo;
    CERT_NAME_BLOB name = pInfo->Subject;
    const DWORD size = ::CertNameToStrW(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, nullptr, 0);
    if (size > 1)
    {
        ::CertNameToStrW(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, rSigner.strSubject.GetBuffer(size), size);
        rSigner.strSubject.ReleaseBuffer();
    }
    const CERT_PUBLIC_KEY_INFO& key = pInfo->SubjectPublicKeyInfo;
    if (key.Algorithm.pszObjId)
        rSigner.publicKey = key.Algorithm.pszObjId;
    rSigner.publicKey += '\0';
    rSigner.publicKey.append(reinterpret_cast<const char*>(key.PublicKey.pbData), key.PublicKey.cbData);
}

// Runs the verification through the handle and reads the signer from its state before
// releasing it. A signature that leaves bytes of the file uncovered counts as none of ours.
LONG VerifyTrust(HANDLE hFile, const CString& path, CCodeSigner* pSigner, ULONGLONG& rUncovered)
{
    bool bHasTable = false;
    rUncovered = UncoveredBytes(hFile, bHasTable);
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path;
    file.hFile = hFile;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG result = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (result == 0 && pSigner)
        ReadSigner(data.hWVTStateData, *pSigner);
    // The verification state is released on every path.
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (rUncovered > 0)
        result = kUncoveredData;
    else if (result == TRUST_E_NOSIGNATURE && bHasTable)
        result = kUnreadableTable;
    return result;
}

CScopedFileHandle OpenForCheck(const CString& path, DWORD& rError)
{
    CScopedFileHandle file(::CreateFileW(path, GENERIC_READ, kShareReadOnly, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    rError = file.IsValid() ? 0 : ::GetLastError();
    return file;
}

void TraceFailure(LONG result, ULONGLONG uncovered, const CString& path)
{
    switch (result)
    {
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
    case kUnreadableTable:
        Trace(TRACE_TRACE, L"VerifyEmbeddedSignature: The file has a certificate table without a signature that can be read [%s]",
              path.GetString());
        break;
    case kUncoveredData:
        Trace(TRACE_TRACE, L"VerifyEmbeddedSignature: The file holds %I64u bytes after its signature [%s]", uncovered,
              path.GetString());
        break;
    default:
        Trace(TRACE_TRACE, L"VerifyEmbeddedSignature: WinVerifyTrust failed with error 0x%.8X [%s]",
              static_cast<unsigned>(result), path.GetString());
        break;
    }
}

// The full path of the program file, however long (MAX_PATH would cut it, and a path that
// cannot be read turns the rule into "nothing accepted", not into "anyone").
CString GetOwnProgramPath()
{
    std::vector<wchar_t> buffer(32768);
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size())
        return CString();
    const CString path(buffer.data());
    return path.GetLength() < MAX_PATH || path.Left(2) == L"\\\\" ? path : L"\\\\?\\" + path;
}
}

bool VerifyEmbeddedSignature(HANDLE hFile, const CString& path, const CSignerRule& rule)
{
    if (rule.GetKind() == CSignerRule::NoSigner)
    {
        Trace(TRACE_ERROR,
              L"VerifyEmbeddedSignature: the signature of this program cannot be verified, no file is accepted [%s]",
              path.GetString());
        return false;
    }
    CCodeSigner signer;
    ULONGLONG uncovered = 0;
    const LONG result = VerifyTrust(hFile, path, &signer, uncovered);
    if (result != 0)
    {
        TraceFailure(result, uncovered, path);
        return false;
    }
    // A valid signature of someone else is no signature of ours, even under our name.
    if (rule.GetKind() == CSignerRule::OwnSigner && signer != rule.GetSigner())
    {
        Trace(TRACE_ERROR, L"VerifyEmbeddedSignature: The file is signed by [%s]%s, not by [%s] [%s]", signer.strSubject.GetString(),
              signer.strSubject == rule.GetSigner().strSubject ? L" with another key" : L"",
              rule.GetSigner().strSubject.GetString(), path.GetString());
        return false;
    }
    Trace(TRACE_TRACE, L"File signature is OK. [%s]", path.GetString());
    return true;
}

bool VerifyEmbeddedSignature(const CString& path, const CSignerRule& rule)
{
    if (!PathExists(path))
    {
        Trace(TRACE_TRACE, L"VerifyEmbeddedSignature failed: file does not exist [%s]", path.GetString());
        return false;
    }
    DWORD error = 0;
    const CScopedFileHandle file = OpenForCheck(path, error);
    if (!file.IsValid())
    {
        Trace(TRACE_ERROR, L"VerifyEmbeddedSignature: cannot open the file for the check (error %lu) [%s]", error,
              path.GetString());
        return false;
    }
    return VerifyEmbeddedSignature(file.Get(), path, rule);
}

CSignerRule GetSignerRuleOfProgram(const CString& programPath)
{
    DWORD error = 0;
    const CScopedFileHandle file = OpenForCheck(programPath, error);
    CCodeSigner signer;
    ULONGLONG uncovered = 0;
    const LONG result = file.IsValid() ? VerifyTrust(file.Get(), programPath, &signer, uncovered) : static_cast<LONG>(HRESULT_FROM_WIN32(error));
    if (result == 0)
        return CSignerRule::Own(signer);
    if (result == TRUST_E_NOSIGNATURE)
    {
        Trace(TRACE_WARNING, L"GetOwnSignerRule: the program is not signed, any valid signer is accepted [%s]",
              programPath.GetString());
        return CSignerRule::Any();
    }
    TraceFailure(result, uncovered, programPath);
    Trace(TRACE_ERROR, L"GetOwnSignerRule: the signature of the program cannot be verified (0x%.8X), no file is accepted [%s]",
          static_cast<unsigned>(result), programPath.GetString());
    return CSignerRule::None();
}

const CSignerRule& GetOwnSignerRule()
{
    static const CSignerRule rule = GetSignerRuleOfProgram(GetOwnProgramPath());
    return rule;
}

bool GetEmbeddedSigner(const CString& path, CCodeSigner& rSigner)
{
    DWORD error = 0;
    const CScopedFileHandle file = OpenForCheck(path, error);
    ULONGLONG uncovered = 0;
    rSigner = CCodeSigner();
    return file.IsValid() && VerifyTrust(file.Get(), path, &rSigner, uncovered) == 0;
}

CString GetOwnSignerSubject()
{
    const CSignerRule& rule = GetOwnSignerRule();
    return rule.GetKind() == CSignerRule::OwnSigner ? rule.GetSigner().strSubject : CString();
}

bool CCheckedFile::Open(const CString& path, const CSignerRule& rule)
{
    m_file.Close();
    m_strPath = path;
    DWORD error = 0;
    CScopedFileHandle file = OpenForCheck(path, error);
    if (!file.IsValid())
    {
        Trace(TRACE_ERROR, L"CCheckedFile::Open cannot hold the file against writes (error %lu) [%s]", error, path.GetString());
        return false;
    }
    if (!VerifyEmbeddedSignature(file.Get(), path, rule))
    {
        Trace(TRACE_ERROR, L"CCheckedFile::Open the signature check failed, the file is not run [%s]", path.GetString());
        return false;
    }
    m_file = std::move(file);
    return true;
}
