#pragma once
// Wine shows every file as this user's (an owner made from the file's mode), so the owner that
// Windows gives the folders an elevated run made (the Administrators) is answered by the tests
// themselves for the life of the object. Programs using it link support.

#include "support/WorkFolder.h"

class CFolderOwnerAnswer
{
public:
    explicit CFolderOwnerAnswer(const wchar_t* pszSid = L"S-1-5-32-544") : m_previous(SetFolderOwnerQuery(Answer))
    {
        Set(pszSid);
    }
    ~CFolderOwnerAnswer() { SetFolderOwnerQuery(m_previous); }
    CFolderOwnerAnswer(const CFolderOwnerAnswer&) = delete;
    CFolderOwnerAnswer& operator=(const CFolderOwnerAnswer&) = delete;

    // The owner of every folder from now on; empty: an owner that cannot be read.
    static void Set(const wchar_t* pszSid) { Owner() = pszSid ? pszSid : L""; }

private:
    static CString& Owner()
    {
        static CString s_owner;
        return s_owner;
    }
    static bool Answer(const wchar_t*, CString& rOwnerSid)
    {
        rOwnerSid = Owner();
        return !rOwnerSid.IsEmpty();
    }

    FolderOwnerQuery m_previous;
};
