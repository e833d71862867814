#pragma once
// What the USB copy replaces on the drive, renamed aside for the run (on the same drive: a rename,
// nothing copied, nothing half done), and what the run put where nothing stood. A good run
// removes what stands aside; a failed one removes what it put there and renames everything back.

#include "support/FileUtil.h"
#include "support/FolderTree.h"

#include "classlib/String.h"

#include <vector>

class CDriveSetAside
{
public:
    // Renames the file or folder to "<place>.kept" (".kept2", ... when taken); false (logged) when
    // it cannot go aside. The earlier installation's folder is flagged as such.
    bool SetAside(const CString& place, bool bPreviousFolder);
    // Where the earlier installation's folder stands aside, with a backslash; empty when it does not.
    CString GetPreviousFolderAside() const;
    // Something the run put where nothing stood.
    void AddFilled(const CString& path);
    // After a good run: what stands aside goes; what cannot go stays (logged).
    void RemoveSetAside(RemovedFileCallback pOnRemoved, void* pContext);
    // After a failed run: what the run filled in goes, then everything is renamed back. Gives the
    // folder where the earlier installation stays aside because it could not go back, else empty.
    CString RollBack();
    void Clear();

private:
    struct CEntry
    {
        CString m_strPlace;
        CString m_strAside;
        bool m_bPreviousFolder;
    };

    std::vector<CEntry> m_setAside;
    std::vector<CString> m_filled;
};
