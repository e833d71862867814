#pragma once
// Common controls bound to a dialog's control (DDX_Control).

#include "Wnd.h"

#include <commctrl.h>

class CProgressCtrl : public CWnd
{
public:
    void SetRange32(int nLower, int nUpper) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(nLower), nUpper); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    // Each returns the previous position or increment.
    int SetPos(int nPos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos))); }
    int SetStep(int nStep) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(nStep))); }
    int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
};
