#pragma once
// The setup's one downloader: a GET of one URL into one file, then, when asked, the check of the
// file's signature. The download runs on a worker thread while the progress page reads the
// progress on the UI thread, so progress and owner window are kept under a lock.

#include "IHttpDownloadProgress.h"
#include "IHttpDownloader.h"
#include "IHttpDownloaderNotifier.h"

#include "classlib/String.h"
#include "classlib/Sync.h"

class COruHttpDownloader : public IHttpDownloader, public IHttpDownloaderNotifier, public IHttpDownloadProgress
{
public:
    // pszCaptionProductName replaces "Vantolin" in the failure box's caption (the partner's
    // product display name); empty keeps the caption as it is.
    explicit COruHttpDownloader(const wchar_t* pszCaptionProductName = L"");
    virtual ~COruHttpDownloader() = default;

    bool Download(const wchar_t* pszUrl, const wchar_t* pszTargetFile, bool bVerifySignature, int nTimeoutMs,
                  HANDLE hStopEvent = nullptr) override;
    // Accepts only a signature of the signer of this running program (any valid one when the
    // program itself is unsigned, none when its own signature cannot be verified).
    bool VerifySignature(const wchar_t* pszFile) override;

    void OnProgress(DWORD bytesSoFar, DWORD totalBytes) override;

    void SetParentWindow(HWND hWnd) override;
    void GetProgress(DWORD& rBytesSoFar, DWORD& rTotalBytes) override;

private:
    void ShowConnectionFailure();

    CCriticalSection m_lock;
    HWND m_hParentWindow = nullptr;
    DWORD m_dwBytesSoFar = 0;
    DWORD m_dwTotalBytes = 0;
    CString m_strCaptionProductName;
};
