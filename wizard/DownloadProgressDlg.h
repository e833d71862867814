#pragma once
// The download progress page (dialog 139, modeless): every 100 ms it shows how many bytes of the
// running download have arrived, and ends its pump once the step engine reports the download
// step over. Its Cancel does nothing; the controller aborts it through command 3.

#include "WatchedStepEngine.h"
#include "WizardParentDlg.h"
#include "classlib/Controls.h"
#include "classlib/String.h"
#include "download/IHttpDownloadProgress.h"

class CDownloadProgressDlg;

// Asked on every tick of the page's timer while a download wants it.
class IDownloadTimerListener
{
public:
    virtual void OnProgressTimer(CDownloadProgressDlg* pPage) = 0;

protected:
    ~IDownloadTimerListener() {}
};

const UINT_PTR DOWNLOAD_PROGRESS_TIMER = 101;

class CDownloadProgressDlg : public CWizardParentDlg
{
public:
    CDownloadProgressDlg(IWatchedStepEngine* pEngine, IHttpDownloadProgress* pDownloadProgress);
    ~CDownloadProgressDlg() override;

    // Before each download, before or after the window exists. Empty texts keep the template's.
    BOOL Initialize(const wchar_t* pszHeading, const wchar_t* pszSubHeading, int nButtonMask, int bBringToFront,
                    IDownloadTimerListener* pTimerListener);
    void PostEndDialog(int nResult);
    void StartTimer(IDownloadTimerListener* pListener);
    void StopTimer();
    void OnAbort();
    // Before the window exists: the heading and a thinner bar only.
    void SetCompact(bool bCompact) { m_bCompact = bCompact ? 1 : 0; }

    BOOL IsCancelled() const { return m_bCancelled; }
    BOOL IsAborted() const { return m_bAborted; }

    // "1023 bytes", "1.00 KB", "1.50 MB", "1.00 GB".
    static CString FormatByteSize(DWORD nBytes);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    // The page goes on until its step has ended: Esc, the close box and button 2 do nothing.
    void OnCancel() override {}
    void OnTimer(UINT_PTR nIDEvent);
    void OnClose();
    void OnDestroy();

private:
    LRESULT OnSetMessage(WPARAM wParam, LPARAM lParam);
    void OnCancelCommand() {}
    void Refresh();
    // Hides the heading and subheading and repaints the band under them (they are drawn
    // transparently over the bitmap), then shows them again with their new texts.
    void RepaintBand();

    IWatchedStepEngine* m_pEngine;
    IHttpDownloadProgress* m_pDownloadProgress;
    CProgressCtrl m_progress;
    CString m_strHeading;
    CString m_strSubHeading;
    DWORD m_dwLastTotal = 0;
    int m_nButtonMask = 0;
    BOOL m_bCancelled = FALSE;
    BOOL m_bAborted = FALSE;
    int m_bBringToFront = 0;
    IDownloadTimerListener* m_pTimerListener = nullptr;
    BYTE m_bCompact = 0;

    DECLARE_MESSAGE_MAP()
};
