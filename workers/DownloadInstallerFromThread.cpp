#include "DownloadInstallerFromThread.h"
#include "WindowMessages.h"
#include "WorkerStrings.h"

#include "support/PathUtil.h"
#include "support/TraceLog.h"

#include <oleauto.h>

namespace
{
const int kDefaultTimeoutMs = 60000;
const WPARAM kDownloadMessageId = 1040;
}

CDownloadInstallerFromThread::CDownloadInstallerFromThread(IHttpDownloader* pDownloader, IWorkerListener* pListener)
    : CWorkerThread(pListener), m_pDownloader(pDownloader)
{
}

CDownloadInstallerFromThread::~CDownloadInstallerFromThread()
{
    Stop();
    Trace(TRACE_TRACE, L"CDownloadInstallerFromThread::~CDownloadInstallerFromThread");
}

int CDownloadInstallerFromThread::Download(const CStringArray& urls, const CStringArray& targetFiles,
                                           const std::vector<UINT>& nameIds, bool bVerifySignature, HWND hPageWnd)
{
    if (!CanStart(L"Worker thread is already live in CDownloadInstallerFromThread::Download"))
        return 0;
    if (targetFiles.GetSize() != urls.GetSize() || nameIds.size() != static_cast<size_t>(urls.GetSize()))
    {
        Trace(TRACE_ERROR, L"CDownloadInstallerFromThread::Download lists of different lengths: %d urls, %d files, %d names",
              urls.GetSize(), targetFiles.GetSize(), static_cast<int>(nameIds.size()));
        return 0;
    }
    m_bVerifySignature = bVerifySignature;
    m_hPageWnd = hPageWnd;
    m_urls = urls;
    m_targetFiles = targetFiles;
    m_nameIds = nameIds;
    for (int i = 0; i < m_targetFiles.GetSize(); ++i)
        ResolveRelativePath(m_targetFiles[i]);
    if (m_urls.IsEmpty())
    {
        Finish(1);
        return 1;
    }
    ResetOutcome();
    return LaunchThread(L"CDownloadInstallerFromThread::Start Could not create process executer thread") ? 1 : 0;
}

bool CDownloadInstallerFromThread::IsFinished(int& rResult, int& rRunCount)
{
    CSingleLock lock(&m_lock, true);
    rResult = m_nResult;
    rRunCount = m_nRunCount;
    return m_bFinished != 0;
}

bool CDownloadInstallerFromThread::Stop()
{
    return StopAndWait(L"CDownloadInstallerFromThread");
}

int CDownloadInstallerFromThread::run()
{
    if (!m_pDownloader)
    {
        Trace(TRACE_TRACE, L"CDownloadInstallerFromThread::run m_pProcessExecuter is NULL");
        Finish(0);
        return 0;
    }
    bool bResult = false;
    try
    {
        for (int i = 0; i < m_urls.GetSize() && !IsStopRequested(); ++i)
        {
            int timeoutMs = kDefaultTimeoutMs;
            CString name;
            if (m_nameIds[i] != 0 && IsWindow(m_hPageWnd) && name.LoadString(m_nameIds[i]) && !name.IsEmpty())
            {
                CString format, text;
                format.LoadString(IDS_WORKER_DOWNLOADING);
                text.Format(format, name.GetString());
                // The page frees the text; a message that cannot be posted keeps it here.
                BSTR message = SysAllocString(text);
                if (message && !PostMessageW(m_hPageWnd, PROGRESSDLG_SET_MESSAGE, kDownloadMessageId, reinterpret_cast<LPARAM>(message)))
                    SysFreeString(message);
                timeoutMs = 0;
            }
            bResult = m_pDownloader->Download(m_urls[i], m_targetFiles[i], m_bVerifySignature, timeoutMs, GetStopEvent());
            Trace(TRACE_TRACE, L"CDownloadInstallerFromThread::run returned:[%s] url:[%s] file:[%s]", bResult ? L"OK" : L"FAILED",
                  m_urls[i].GetString(), m_targetFiles[i].GetString());
            if (!bResult)
                break;
        }
    }
    catch (...)
    {
        Trace(TRACE_ERROR, L"CDownloadInstallerFromThread::run : download failed with an exception");
        bResult = false;
    }
    if (IsStopRequested())
    {
        Trace(TRACE_INFO, L"CDownloadInstallerFromThread::run stopped");
        bResult = false;
    }
    Finish(bResult ? 1 : 0, &m_nRunCount);
    return 0;
}
