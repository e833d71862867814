#include "GenerationNames.h"

namespace
{
const wchar_t kStoreKeyPrefix[] = L"SOFTWARE\\Quillmark\\";
const wchar_t kDefaultsSuffix[] = L".default";
const wchar_t kRootPrefix[] = L"Vantolin_";
}

bool IsUsableGeneration(const wchar_t* pszGeneration)
{
    const CString generation(pszGeneration);
    if (generation.Find(L"..") >= 0 || generation.FindOneOf(L"\\/:*?\"<>|") >= 0)
        return false;
    for (int i = 0; i < generation.GetLength(); ++i)
        if (generation[i] < 32)
            return false;
    return true;
}

CString GetStoreRootKey(const wchar_t* pszRootName)
{
    return kStoreKeyPrefix + CString(pszRootName);
}

CString GetStoreDefaultsKey(const wchar_t* pszRootName)
{
    return GetStoreRootKey(pszRootName) + kDefaultsSuffix;
}

CString GetGenerationRootName(const wchar_t* pszGeneration)
{
    if (!IsUsableGeneration(pszGeneration))
        return CString();
    return kRootPrefix + CString(pszGeneration);
}

CString GetGenerationKey(const wchar_t* pszGeneration, const wchar_t* pszSection)
{
    const CString root = GetGenerationRootName(pszGeneration);
    if (root.IsEmpty())
        return root;
    CString key = GetStoreRootKey(root);
    if (pszSection && *pszSection)
        key += CString(L"\\") + pszSection;
    return key;
}

CString GetGenerationDefaultsKey(const wchar_t* pszGeneration)
{
    const CString root = GetGenerationRootName(pszGeneration);
    return root.IsEmpty() ? root : GetStoreDefaultsKey(root);
}

CString GetGenerationLaunchKey(const wchar_t* pszGeneration)
{
    const CString root = GetGenerationRootName(pszGeneration);
    return root.IsEmpty() ? root : L"Software\\Quillmark\\" + root;
}

CString GetGenerationFolder(const wchar_t* pszGeneration)
{
    const CString root = GetGenerationRootName(pszGeneration);
    return root.IsEmpty() ? root : L"Quillmark\\" + root + L"\\";
}

CString GetPortableFolderName(const wchar_t* pszGeneration)
{
    CString root = GetGenerationRootName(pszGeneration);
    if (root.IsEmpty())
        return root;
    root.Replace(L'.', L'_');
    return root + L"_portable";
}

bool HasPortableFolderForm(const wchar_t* pszName)
{
    const CString name(pszName);
    const CString prefix = kRootPrefix, suffix = L"_portable";
    return name.GetLength() > prefix.GetLength() + suffix.GetLength() &&
           name.Left(prefix.GetLength()).CompareNoCase(prefix) == 0 &&
           name.Right(suffix.GetLength()).CompareNoCase(suffix) == 0;
}

CString GetInstanceFlagName(const wchar_t* pszGeneration)
{
    if (!IsUsableGeneration(pszGeneration))
        return CString();
    return L"VANTOLIN_INSTANCE" + CString(pszGeneration);
}
