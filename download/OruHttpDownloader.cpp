#include "OruHttpDownloader.h"
#include "DownloadStrings.h"
#include "EmbeddedSignature.h"
#include "HttpDownloader.h"

#include "support/FileUtil.h"
#include "support/ProxySettings.h"
#include "support/TraceLog.h"

namespace
{
const UINT kAppTitleId = 57344;
}

COruHttpDownloader::COruHttpDownloader(const wchar_t* pszCaptionProductName)
    : m_strCaptionProductName(pszCaptionProductName ? pszCaptionProductName : L"")
{
}

bool COruHttpDownloader::Download(const wchar_t* pszUrl, const wchar_t* pszTargetFile, bool bVerifySignature, int nTimeoutMs,
                                  HANDLE hStopEvent)
{
    const CString url(pszUrl);
    const CString target(pszTargetFile);
    {
        // A retry must not show the numbers of the attempt before it.
        CSingleLock lock(&m_lock, true);
        m_dwBytesSoFar = 0;
        m_dwTotalBytes = 0;
    }
    const std::string proxy = GetProxySettings().GetProxy().ToNarrow(CP_THREAD_ACP);
    CHttpDownloader client(proxy, target);
    client.SetNotifier(this);
    client.SetStopEvent(hStopEvent);
    if (PathExists(target) && !::DeleteFileW(target))
    {
        Trace(TRACE_ERROR, L"COruHttpDownloader::Download failed to delete old file [%s]", target.GetString());
        return false;
    }
    if (nTimeoutMs > 0)
        client.SetTimeout(static_cast<DWORD>(nTimeoutMs));

    if (client.Get(url.ToNarrow(CP_THREAD_ACP), false))
    {
        if (!bVerifySignature || VerifySignature(target))
            return true;
        Trace(TRACE_ERROR, L"COruHttpDownloader::Download signature failed, [%s] [%s]", target.GetString(), url.GetString());
        ::DeleteFileW(target);
        return false;
    }
    if (client.WasStopped())
    {
        // The client left no part of the file; an older one was deleted before the request.
        Trace(TRACE_INFO, L"COruHttpDownloader::Download stopped, Get [%s] [%s]", target.GetString(), url.GetString());
        return false;
    }
    // Only a failure of the connection itself is the user's to mend; an HTTP status is not.
    if (client.GetLastErrorCode() > 12000)
        ShowConnectionFailure();
    Trace(TRACE_ERROR, L"COruHttpDownloader::Download failed, Get [%s] [%s], error code [%d]", target.GetString(),
          url.GetString(), static_cast<int>(client.GetLastErrorCode()));
    ::DeleteFileW(target);
    return false;
}

void COruHttpDownloader::ShowConnectionFailure()
{
    CString caption, text;
    caption.LoadString(kAppTitleId);
    text.LoadString(IDS_NO_INTERNET_CONNECTION);
    if (!m_strCaptionProductName.IsEmpty())
        caption.Replace(L"Vantolin", m_strCaptionProductName);
    HWND hOwner = nullptr;
    {
        CSingleLock lock(&m_lock, true);
        hOwner = m_hParentWindow;
    }
    ::MessageBoxW(hOwner, text, caption, MB_OK | MB_ICONWARNING);
}

bool COruHttpDownloader::VerifySignature(const wchar_t* pszFile)
{
    if (!PathExists(pszFile))
    {
        Trace(TRACE_ERROR, L"COruHttpDownloader::VerifySignature file not exist [%s]", pszFile);
        return false;
    }
    return VerifyEmbeddedSignature(pszFile, GetOwnSignerRule());
}

void COruHttpDownloader::OnProgress(DWORD bytesSoFar, DWORD totalBytes)
{
    CSingleLock lock(&m_lock, true);
    m_dwBytesSoFar = bytesSoFar;
    m_dwTotalBytes = totalBytes;
}

void COruHttpDownloader::SetParentWindow(HWND hWnd)
{
    CSingleLock lock(&m_lock, true);
    m_hParentWindow = hWnd;
}

void COruHttpDownloader::GetProgress(DWORD& rBytesSoFar, DWORD& rTotalBytes)
{
    CSingleLock lock(&m_lock, true);
    rBytesSoFar = m_dwBytesSoFar;
    rTotalBytes = m_dwTotalBytes;
}
