#pragma once
// Downloads a list of installers one after the other, stopping at the first failure.

#include "WorkerThread.h"

#include "classlib/String.h"
#include "download/IHttpDownloader.h"

#include <vector>

class CDownloadInstallerFromThread : public CWorkerThread
{
public:
    CDownloadInstallerFromThread(IHttpDownloader* pDownloader, IWorkerListener* pListener);
    ~CDownloadInstallerFromThread() override;

    // URL i goes to target file i, shown on the page as the string of name id i (0: none).
    // The three lists must be equally long.
    int Download(const CStringArray& urls, const CStringArray& targetFiles, const std::vector<UINT>& nameIds,
                 bool bVerifySignature, HWND hPageWnd);
    // rResult: the last download's result; rRunCount: the runs finished so far.
    bool IsFinished(int& rResult, int& rRunCount);
    bool Stop();

protected:
    int run() override;

private:
    IHttpDownloader* m_pDownloader;
    CStringArray m_urls;
    CStringArray m_targetFiles;
    std::vector<UINT> m_nameIds;
    bool m_bVerifySignature = false;
    HWND m_hPageWnd = nullptr;
    int m_nRunCount = 0;
};
