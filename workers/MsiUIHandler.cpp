#include "MsiUIHandler.h"
#include "ProgressPageText.h"

#include "support/TraceLog.h"

#include <msiquery.h>

#include <atomic>
#include <climits>
#include <cwchar>

namespace
{
const int kCancelButtonId = IDCANCEL;

int WINAPI SystemMessageBoxEx(HWND hWnd, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType, WORD wLanguageId)
{
    return MessageBoxExW(hWnd, pszText, pszCaption, uType, wLanguageId);
}

const MsiUIHandlerCalls kSystemCalls = { SystemMessageBoxEx, MessageBeep, MsiSetInternalUI, MsiSetPropertyW };
std::atomic<const MsiUIHandlerCalls*> g_pCalls{ &kSystemCalls };

// A box owned by the page while it exists (else unowned), with the installer's flags; the button
// pressed is the installer's answer.
int ShowBox(const MsiUIContext& context, LPCWSTR pszText, UINT nCaptionId, UINT nFlags, WORD language)
{
    CString caption;
    caption.LoadString(nCaptionId);
    HWND hOwner = IsWindow(context.hProgressWnd) ? context.hProgressWnd : nullptr;
    return g_pCalls.load()->pMessageBoxEx(hOwner, pszText, caption, nFlags, language);
}

// Reads "<n>: " at the cursor (blanks before it skipped); false when another field follows.
bool ReadFieldNumber(const wchar_t*& rp, int nExpected)
{
    while (*rp == L' ')
        ++rp;
    if (*rp != static_cast<wchar_t>(L'0' + nExpected) || rp[1] != L':' || rp[2] != L' ')
        return false;
    rp += 3;
    return true;
}

// A decimal number up to the next blank or the end.
bool ReadNumber(const wchar_t*& rp, int& rValue)
{
    const wchar_t* start = rp;
    while (*rp && *rp != L' ')
        ++rp;
    if (rp == start)
        return false;
    bool bNegative = false;
    const wchar_t* p = start;
    if (*p == L'-')
    {
        bNegative = true;
        ++p;
    }
    if (p == rp)
        return false;
    long long value = 0;
    for (; p < rp; ++p)
    {
        if (*p < L'0' || *p > L'9')
            return false;
        if (value <= INT_MAX)
            value = value * 10 + (*p - L'0');
    }
    if (value > INT_MAX)
        value = INT_MAX;
    rValue = static_cast<int>(bNegative ? -value : value);
    return true;
}

// The one-digit type of field 1.
bool ReadType(const wchar_t*& rp, int& rType)
{
    if (!ReadFieldNumber(rp, 1) || *rp < L'0' || *rp > L'9' || (rp[1] != L' ' && rp[1] != 0))
        return false;
    rType = *rp - L'0';
    ++rp;
    return true;
}

int Answer(bool bCancelled, int nOtherwise)
{
    return bCancelled ? IDCANCEL : nOtherwise;
}

int HandleMessage(MsiUIContext& context, UINT nMessageType, LPCWSTR pszMessage)
{
    const bool bCancelled = context.pStopFlag && *context.pStopFlag != 0;
    if (context.bFirstMessage)
    {
        const MsiUIHandlerCalls* pCalls = g_pCalls.load();
        // The package opened under the level of CProcessExecuter's scope, which it keeps; the
        // scope puts the process's level back after the installation.
        pCalls->pMsiSetInternalUI(INSTALLUILEVEL_BASIC, nullptr);
        pCalls->pMsiSetProperty(context.hPackage, L"CLIENTUILEVEL", L"2");
        context.bFirstMessage = false;
        SetPageText(context.hProgressWnd, IDC_PROGRESS_MAIN_TEXT, IDS_WORKER_INSTALLING_FEATURES);
        SetPageText(context.hProgressWnd, IDC_PROGRESS_EXTRA_TEXT, 0);
    }
    if (bCancelled)
    {
        if (context.nCancelCount == 0)
        {
            Trace(TRACE_TRACE, L"MsiUIHandler : Cancelling installation...");
            SetPageText(context.hProgressWnd, IDC_PROGRESS_MAIN_TEXT, IDS_WORKER_CANCELLING);
            SetPageText(context.hProgressWnd, IDC_PROGRESS_EXTRA_TEXT, IDS_WORKER_ROLLING_BACK);
        }
        ++context.nCancelCount;
    }
    if (!pszMessage)
        return Answer(bCancelled, 0);

    const UINT nFlags = nMessageType & 0x00FFFFFF;
    switch (static_cast<INSTALLMESSAGE>(nMessageType & 0xFF000000))
    {
    case INSTALLMESSAGE_FATALEXIT:
        return ShowBox(context, pszMessage, IDS_WORKER_FATAL_ERROR_CAPTION, nFlags, 0);
    case INSTALLMESSAGE_ERROR:
        g_pCalls.load()->pMessageBeep(nFlags & 0xF0);
        return ShowBox(context, pszMessage, IDS_WORKER_ERROR_CAPTION, nFlags, context.language);
    case INSTALLMESSAGE_WARNING:
        return ShowBox(context, pszMessage, IDS_WORKER_WARNING_CAPTION, nFlags, 0);
    case INSTALLMESSAGE_USER:
    case INSTALLMESSAGE_OUTOFDISKSPACE:
        return Answer(bCancelled, IDOK);
    case INSTALLMESSAGE_RESOLVESOURCE:
    case INSTALLMESSAGE_PROGRESS:
        return 0;
    case INSTALLMESSAGE_ACTIONDATA:
        if (context.nProgressTotal != 0)
        {
            Trace(TRACE_TRACE, L"MsiUIHandler : %s", (CString(L" -> ") + pszMessage).GetString());
            if (context.bActionDataEnabled)
                Trace(TRACE_TRACE, L"MsiUIHandler : Advance progress bar");
        }
        return Answer(bCancelled, 0);
    case INSTALLMESSAGE_COMMONDATA:
    {
        int type = 0, field2 = 0;
        if (ParseCommonDataRecord(pszMessage, type, field2))
        {
            context.nCommonType = type;
            context.nCommonField2 = field2;
            if (type == 0)
            {
                context.language = static_cast<LANGID>(field2);
            }
            else if (type == 2)
            {
                // A confirmed cancel is not offered again.
                const bool bEnable = field2 != 0 && !bCancelled;
                if (IsWindow(context.hProgressWnd))
                    EnableWindow(GetDlgItem(context.hProgressWnd, kCancelButtonId), bEnable);
                Trace(TRACE_TRACE, L"MsiUIHandler : %s the Cancel button", bEnable ? L"Enable" : L"Disable");
            }
        }
        return Answer(bCancelled, 0);
    }
    default:
        // INFO, FILESINUSE, ACTIONSTART, RMFILESINUSE and whatever else arrives.
        return Answer(bCancelled, 0);
    }
}
}

MsiUIContext::MsiUIContext(const wchar_t* pszCommandLine, volatile LONG* pStopFlag_, HWND hProgressWnd_)
    : strCommandLine(pszCommandLine), hProgressWnd(hProgressWnd_), pStopFlag(pStopFlag_)
{
}

int WINAPI MsiUIHandler(LPVOID pvContext, UINT nMessageType, LPCWSTR pszMessage)
{
    MsiUIContext* pContext = static_cast<MsiUIContext*>(pvContext);
    if (!pContext)
        return 0;
    try
    {
        return HandleMessage(*pContext, nMessageType, pszMessage);
    }
    catch (...)
    {
        // Nothing may unwind into the installer.
        Trace(TRACE_ERROR, L"MsiUIHandler : unexpected failure");
        return 0;
    }
}

const MsiUIHandlerCalls* SetMsiUIHandlerCalls(const MsiUIHandlerCalls* pCalls)
{
    return g_pCalls.exchange(pCalls ? pCalls : &kSystemCalls);
}

bool ParseCommonDataRecord(const wchar_t* pszRecord, int& rType, int& rField2)
{
    if (!pszRecord || !*pszRecord)
        return false;
    const wchar_t* p = pszRecord;
    int type = 0, field2 = 0;
    if (!ReadType(p, type) || type == 1 || !ReadFieldNumber(p, 2) || !ReadNumber(p, field2))
        return false;
    rType = type;
    rField2 = field2;
    return true;
}

bool ParseProgressRecord(const wchar_t* pszRecord, int& rType, int& rField2, int& rField3, int& rField4)
{
    if (!pszRecord || !*pszRecord)
        return false;
    const wchar_t* p = pszRecord;
    int type = 0, field2 = 0, field3 = 0, field4 = 0;
    if (!ReadType(p, type) || !ReadFieldNumber(p, 2) || !ReadNumber(p, field2))
        return false;
    if (type != 2 && type != 3)
    {
        if (!ReadFieldNumber(p, 3) || !ReadNumber(p, field3))
            return false;
        if (type != 1 && (!ReadFieldNumber(p, 4) || !ReadNumber(p, field4)))
            return false;
    }
    rType = type;
    rField2 = field2;
    rField3 = field3;
    rField4 = field4;
    return true;
}
