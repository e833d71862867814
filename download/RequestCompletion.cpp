#include "RequestCompletion.h"

#include <new>

CRequestCompletion* CRequestCompletion::Create()
{
    CRequestCompletion* p = new (std::nothrow) CRequestCompletion;
    if (!p)
        return nullptr;
    p->m_event.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!p->m_event)
    {
        delete p;
        return nullptr;
    }
    return p;
}

void CRequestCompletion::Release()
{
    if (--m_refs == 0)
        delete this;
}

bool CRequestCompletion::Attach(HINTERNET hRequest)
{
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(this);
    AddRef();
    if (::WinHttpSetOption(hRequest, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context)))
        return true;
    Release();
    return false;
}

void CRequestCompletion::Arm()
{
    m_dwStatus = m_dwCount = m_dwError = 0;
    ResetEvent(m_event.Get());
}

void CRequestCompletion::Complete(DWORD status, DWORD count, DWORD error)
{
    m_dwStatus = status;
    m_dwCount = count;
    m_dwError = error;
    // The event publishes the values to the waiting thread.
    SetEvent(m_event.Get());
}

void CALLBACK CRequestCompletion::OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID pInfo, DWORD length)
{
    // The session and connection carry no context; only requests report here.
    CRequestCompletion* pThis = reinterpret_cast<CRequestCompletion*>(context);
    if (!pThis)
        return;
    switch (status)
    {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        pThis->Complete(status, 0, 0);
        break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        pThis->Complete(status, pInfo ? *static_cast<const DWORD*>(pInfo) : 0, 0);
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        pThis->Complete(status, length, 0);
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        pThis->Complete(status, 0,
                        pInfo ? static_cast<const WINHTTP_ASYNC_RESULT*>(pInfo)->dwError : ERROR_WINHTTP_INTERNAL_ERROR);
        break;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        pThis->Release();
        break;
    default:
        break;
    }
}
