// A stand-in of the system media player's scripting object for the tests: an in-process COM
// server whose object answers IDispatch and the media collection. Its counts and its failures
// come from "<dll name>.ini" beside the library, read when an object is made:
//   [Counts] All=, Audio=, Video=          item counts of getAll and getByAttribute("MediaType", ...)
//   [Fail]   Create=1                      the class factory makes no object
//            QueryInterface=1              the object is no media collection
//            getAll=1, getAllCount=1, getAudio=1, getAudioCount=1, getVideo=1, getVideoCount=1
// Any other attribute or media type than "MediaType" with "Audio" or "Video" is refused.
// StandInLiveObjects tells a test how many objects are still referenced.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wmp.h>

#include <string>

namespace
{

HMODULE g_hModule = nullptr;
volatile LONG g_liveObjects = 0;
volatile LONG g_serverLocks = 0;

struct CScript
{
    LONG all = 0, audio = 0, video = 0;
    bool failCreate = false, failQuery = false;
    bool failAll = false, failAllCount = false;
    bool failAudio = false, failAudioCount = false;
    bool failVideo = false, failVideoCount = false;
};

CScript ReadScript()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(g_hModule, path, MAX_PATH);
    std::wstring ini(path, length < MAX_PATH ? length : 0);
    const size_t dot = ini.find_last_of(L'.');
    ini = (dot == std::wstring::npos ? ini : ini.substr(0, dot)) + L".ini";
    const wchar_t* file = ini.c_str();
    auto fail = [file](const wchar_t* key) { return GetPrivateProfileIntW(L"Fail", key, 0, file) != 0; };
    CScript s;
    s.all = static_cast<LONG>(GetPrivateProfileIntW(L"Counts", L"All", 0, file));
    s.audio = static_cast<LONG>(GetPrivateProfileIntW(L"Counts", L"Audio", 0, file));
    s.video = static_cast<LONG>(GetPrivateProfileIntW(L"Counts", L"Video", 0, file));
    s.failCreate = fail(L"Create");
    s.failQuery = fail(L"QueryInterface");
    s.failAll = fail(L"getAll");
    s.failAllCount = fail(L"getAllCount");
    s.failAudio = fail(L"getAudio");
    s.failAudioCount = fail(L"getAudioCount");
    s.failVideo = fail(L"getVideo");
    s.failVideoCount = fail(L"getVideoCount");
    return s;
}

// Reference counting and an IDispatch without type information for one interface I.
template <typename I>
class CDispatchObject : public I
{
public:
    CDispatchObject() { InterlockedIncrement(&g_liveObjects); }
    virtual ~CDispatchObject() { InterlockedDecrement(&g_liveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || (riid == __uuidof(I) && AnswersOwnInterface()))
        {
            *ppv = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override
    {
        if (pctinfo)
            *pctinfo = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

protected:
    virtual bool AnswersOwnInterface() const { return true; }

private:
    volatile LONG m_refs = 1;
};

class CPlaylist : public CDispatchObject<IWMPPlaylist>
{
public:
    CPlaylist(LONG count, bool bFailCount) : m_count(count), m_bFailCount(bFailCount) {}

    HRESULT STDMETHODCALLTYPE get_count(LONG* plCount) override
    {
        if (!plCount)
            return E_POINTER;
        if (m_bFailCount)
            return E_FAIL;
        *plCount = m_count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_name(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_name(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_attributeCount(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_attributeName(LONG, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Item(LONG, IWMPMedia**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getItemInfo(BSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE setItemInfo(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_isIdentical(IWMPPlaylist*, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE clear() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE insertItem(LONG, IWMPMedia*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE appendItem(IWMPMedia*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE removeItem(IWMPMedia*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE moveItem(LONG, LONG) override { return E_NOTIMPL; }

private:
    LONG m_count;
    bool m_bFailCount;
};

HRESULT HandOutPlaylist(LONG count, bool bFail, bool bFailCount, IWMPPlaylist** ppList)
{
    if (!ppList)
        return E_POINTER;
    *ppList = nullptr;
    if (bFail)
        return E_FAIL;
    *ppList = new CPlaylist(count, bFailCount);
    return S_OK;
}

bool SameText(BSTR s, const wchar_t* pszExpected)
{
    return s && lstrcmpW(s, pszExpected) == 0;
}

// The player object is its own media collection.
class CPlayer : public CDispatchObject<IWMPMediaCollection>
{
public:
    explicit CPlayer(const CScript& script) : m_script(script) {}

    HRESULT STDMETHODCALLTYPE getAll(IWMPPlaylist** ppList) override
    {
        return HandOutPlaylist(m_script.all, m_script.failAll, m_script.failAllCount, ppList);
    }
    HRESULT STDMETHODCALLTYPE getByAttribute(BSTR bstrAttribute, BSTR bstrValue, IWMPPlaylist** ppList) override
    {
        if (ppList)
            *ppList = nullptr;
        if (!SameText(bstrAttribute, L"MediaType"))
            return E_INVALIDARG;
        if (SameText(bstrValue, L"Audio"))
            return HandOutPlaylist(m_script.audio, m_script.failAudio, m_script.failAudioCount, ppList);
        if (SameText(bstrValue, L"Video"))
            return HandOutPlaylist(m_script.video, m_script.failVideo, m_script.failVideoCount, ppList);
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE add(BSTR, IWMPMedia**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getByName(BSTR, IWMPPlaylist**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getByGenre(BSTR, IWMPPlaylist**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getByAuthor(BSTR, IWMPPlaylist**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getByAlbum(BSTR, IWMPPlaylist**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE remove(IWMPMedia*, VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getAttributeStringCollection(BSTR, BSTR, IWMPStringCollection**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE getMediaAtom(BSTR, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE setDeleted(IWMPMedia*, VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE isDeleted(IWMPMedia*, VARIANT_BOOL*) override { return E_NOTIMPL; }

protected:
    bool AnswersOwnInterface() const override { return !m_script.failQuery; }

private:
    CScript m_script;
};

class CPlayerFactory : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // One static factory: its references keep the library as the server locks do.
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&g_serverLocks)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&g_serverLocks)); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pOuter)
            return CLASS_E_NOAGGREGATION;
        const CScript script = ReadScript();
        if (script.failCreate)
            return E_FAIL;
        CPlayer* pPlayer = new CPlayer(script);
        const HRESULT hr = pPlayer->QueryInterface(riid, ppv);
        pPlayer->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL bLock) override
    {
        if (bLock)
            InterlockedIncrement(&g_serverLocks);
        else
            InterlockedDecrement(&g_serverLocks);
        return S_OK;
    }
};

CPlayerFactory g_factory;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        g_hModule = hInstance;
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

// Any class id: the registration the test writes decides which one leads here.
extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID riid, void** ppv)
{
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return g_liveObjects == 0 && g_serverLocks == 0 ? S_OK : S_FALSE;
}

extern "C" LONG STDAPICALLTYPE StandInLiveObjects()
{
    return g_liveObjects;
}
