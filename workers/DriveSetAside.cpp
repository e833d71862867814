#include "DriveSetAside.h"

#include "support/PathUtil.h"
#include "support/SysUtil.h"
#include "support/TraceLog.h"

namespace
{
const int kAsideAttempts = 100;

// A file or a folder tree; a link goes itself.
bool RemoveItem(const CString& path)
{
    if (FolderExists(path))
        return RemoveDirectoryRec(path);
    return !PathExists(path) || DeleteFileW(path);
}
}

bool CDriveSetAside::SetAside(const CString& place, bool bPreviousFolder)
{
    for (int attempt = 1; attempt <= kAsideAttempts; ++attempt)
    {
        const CString aside = attempt == 1 ? place + L".kept" : FormatString(L"%s.kept%d", place.GetString(), attempt);
        if (PathExists(aside) || IsLinkItself(aside))
            continue;
        if (!MoveFileExW(place, aside, 0))
        {
            if (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS)
                continue;
            break;
        }
        m_setAside.push_back({ place, aside, bPreviousFolder });
        Trace(TRACE_INFO, L"CCopyUSBInstallationFromThread::CleanPreviousInstallation [%s] set aside as [%s]",
              place.GetString(), aside.GetString());
        // What moved is what was checked, unless the path was swapped for a link in between.
        if (bPreviousFolder && IsLinkItself(aside))
        {
            Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CleanPreviousInstallation [%s] turned into a link",
                  place.GetString());
            return false;
        }
        return true;
    }
    Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::CleanPreviousInstallation could not set [%s] aside: %s",
          place.GetString(), GetLastErrorText().GetString());
    return false;
}

CString CDriveSetAside::GetPreviousFolderAside() const
{
    for (const CEntry& entry : m_setAside)
        if (entry.m_bPreviousFolder)
            return entry.m_strAside + L"\\";
    return CString();
}

void CDriveSetAside::AddFilled(const CString& path)
{
    m_filled.push_back(path);
}

void CDriveSetAside::RemoveSetAside(RemovedFileCallback pOnRemoved, void* pContext)
{
    for (const CEntry& entry : m_setAside)
    {
        bool bRemoved;
        if (FolderExists(entry.m_strAside) && !IsLinkItself(entry.m_strAside))
            bRemoved = RemoveDirectoryRec(entry.m_strAside, pOnRemoved, pContext);
        else
        {
            ULONGLONG size = 0;
            if (!IsLinkItself(entry.m_strAside))
                GetFileSizeOfPath(entry.m_strAside, size);
            bRemoved = RemoveItem(entry.m_strAside);
            if (bRemoved && pOnRemoved)
                pOnRemoved(pContext, entry.m_strAside, size);
        }
        // The new installation is complete either way: what could not go only takes room.
        if (!bRemoved)
            Trace(TRACE_ERROR,
                  L"CCopyUSBInstallationFromThread::CleanPreviousInstallation could not remove [%s], it stays",
                  entry.m_strAside.GetString());
    }
    Clear();
}

CString CDriveSetAside::RollBack()
{
    // First what the run put where nothing stood, so that the old things fit back in place.
    for (auto it = m_filled.rbegin(); it != m_filled.rend(); ++it)
        if ((PathExists(*it) || IsLinkItself(*it)) && !RemoveItem(*it))
            Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::run : could not remove [%s] of the failed copy",
                  it->GetString());
    CString kept;
    for (auto it = m_setAside.rbegin(); it != m_setAside.rend(); ++it)
    {
        // Never over something: a place that is taken again keeps what is there.
        if (MoveFileExW(it->m_strAside, it->m_strPlace, 0))
            Trace(TRACE_INFO, L"CCopyUSBInstallationFromThread::run : [%s] is back in place",
                  it->m_strPlace.GetString());
        else if (it->m_bPreviousFolder)
        {
            Trace(TRACE_ERROR,
                  L"CCopyUSBInstallationFromThread::run : the user data of the earlier installation is kept in [%s]",
                  it->m_strAside.GetString());
            kept = it->m_strAside;
        }
        else
            Trace(TRACE_ERROR, L"CCopyUSBInstallationFromThread::run : [%s] stays as [%s]", it->m_strPlace.GetString(),
                  it->m_strAside.GetString());
    }
    Clear();
    return kept;
}

void CDriveSetAside::Clear()
{
    m_setAside.clear();
    m_filled.clear();
}
