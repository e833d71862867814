#pragma once
// The setup's one downloader: a GET of one URL into one file, the file's signature checked (when
// asked) before it replaces the older one, which a failed download leaves as it was. The
// download runs on a worker thread while the progress page reads the progress on the UI thread,
// so progress and owner window are kept under a lock.

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

    // The most bytes a download may have, on the wire and decoded: the archive is far below it,
    // and a stream of unstated length ends there instead of filling the disk.
    static constexpr ULONGLONG kDefaultBodyLimit = 1ULL << 30;
    void SetBodyLimit(ULONGLONG limit) { m_bodyLimit = limit; }

private:
    void ShowConnectionFailure();

    CCriticalSection m_lock;
    HWND m_hParentWindow = nullptr;
    DWORD m_dwBytesSoFar = 0;
    DWORD m_dwTotalBytes = 0;
    CString m_strCaptionProductName;
    ULONGLONG m_bodyLimit = kDefaultBodyLimit;
};
