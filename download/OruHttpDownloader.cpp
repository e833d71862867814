#include "OruHttpDownloader.h"
#include "DownloadStrings.h"
#include "EmbeddedSignature.h"
#include "HttpDownloader.h"

#include "classlib/Handles.h"

#include "support/FileUtil.h"
#include "support/ProxySettings.h"
#include "support/TraceLog.h"

namespace
{
// False when the file exists and another handle keeps it from being replaced.
bool CanReplaceFile(const CString& path)
{
    CScopedFileHandle file(::CreateFileW(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.IsValid())
        return true;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
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
    client.SetBodyLimit(m_bodyLimit);
    // The older file stays until a checked new one replaces it; one that could not be
    // replaced (in use) is known before any request.
    if (!CanReplaceFile(target))
    {
        Trace(TRACE_ERROR, L"COruHttpDownloader::Download failed to delete old file [%s]", target.GetString());
        return false;
    }
    if (nTimeoutMs > 0)
        client.SetTimeout(static_cast<DWORD>(nTimeoutMs));
    bool bSignatureFailed = false;
    if (bVerifySignature)
        client.SetBodyCheck([&](const CString& file) {
            bSignatureFailed = !VerifySignature(file);
            return !bSignatureFailed;
        });

    if (client.Get(url.ToNarrow(CP_THREAD_ACP), false))
        return true;
    if (bSignatureFailed)
    {
        Trace(TRACE_ERROR, L"COruHttpDownloader::Download signature failed, [%s] [%s]", target.GetString(), url.GetString());
        return false;
    }
    if (client.WasStopped())
    {
        Trace(TRACE_INFO, L"COruHttpDownloader::Download stopped, Get [%s] [%s]", target.GetString(), url.GetString());
        return false;
    }
    // Only a failure of the connection itself is the user's to mend; an HTTP status is not.
    if (client.GetLastErrorCode() > 12000)
        ShowConnectionFailure();
    Trace(TRACE_ERROR, L"COruHttpDownloader::Download failed, Get [%s] [%s], error code [%d]", target.GetString(),
          url.GetString(), static_cast<int>(client.GetLastErrorCode()));
    return false;
}

void COruHttpDownloader::ShowConnectionFailure()
{
    CString caption, text;
    caption.LoadString(IDS_DOWNLOAD_CAPTION);
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
