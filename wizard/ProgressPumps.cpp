#include "ProgressPumps.h"
#include "MsiProgressDlg.h"

#include "classlib/Dialog.h"
#include "support/TraceLog.h"
#include "workers/WindowMessages.h"

#include <oleauto.h>

namespace
{
// How long a pump waits for a message before it looks at the engine again.
const DWORD kPumpPollMs = 100;

void ShowPage(CDialog* pPage, bool bSilent)
{
    ::ShowWindow(pPage->GetSafeHwnd(), bSilent ? SW_HIDE : SW_SHOW);
}

// Every wait of a pump: a message to this thread ends it at once.
void WaitForInput()
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kPumpPollMs, QS_ALLINPUT);
}

void Dispatch(HWND hPage, MSG& msg)
{
    if (hPage && IsWindow(hPage) && IsDialogMessageW(hPage, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

// An end that a nested loop (the cancel question's) handed to the page.
bool TookDispatchedEnd(CDialog* pPage)
{
    CMsiProgressDlg* pProgress = dynamic_cast<CMsiProgressDlg*>(pPage);
    return pProgress && pProgress->TakeDispatchedEnd() != 0;
}

void RemoveQueuedEnds(HWND hPage)
{
    if (!hPage)
        return;
    MSG msg;
    while (PeekMessageW(&msg, hPage, PROGRESSDLG_END_DIALOG, PROGRESSDLG_END_DIALOG, PM_REMOVE))
        Trace(TRACE_TRACE, L"RunModelessProgress : a queued end of the phase (%u) is dropped",
              static_cast<unsigned>(msg.wParam));
}
}

bool RunModelessProgress(IWatchedStepEngine* pEngine, CDialog* pPage, bool bRunStep, bool bPostTicks, bool bSilent)
{
    const HWND hPage = pPage ? pPage->GetSafeHwnd() : nullptr;
    if (pEngine)
        pEngine->SetProgressWnd(hPage);
    if (hPage)
        ShowPage(pPage, bSilent);
    if (bRunStep && pEngine && pEngine->RunNextStep() == 0)
        return false;
    // An end left from before this pump began is not this phase's.
    if (pPage)
        TookDispatchedEnd(pPage);
    bool ended = false;
    while (!ended && hPage && IsWindow(hPage))
    {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
            {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (msg.message == PROGRESSDLG_END_DIALOG && msg.hwnd == hPage)
                break;
            Dispatch(hPage, msg);
            ended = TookDispatchedEnd(pPage);
            continue;
        }
        if (bPostTicks)
        {
            const DWORD now = GetTickCount();
            PostMessageW(hPage, PROGRESSDLG_PBM_SETPOS, static_cast<WPARAM>(now), static_cast<LPARAM>(now));
        }
        if (pEngine && pEngine->GetNextStep(false) != WATCHED_STEP_BUSY)
            break;
        WaitForInput();
    }
    RemoveQueuedEnds(hPage);
    if (pPage && IsWindow(hPage))
        TookDispatchedEnd(pPage);
    return true;
}

void RunPagePump(CDialog* pPage, bool bSilent)
{
    const HWND hPage = pPage ? pPage->GetSafeHwnd() : nullptr;
    if (!hPage)
        return;
    ShowPage(pPage, bSilent);
    while (IsWindow(hPage))
    {
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            WaitForInput();
            continue;
        }
        if (msg.message == WM_QUIT)
        {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (msg.message == WM_CLOSE && msg.hwnd == hPage)
            return;
        Dispatch(hPage, msg);
    }
}

void PostProgressText(HWND hPage, int nControlId, const wchar_t* pszText)
{
    if (!hPage)
        return;
    BSTR text = SysAllocString(pszText ? pszText : L"");
    if (!text)
        return;
    if (!PostMessageW(hPage, PROGRESSDLG_SET_MESSAGE, static_cast<WPARAM>(nControlId), reinterpret_cast<LPARAM>(text)))
        SysFreeString(text);
}

void PostProgressRange(HWND hPage, int nLow, int nHigh)
{
    if (hPage)
        PostMessageW(hPage, PROGRESSDLG_PBM_SETRANGE32, static_cast<WPARAM>(nLow), static_cast<LPARAM>(nHigh));
}

void PostProgressPos(HWND hPage, int nPos)
{
    if (hPage)
        PostMessageW(hPage, PROGRESSDLG_PBM_SETPOS, static_cast<WPARAM>(nPos), static_cast<LPARAM>(GetTickCount()));
}

void PostProgressStep(HWND hPage, int nStep)
{
    if (hPage)
        PostMessageW(hPage, PROGRESSDLG_PBM_SETSTEP, static_cast<WPARAM>(nStep), static_cast<LPARAM>(GetTickCount()));
}

void PostProgressStepIt(HWND hPage)
{
    if (hPage)
        PostMessageW(hPage, PROGRESSDLG_PBM_STEPIT, 0, static_cast<LPARAM>(GetTickCount()));
}

void PostProgressEnd(HWND hPage, bool bSuccess)
{
    if (hPage)
        PostMessageW(hPage, PROGRESSDLG_END_DIALOG, bSuccess ? 1 : 3, 0);
}

void PostCancelOffer(HWND hPage, bool bOffered)
{
    if (hPage)
        PostMessageW(hPage, PROGRESSDLG_OFFER_CANCEL, bOffered ? 1 : 0, static_cast<LPARAM>(GetTickCount()));
}
