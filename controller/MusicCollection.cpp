#include "MusicCollection.h"

#include "classlib/Handles.h"
#include "support/TraceLog.h"

#include <wmp.h>

namespace
{

// COM for this thread for as long as the count runs. A thread that had COM already (S_FALSE)
// holds one more reference, which is given back as well.
class CComApartment
{
public:
    CComApartment() : m_hr(::CoInitialize(nullptr))
    {
        Trace(TRACE_TRACE, L"GetMusicCollectionNumbers: CoInit result was %d", static_cast<int>(m_hr));
    }
    ~CComApartment()
    {
        if (m_hr == S_OK || m_hr == S_FALSE)
            ::CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    HRESULT m_hr;
};

// The item count of one playlist the collection hands out, or -1 with the failing call's line.
template <typename Query>
int CountItems(Query query, const wchar_t* pszQueryFailed, const wchar_t* pszCountFailed)
{
    CScopedInterface<IWMPPlaylist> playlist;
    if (FAILED(query(playlist.Receive())) || !playlist)
    {
        Trace(TRACE_ERROR, L"%s", pszQueryFailed);
        return -1;
    }
    LONG count = 0;
    if (FAILED(playlist.Get()->get_count(&count)) || count < 0)
    {
        Trace(TRACE_ERROR, L"%s", pszCountFailed);
        return -1;
    }
    return static_cast<int>(count);
}

int CountMediaType(IWMPMediaCollection* pCollection, const wchar_t* pszType, const wchar_t* pszQueryFailed,
                   const wchar_t* pszCountFailed)
{
    const CScopedBstr attribute(::SysAllocString(L"MediaType"));
    const CScopedBstr type(::SysAllocString(pszType));
    if (!attribute || !type)
    {
        Trace(TRACE_ERROR, L"%s", pszQueryFailed);
        return -1;
    }
    return CountItems([&](IWMPPlaylist** ppList) { return pCollection->getByAttribute(attribute.Get(), type.Get(), ppList); },
                      pszQueryFailed, pszCountFailed);
}

} // namespace

bool GetMusicCollectionNumbers(int& nAll, int& nAudio, int& nVideo)
{
    nAll = nAudio = nVideo = -1;
    const CComApartment apartment;

    CLSID clsid;
    if (FAILED(::CLSIDFromProgID(L"WMPlayer.ocx", &clsid)))
    {
        Trace(TRACE_ERROR, L"GetMusicCollectionNumbers: failed getting CLSID for WMPlayer");
        return false;
    }
    {
        CScopedTaskText text;
        if (SUCCEEDED(::StringFromCLSID(clsid, text.Receive())) && text)
            Trace(TRACE_TRACE, L"GetMusicCollectionNumbers: CLSID is %s", text.Get());
    }

    CScopedInterface<IDispatch> player;
    const HRESULT hrCreate = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                                reinterpret_cast<void**>(player.Receive()));
    Trace(TRACE_TRACE, L"GetMusicCollectionNumbers: CoCreate result was %d", static_cast<int>(hrCreate));
    if (FAILED(hrCreate) || !player)
    {
        Trace(TRACE_ERROR, L"GetMusicCollectionNumbers: CoCreateInstance failed");
        return false;
    }

    {
        CScopedInterface<IWMPMediaCollection> collection;
        if (FAILED(player.Get()->QueryInterface(__uuidof(IWMPMediaCollection),
                                                reinterpret_cast<void**>(collection.Receive()))) ||
            !collection)
        {
            Trace(TRACE_ERROR, L"GetMusicCollectionNumbers: QueryInterface - IID_IWMPMediaCollection failed");
        }
        else
        {
            IWMPMediaCollection* pCollection = collection.Get();
            nAll = CountItems([&](IWMPPlaylist** ppList) { return pCollection->getAll(ppList); },
                              L"GetMusicCollectionNumbers: getAll failed", L"GetMusicCollectionNumbers: getAll COUNT failed");
            nAudio = CountMediaType(pCollection, L"Audio", L"GetMusicCollectionNumbers: getAudio failed",
                                    L"GetMusicCollectionNumbers: getAudio COUNT failed");
            nVideo = CountMediaType(pCollection, L"Video", L"GetMusicCollectionNumbers: getVideo failed",
                                    L"GetMusicCollectionNumbers: getVideo COUNT failed");
        }
    }
    player.Close();
    Trace(TRACE_DEBUG, L"GetMusicCollectionNumbers: %d / %d / %d", nAll, nAudio, nVideo);
    return nAll != -1 && nAudio != -1 && nVideo != -1;
}
