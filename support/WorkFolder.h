#pragma once
// The run's working folders (the extraction folder, the restart copy, the cleanup program's
// folder). The run is elevated and starts programs from them, so no other account, and none of
// this user's programs that run without elevation, may have been able to place or change
// anything there: each is made new with a protected access list (full control for SYSTEM and
// Administrators, read and run for this process's user, nothing inherited), and an existing
// one is taken only when SYSTEM or the Administrators own it.

#include "classlib/Handles.h"
#include "classlib/String.h"

// Creates the folder (its parent must exist) with the protected list, or takes the existing
// one when its owner is trusted; bResetExisting sets the list again on an existing folder (one
// under the temporary folder; a folder the user named elsewhere is only checked). False, with
// an error line naming the folder and its owner, for a folder another account owns or one that
// cannot be made.
bool PrepareWorkFolder(const wchar_t* pszFolder, bool bResetExisting);

// True for an existing folder, no link or junction, that SYSTEM or the Administrators own: one
// an elevated program made. rOwner names the owner for an error line.
bool IsTrustedWorkFolder(const wchar_t* pszFolder, CString& rOwner);

// A folder of its own under the parent: "<prefix><number>", made new with the protected list; a
// name that is taken is never used, the next one is tried. False when none could be made.
bool CreateFreshWorkFolder(const wchar_t* pszParent, const wchar_t* pszPrefix, CString& rFolder);

// The owner's SID as text ("S-1-5-18"); false when it cannot be read. Replaceable for tests,
// which cannot give a folder another owner here.
typedef bool (*FolderOwnerQuery)(const wchar_t* pszFolder, CString& rOwnerSid);
FolderOwnerQuery SetFolderOwnerQuery(FolderOwnerQuery query);

// The SID text of the user of this process's token (empty when it cannot be read).
CString GetProcessUserSid();
// The security descriptor the folders are made with: the protected list, inherited by what is
// made inside.
bool MakeProtectedFolderDescriptor(CScopedLocalMemory& rDescriptor);
