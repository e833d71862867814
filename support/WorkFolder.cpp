#include "WorkFolder.h"
#include "FileUtil.h"
#include "SysUtil.h"
#include "TraceLog.h"

#include "classlib/Handles.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace
{
const wchar_t kSystemSid[] = L"S-1-5-18";
const wchar_t kAdministratorsSid[] = L"S-1-5-32-544";

CString SidText(PSID pSid)
{
    wchar_t* pszText = nullptr;
    if (!pSid || !ConvertSidToStringSidW(pSid, &pszText))
        return CString();
    CScopedLocalMemory text(pszText);
    return CString(pszText);
}

bool QueryOwner(const wchar_t* pszFolder, CString& rOwnerSid)
{
    PSID pOwner = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (GetNamedSecurityInfoW(pszFolder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &pOwner, nullptr, nullptr,
                              nullptr, &pDescriptor) != ERROR_SUCCESS)
        return false;
    CScopedLocalMemory descriptor(pDescriptor);
    rOwnerSid = SidText(pOwner);
    return !rOwnerSid.IsEmpty();
}

FolderOwnerQuery g_ownerQuery = QueryOwner;

// "DOMAIN\name (S-1-...)" where the account can be looked up, else the SID text.
CString OwnerName(const CString& sid)
{
    PSID pSid = nullptr;
    if (!ConvertStringSidToSidW(sid, &pSid))
        return sid;
    CScopedLocalMemory sidMemory(pSid);
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, pSid, name, &nameLength, domain, &domainLength, &use))
        return sid;
    return FormatString(L"%s%s%s (%s)", domain, domain[0] ? L"\\" : L"", name, sid.GetString());
}
}

bool MakeProtectedFolderDescriptor(CScopedLocalMemory& rDescriptor)
{
    const CString user = GetProcessUserSid();
    CString sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    // The user's programs that run without elevation carry this SID too (and Administrators
    // only for denying): they may read and run what is here, never change it.
    if (!user.IsEmpty())
        sddl += L"(A;OICI;FRFX;;;" + user + L")";
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &pDescriptor, nullptr))
        return false;
    rDescriptor.Reset(pDescriptor);
    return true;
}

namespace
{
bool CreateProtectedFolder(const wchar_t* pszFolder, DWORD& rError)
{
    CScopedLocalMemory descriptor;
    if (!MakeProtectedFolderDescriptor(descriptor))
    {
        rError = GetLastError();
        return false;
    }
    SECURITY_ATTRIBUTES attributes = { sizeof(attributes), descriptor.Get(), FALSE };
    if (CreateDirectoryW(pszFolder, &attributes))
        return true;
    rError = GetLastError();
    return false;
}

bool ResetProtectedList(const wchar_t* pszFolder)
{
    CScopedLocalMemory descriptor;
    if (!MakeProtectedFolderDescriptor(descriptor))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL pDacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.Get(), &present, &pDacl, &defaulted))
        return false;
    return SetNamedSecurityInfoW(const_cast<wchar_t*>(pszFolder), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 pDacl, nullptr) == ERROR_SUCCESS;
}

// Objects an elevated program makes belong to the Administrators (or to SYSTEM); a folder this
// user owns can have been made by any program of the user's, elevated or not.
bool IsTrustedOwner(const CString& sid)
{
    return sid == kSystemSid || sid == kAdministratorsSid;
}

// "an owner that cannot be read" or the owner's name, for the error lines.
CString OwnerText(const CString& sid)
{
    return sid.IsEmpty() ? CString(L"an owner that cannot be read") : OwnerName(sid);
}

bool HasTrustedOwner(const CString& folder, CString& rOwner)
{
    CString sid;
    if (!g_ownerQuery(folder, sid))
        sid.Empty();
    rOwner = OwnerText(sid);
    return IsTrustedOwner(sid);
}
}

CString GetProcessUserSid()
{
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return CString();
    CScopedHandle token(hToken);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return CString();
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        return CString();
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

bool PrepareWorkFolder(const wchar_t* pszFolder, bool bResetExisting)
{
    CString folder(pszFolder ? pszFolder : L"");
    folder.TrimRight(L"\\");
    DWORD error = 0;
    if (CreateProtectedFolder(folder, error))
        return true;
    if (error != ERROR_ALREADY_EXISTS || !IsFolder(folder))
    {
        Trace(TRACE_ERROR, L"PrepareWorkFolder : cannot create the folder [%s] : %s", folder.GetString(),
              GetSystemErrorText(error).GetString());
        return false;
    }
    CString owner;
    if (!HasTrustedOwner(folder, owner))
    {
        Trace(TRACE_ERROR, L"PrepareWorkFolder : refusing the folder [%s]: it is owned by %s", folder.GetString(),
              owner.GetString());
        return false;
    }
    if (bResetExisting && !ResetProtectedList(folder))
    {
        Trace(TRACE_ERROR, L"PrepareWorkFolder : cannot protect the folder [%s] : %s", folder.GetString(),
              GetLastSystemErrorText().GetString());
        return false;
    }
    return true;
}

bool IsTrustedWorkFolder(const wchar_t* pszFolder, CString& rOwner)
{
    rOwner.Empty();
    const CString folder = RemoveTrailingBackslashes(pszFolder ? pszFolder : L"");
    const DWORD attributes = GetFileAttributesW(folder);
    if (folder.IsEmpty() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return HasTrustedOwner(folder, rOwner);
}

bool CreateFreshWorkFolder(const wchar_t* pszParent, const wchar_t* pszPrefix, CString& rFolder)
{
    CString parent(pszParent ? pszParent : L"");
    AppendBackslash(parent);
    // A per-process start keeps two runs from walking the same names.
    const DWORD start = (GetTickCount() ^ (GetCurrentProcessId() << 12)) & 0xFFFFFF;
    for (DWORD i = 0; i < 1000; ++i)
    {
        const CString folder = parent + FormatString(L"%s%06lx", pszPrefix ? pszPrefix : L"", (start + i) & 0xFFFFFF);
        DWORD error = 0;
        if (CreateProtectedFolder(folder, error))
        {
            rFolder = folder;
            return true;
        }
        if (error != ERROR_ALREADY_EXISTS)
        {
            Trace(TRACE_ERROR, L"CreateFreshWorkFolder : cannot create the folder [%s] : %s", folder.GetString(),
                  GetSystemErrorText(error).GetString());
            return false;
        }
    }
    Trace(TRACE_ERROR, L"CreateFreshWorkFolder : every name under [%s] is taken", parent.GetString());
    return false;
}

FolderOwnerQuery SetFolderOwnerQuery(FolderOwnerQuery query)
{
    const FolderOwnerQuery previous = g_ownerQuery;
    g_ownerQuery = query;
    return previous;
}
