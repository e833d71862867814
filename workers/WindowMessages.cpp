// Registered when the program starts, before any worker or page can use them.

#include "WindowMessages.h"

const UINT PROGRESSDLG_PBM_SETPOS = RegisterWindowMessageW(L"PROGRESSDLG_PBM_SETPOS");
const UINT PROGRESSDLG_PBM_SETRANGE32 = RegisterWindowMessageW(L"PROGRESSDLG_PBM_SETRANGE32");
const UINT PROGRESSDLG_PBM_SETSTEP = RegisterWindowMessageW(L"PROGRESSDLG_PBM_SETSTEP");
const UINT PROGRESSDLG_PBM_STEPIT = RegisterWindowMessageW(L"PROGRESSDLG_PBM_STEPIT");
const UINT PROGRESSDLG_NEW_RANGE_PERCENTS = RegisterWindowMessageW(L"PROGRESSDLG_NEW_RANGE_PERCENTS");
const UINT PROGRESSDLG_SET_MESSAGE = RegisterWindowMessageW(L"PROGRESSDLG_SET_MESSAGE");
const UINT PROGRESSDLG_END_DIALOG = RegisterWindowMessageW(L"PROGRESSDLG_END_DIALOG");
const UINT PROGRESSDLG_OFFER_CANCEL = RegisterWindowMessageW(L"PROGRESSDLG_OFFER_CANCEL");

// Value names of a post-installation step in the registry.
const CString g_strPostStepAdmin(L"Admin");
const CString g_strPostStepAsInvoker(L"AsInvoker");
const CString g_strPostStepCommand(L"Command");
const CString g_strPostStepCommandParams(L"CommandParams");
const CString g_strPostStepExtraMessage(L"ExtraMessage");
const CString g_strPostStepProgressMessage(L"ProgressMessage");
const CString g_strPostStepCheckReturnCode(L"CheckReturnCode");

const UINT GUIWATCHDOGDLG_START_PROGRESS = RegisterWindowMessageW(L"GUIWATCHDOGDLG_START_PROGRESS");
const UINT GUIWATCHDOGDLG_PAUSE_PROGRESS = RegisterWindowMessageW(L"GUIWATCHDOGDLG_PAUSE_PROGRESS");
