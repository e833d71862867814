#pragma once
// The page shown while a worker of open-ended duration runs (dialog 135's layout, modeless, on
// the controller's stack): a moving marquee, and WM_CLOSE posted to itself once the step engine
// reports the step over. The worker that shows a dialog of its own pauses it meanwhile.

#include "WatchedStepEngine.h"
#include "WizardParentDlg.h"
#include "classlib/String.h"

const UINT_PTR GUIWATCHDOG_TIMER = 100;
// Bit 3 of the button mask: animate the marquee and watch the step.
const int GUIWATCHDOG_WATCH = 8;

// The marquee timer's id of all watchdog pages: 100 while one runs, else 0.
UINT_PTR GetWatchDogTimerId();

class CGuiWatchDogDlg : public CWizardParentDlg
{
public:
    // Empty texts keep the template's; each is formatted with the display name.
    CGuiWatchDogDlg(IWatchedStepEngine* pEngine, const wchar_t* pszHeading, const wchar_t* pszSubHeading,
                    const wchar_t* pszText, int nButtonMask, HWND hParent, int bRunStep);

    void StartMarquee();
    void StopMarquee();
    // Ends the page with 3: a modeless page's window is gone then, and GetEndResult tells why.
    void OnAbort();
    // 3 after OnAbort, else 0.
    INT_PTR GetEndResult() const { return m_nEndResult; }
    void SetCompact(bool bCompact) { m_bCompact = bCompact ? 1 : 0; }

protected:
    BOOL OnInitDialog() override;
    // The page goes on until its step has ended: Esc, the close box and button 2 do nothing.
    void OnCancel() override {}
    void OnTimer(UINT_PTR nIDEvent);

private:
    LRESULT OnStartProgress(WPARAM wParam, LPARAM lParam);
    LRESULT OnPauseProgress(WPARAM wParam, LPARAM lParam);
    void OnCancelCommand() {}

    IWatchedStepEngine* m_pEngine;
    int m_bRunStep;
    CString m_strHeading;
    CString m_strSubHeading;
    CString m_strText;
    int m_nButtonMask;
    BYTE m_bCompact = 0;
    INT_PTR m_nEndResult = 0;

    DECLARE_MESSAGE_MAP()
};
