#pragma once
// Copies folders into emptied target folders before a restart, moving the page's bar by bytes.

#include "WorkerThread.h"

#include "classlib/String.h"

class CCopyFoldersFromThread : public CWorkerThread
{
public:
    explicit CCopyFoldersFromThread(HWND hPageWnd);
    ~CCopyFoldersFromThread() override;

    // Source i goes to target i; a source without a target is only counted.
    int Copy(const CStringArray& sources, const CStringArray& targets);
    bool IsFinished();
    // rbSucceeded: every source with a target was copied whole.
    bool IsFinished(bool& rbSucceeded);
    bool Stop();

protected:
    int run() override;

private:
    // False once a stop is requested: the copy ends before the next file.
    static bool OnCopyFile(void* pContext, const wchar_t* pszSource, const wchar_t* pszTarget, ULONGLONG size);
    bool CopyPair(const CString& source, const CString& target);

    HWND m_hPageWnd;
    CStringArray m_sources;
    CStringArray m_targets;
};
