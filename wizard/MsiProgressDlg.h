#pragma once
// The installation progress page (dialog 135, modeless): every installation phase fills its own
// slice of one bar, driven by the registered PROGRESSDLG_ messages that workers post with their
// tick counts. Only the header band, the heading, the bar and, where the phase allows it,
// Cancel are visible.

#include "ProgressPageInterfaces.h"
#include "WizardParentDlg.h"
#include "classlib/Controls.h"
#include "classlib/String.h"

// The bar's own range.
const int MSI_PROGRESS_BAR_RANGE = 1000000;
// Bits of the button mask.
const int MSI_PROGRESS_BACK = 1;
const int MSI_PROGRESS_NEXT = 2;
const int MSI_PROGRESS_CANCEL = 4;

class CMsiProgressDlg : public CWizardParentDlg
{
public:
    explicit CMsiProgressDlg(IProgressPageEngine* pEngine);
    ~CMsiProgressDlg() override;

    // Before each phase, before or after the window exists. Empty texts keep the template's.
    // FALSE (and nothing changed but the texts and the mask) when low >= high.
    BOOL Initialize(const wchar_t* pszHeading, const wchar_t* pszSubHeading, const wchar_t* pszText,
                    int nLowPercent, int nHighPercent, int nButtonMask, int bBringToFront,
                    IProgressTimerListener* pTimerListener);
    // Positions in the logical range; each returns the previous logical position.
    int RangedProgress_SetPos(int nPos);
    int RangedProgress_StepIt();
    void SetRange(int nLow, int nHigh);
    // The previous step in logical units.
    int SetStep(int nStep);
    // From any thread: the text reaches the control through the page's queue.
    void PostSetMessage(int nControlId, const wchar_t* pszText);
    void StopTimer();
    void OnAbort();

    BOOL IsCancelled() const { return m_bCancelled; }
    BOOL IsAborted() const { return m_bAborted; }
    // The end of the phase is the pump's to take from the queue; one that a nested loop (the
    // cancel question's) dispatched to the page is kept here: its wParam, 0 when none. Taking it
    // clears it.
    WPARAM TakeDispatchedEnd();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    // Only while Cancel is visible and enabled (Esc and closing the window end here too).
    void OnCancel() override;
    void OnTimer(UINT_PTR nIDEvent);
    void OnClose();
    void OnDestroy();

private:
    LRESULT OnSetPosMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetRangeMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetStepMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnStepItMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnNewRangePercentsMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetMessageMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndDialogMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnOfferCancelMessage(WPARAM wParam, LPARAM lParam);
    void OnAbortCommand() { OnAbort(); }

    void Refresh();
    void ReinitBar();
    void StartTimer(IProgressTimerListener* pListener);
    void PlaceCancelButton(bool bShown);
    // A sender's tick count no older than the last one acted on (in wrapping 32-bit time).
    bool TakeTick(LPARAM lParam);
    int BarPos() const;
    int ScaleToBar(int nLogical) const;
    int ScaleToLogical(int nBar) const;
    int LogicalToBar(int nPos) const;
    int BarToLogical(int nBar) const;

    IProgressPageEngine* m_pEngine;
    CProgressCtrl m_progress;
    CString m_strHeading;
    CString m_strSubHeading;
    CString m_strText;
    int m_nButtonMask = 0;
    BOOL m_bCancelled = FALSE;
    BOOL m_bAborted = FALSE;
    int m_bBringToFront = 0;
    DWORD m_dwLastTick = 0;
    bool m_bHaveTick = false;
    IProgressTimerListener* m_pTimerListener = nullptr;
    int m_nLowPercent = 0;
    int m_nHighPercent = 100;
    int m_nBarLow = 0;
    int m_nBarHigh = MSI_PROGRESS_BAR_RANGE;
    int m_nBarStep = 100000;
    int m_nLogicalLow = 0;
    int m_nLogicalHigh = 100;
    int m_nLogicalStep = 10;
    WPARAM m_nDispatchedEnd = 0;

    DECLARE_MESSAGE_MAP()
};

// Hides everything of a progress page but the header band, the heading and the bar, moves the
// bar up under the heading and shortens the page to it.
void ApplyCompactLayout(HWND hPage);
