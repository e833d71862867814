#include "CopyFoldersFromThread.h"
#include "WindowMessages.h"
#include "WorkerStrings.h"

#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "support/PathUtil.h"
#include "support/TraceLog.h"

namespace
{
// Both end with a backslash.
bool IsInside(const CString& inner, const CString& outer)
{
    return inner.GetLength() > outer.GetLength() && StartsWithNoCase(inner, outer);
}

enum class PairKind
{
    Copy,
    Same,    // source and target are one folder: nothing to do
    Refused  // the target holds or lies inside a source: emptying it would lose files
};

PairKind ClassifyTarget(const CString& target, int nIndex, const CStringArray& sources)
{
    for (int j = 0; j < sources.GetSize(); ++j)
    {
        if (IsSamePath(target, sources[j]))
            return j == nIndex ? PairKind::Same : PairKind::Refused;
        if (IsInside(target, sources[j]) || IsInside(sources[j], target))
            return PairKind::Refused;
    }
    return PairKind::Copy;
}
}

CCopyFoldersFromThread::CCopyFoldersFromThread(HWND hPageWnd) : CWorkerThread(nullptr), m_hPageWnd(hPageWnd)
{
}

CCopyFoldersFromThread::~CCopyFoldersFromThread()
{
    Stop();
    Trace(TRACE_TRACE, L"CCopyFoldersFromThread::~CCopyFoldersFromThread");
}

int CCopyFoldersFromThread::Copy(const CStringArray& sources, const CStringArray& targets)
{
    if (!CanStart(L"Worker thread is already live in CCCopyFoldersFromThread::Copy"))
        return 0;
    m_sources = sources;
    m_targets = targets;
    for (CStringArray* pList : { &m_sources, &m_targets })
    {
        for (int i = 0; i < pList->GetSize(); ++i)
        {
            ResolveRelativePath((*pList)[i]);
            AppendBackslash((*pList)[i]);
        }
    }
    if (m_sources.IsEmpty())
    {
        CSingleLock lock(&m_lock, true);
        m_bFinished = 1;
        m_nResult = 1;
        return 1;
    }
    ResetOutcome();
    return LaunchThread(L"CCopyFoldersFromThread::Start : Could not create process executer thread") ? 1 : 0;
}

bool CCopyFoldersFromThread::IsFinished()
{
    bool bSucceeded;
    return IsFinished(bSucceeded);
}

bool CCopyFoldersFromThread::IsFinished(bool& rbSucceeded)
{
    int result = 0;
    const bool bFinished = ReadOutcome(result);
    rbSucceeded = result != 0;
    return bFinished;
}

bool CCopyFoldersFromThread::Stop()
{
    return StopAndWait(L"CCopyFoldersFromThread");
}

bool CCopyFoldersFromThread::OnCopyFile(void* pContext, const wchar_t* pszSource, const wchar_t* pszTarget, ULONGLONG size)
{
    CCopyFoldersFromThread* pThis = static_cast<CCopyFoldersFromThread*>(pContext);
    if (pThis->IsStopRequested())
        return false;
    if (!IsWindow(pThis->m_hPageWnd))
        return true;
    SetDlgItemTextW(pThis->m_hPageWnd, IDC_PROGRESS_EXTRA_TEXT, pszTarget);
    PostMessageW(pThis->m_hPageWnd, PROGRESSDLG_PBM_SETSTEP, static_cast<WPARAM>(size & 0xFFFFFFFF), GetTickCount());
    PostMessageW(pThis->m_hPageWnd, PROGRESSDLG_PBM_STEPIT, 0, GetTickCount());
    return true;
}

bool CCopyFoldersFromThread::CopyPair(const CString& source, const CString& target)
{
    if (!CopyFolderRec(source, target, false, &CCopyFoldersFromThread::OnCopyFile, this))
    {
        if (IsStopRequested())
            return false;
        Trace(TRACE_ERROR, L"CCopyFoldersFromThread::run : could not copy [%s] to [%s]", source.GetString(), target.GetString());
        return false;
    }
    return true;
}

int CCopyFoldersFromThread::run()
{
    bool bSucceeded = true;
    std::vector<PairKind> kinds;
    try
    {
        CString text;
        if (IsWindow(m_hPageWnd) && text.LoadString(IDS_WORKER_PREPARING_RESTART))
            SetDlgItemTextW(m_hPageWnd, IDC_PROGRESS_MAIN_TEXT, text);

        for (int i = 0; i < m_targets.GetSize(); ++i)
        {
            kinds.push_back(ClassifyTarget(m_targets[i], i, m_sources));
            if (kinds.back() == PairKind::Refused)
            {
                Trace(TRACE_ERROR, L"CCopyFoldersFromThread::run : target [%s] overlaps a source folder, nothing copied",
                      m_targets[i].GetString());
                bSucceeded = false;
            }
            if (kinds.back() == PairKind::Copy && FolderExists(m_targets[i]))
                CFileUtils::CleanUpFolderRecursively(m_targets[i], L"", 0);
        }

        ULONGLONG total = 0;
        for (int i = 0; i < m_sources.GetSize(); ++i)
        {
            DWORD count = 0;
            ULONGLONG size = 0;
            CFileUtils::CountFilesInFolder(m_sources[i], count, size);
            total += size;
        }
        if (IsWindow(m_hPageWnd))
        {
            if (text.LoadString(IDS_WORKER_COPYING_FILES))
                SetDlgItemTextW(m_hPageWnd, IDC_PROGRESS_MAIN_TEXT, text);
            SendMessageW(m_hPageWnd, PROGRESSDLG_PBM_SETRANGE32, 0, static_cast<LPARAM>(total & 0xFFFFFFFF));
        }

        for (int i = 0; i < m_sources.GetSize(); ++i)
        {
            if (IsStopRequested())
            {
                bSucceeded = false;
                break;
            }
            if (i < m_targets.GetSize() && !m_targets[i].IsEmpty() && kinds[i] == PairKind::Copy &&
                !CopyPair(m_sources[i], m_targets[i]))
                bSucceeded = false;
        }
    }
    catch (...)
    {
        Trace(TRACE_ERROR, L"CCopyFoldersFromThread::run : copy failed with an exception");
        bSucceeded = false;
    }
    if (IsStopRequested())
    {
        // The targets were emptied for this copy: what it got to is of no use to anyone.
        Trace(TRACE_INFO, L"CCopyFoldersFromThread::run stopped, the files copied so far are removed");
        for (int i = 0; i < m_targets.GetSize() && i < static_cast<int>(kinds.size()); ++i)
            if (kinds[i] == PairKind::Copy && FolderExists(m_targets[i]))
                CFileUtils::CleanUpFolderRecursively(m_targets[i], L"", 0);
        bSucceeded = false;
    }
    // No listener: the step engine polls.
    Finish(bSucceeded ? 1 : 0);
    return 0;
}
