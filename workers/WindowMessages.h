#pragma once
// Registered window messages between the workers and the pages (registered at program start),
// and the value names of a post-installation step.

#include "classlib/String.h"

extern const UINT PROGRESSDLG_PBM_SETPOS;
extern const UINT PROGRESSDLG_PBM_SETRANGE32;
extern const UINT PROGRESSDLG_PBM_SETSTEP;
extern const UINT PROGRESSDLG_PBM_STEPIT;
extern const UINT PROGRESSDLG_NEW_RANGE_PERCENTS;
extern const UINT PROGRESSDLG_SET_MESSAGE;
extern const UINT PROGRESSDLG_END_DIALOG;
// wParam 1: the page offers its Cancel while the worker waits on the user (0: no longer);
// lParam: the sender's tick count.
extern const UINT PROGRESSDLG_OFFER_CANCEL;
extern const UINT GUIWATCHDOGDLG_START_PROGRESS;
extern const UINT GUIWATCHDOGDLG_PAUSE_PROGRESS;

extern const CString g_strPostStepAdmin;
extern const CString g_strPostStepAsInvoker;
extern const CString g_strPostStepCommand;
extern const CString g_strPostStepCommandParams;
extern const CString g_strPostStepExtraMessage;
extern const CString g_strPostStepProgressMessage;
extern const CString g_strPostStepCheckReturnCode;
