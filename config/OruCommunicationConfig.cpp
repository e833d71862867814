#include "OruCommunicationConfig.h"
#include "QMConfig.h"
#include "QMConfigListener.h"
#include "classlib/Handles.h"
#include "classlib/Sync.h"
#include "support/Registry.h"
#include "support/TraceLog.h"

namespace
{
const wchar_t kSectionName[] = L"OruCommunication";
const wchar_t kDefaultChannelKey[] = L"Software\\Quillmark\\Vantolin_2012\\OruCommunication";
const wchar_t kFallbackKey[] = L"Software\\Quillmark\\Vantolin_2011\\OruCommunication";

const wchar_t kCommandValue[] = L"CommandFromORU";
const wchar_t kStateValue[] = L"VantolinState";
const wchar_t kStateMessageValue[] = L"StateMessageFromVantolin";
const wchar_t kSubStateMessageValue[] = L"SubStateMessageFromVantolin";
const wchar_t kAliveValue[] = L"ORUIsAlive";

const wchar_t kInitializing[] = L"Initializing";
const wchar_t kWaitingForCommand[] = L"WaitingCommandFromORU";

// Init may run again (after the re-root) while the heartbeat writes: the key text is only
// read and replaced under the lock.
struct CChannel
{
    CCriticalSection lock;
    QMConfig* pConfig = nullptr;
    QMConfigSection* pSection = nullptr;
    CString key = kDefaultChannelKey;
};

CChannel& Channel()
{
    static CChannel channel;
    return channel;
}

CString CurrentKey()
{
    CChannel& channel = Channel();
    CSingleLock lock(&channel.lock, true);
    return channel.key;
}

// The store is called outside the channel's lock: its listeners run with the store's locks
// held and may read the channel.
void CurrentSection(QMConfig*& rpConfig, QMConfigSection*& rpSection)
{
    CChannel& channel = Channel();
    CSingleLock lock(&channel.lock, true);
    rpConfig = channel.pConfig;
    rpSection = channel.pSection;
}

bool IsFallbackKey(const CString& key)
{
    return key.CompareNoCase(kFallbackKey) == 0;
}

// An older product may still talk on the fallback key: a clear must empty what it left there
// too, or a stale "WaitingCommandFromORU" reads as a product that is ready. The key is never
// created for that.
void ClearFallbackValue(const CString& key, const wchar_t* pszValue)
{
    if (IsFallbackKey(key))
        return;
    CScopedRegKey fallback;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kFallbackKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, fallback.Receive()) !=
        ERROR_SUCCESS)
        return;
    if (RegQueryValueExW(fallback.Get(), pszValue, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    const wchar_t empty[] = L"";
    RegSetValueExW(fallback.Get(), pszValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(empty), sizeof(empty));
}

void WriteValue(const wchar_t* pszValue, const wchar_t* pszText)
{
    WriteRegString(HKEY_CURRENT_USER, CurrentKey(), pszValue, REG_SZ, pszText, nullptr, 0);
}

// The product's own values: these are read with the fallback, so their clear reaches it too.
void WriteProductValue(const wchar_t* pszValue, const wchar_t* pszText)
{
    const CString key = CurrentKey();
    WriteRegString(HKEY_CURRENT_USER, key, pszValue, REG_SZ, pszText, nullptr, 0);
    if (!pszText || !*pszText)
        ClearFallbackValue(key, pszValue);
}

CString ReadValue(const wchar_t* pszValue)
{
    CString text = GetRegString(HKEY_CURRENT_USER, CurrentKey(), pszValue, 0);
    if (text.IsEmpty())
        text = GetRegString(HKEY_CURRENT_USER, kFallbackKey, pszValue, 0);
    return text;
}

CString BuildChannelKey(QMConfig* pConfig)
{
    CString root = pConfig ? pConfig->GetLocalRoot() : CString();
    root.TrimRight(L"\\");
    if (root.IsEmpty())
        return kDefaultChannelKey;
    return root + L"\\" + kSectionName;
}
} // namespace

void OruCommunicationConfig::Init(QMConfig* pConfig)
{
    QMConfigSection* pSection = pConfig ? pConfig->GetSection(QMCONFIG_LOCAL, kSectionName) : nullptr;
    if (pSection)
    {
        pConfig->GetKey(pSection, kCommandValue, L"-1");
        pConfig->GetKey(pSection, kStateValue, L"");
        pConfig->GetKey(pSection, kStateMessageValue, L"");
        pConfig->GetKey(pSection, kSubStateMessageValue, L"");
        pConfig->GetKey(pSection, kAliveValue, L"0");
    }
    const CString key = BuildChannelKey(pConfig);
    CChannel& channel = Channel();
    CSingleLock lock(&channel.lock, true);
    channel.pConfig = pConfig;
    channel.pSection = pSection;
    channel.key = key;
}

void OruCommunicationConfig::Subscribe(IQMConfigListener* pListener)
{
    QMConfig* pConfig = nullptr;
    QMConfigSection* pSection = nullptr;
    CurrentSection(pConfig, pSection);
    if (pConfig && pSection && pListener)
        pConfig->Subscribe(pSection, pListener);
}

void OruCommunicationConfig::Unsubscribe(IQMConfigListener* pListener)
{
    QMConfig* pConfig = nullptr;
    QMConfigSection* pSection = nullptr;
    CurrentSection(pConfig, pSection);
    if (pConfig && pSection && pListener)
        pConfig->Unsubscribe(pSection, pListener);
}

void OruCommunicationConfig::SetCommandFromORU(int command)
{
    const wchar_t* pszText = L"";
    switch (command)
    {
    case COMMAND_WAIT_HIDDEN:
        pszText = L"WaitHidden";
        break;
    case COMMAND_START:
        pszText = L"Start";
        break;
    case COMMAND_CLOSE:
        pszText = L"Close";
        break;
    default:
        Trace(TRACE_WARNING, L"OruCommunicationConfig::SetCommandFromORU was called with unknown command !");
        break;
    }
    Trace(TRACE_INFO, L"OruCommunicationConfig::SetCommandFromORU : [%s]", pszText);
    WriteValue(kCommandValue, pszText);
}

void OruCommunicationConfig::SetVantolinState(int state)
{
    const wchar_t* pszText = state == STATE_INITIALIZING          ? kInitializing
                             : state == STATE_WAITING_FOR_COMMAND ? kWaitingForCommand
                                                                  : L"";
    Trace(TRACE_INFO, L"OruCommunicationConfig::SetVantolinState : [%s]", pszText);
    WriteProductValue(kStateValue, pszText);
}

void OruCommunicationConfig::SetStateMessageFromVantolin(const wchar_t* pszText)
{
    WriteProductValue(kStateMessageValue, pszText);
}

void OruCommunicationConfig::SetSubStateMessageFromVantolin(const wchar_t* pszText)
{
    WriteProductValue(kSubStateMessageValue, pszText);
}

void OruCommunicationConfig::SetORUIsAlive()
{
    WriteValue(kAliveValue, L"1");
}

int OruCommunicationConfig::GetVantolinState()
{
    const CString state = ReadValue(kStateValue);
    if (state == kInitializing)
        return STATE_INITIALIZING;
    if (state == kWaitingForCommand)
        return STATE_WAITING_FOR_COMMAND;
    return STATE_NONE;
}

CString OruCommunicationConfig::GetStateMessageFromVantolin()
{
    return ReadValue(kStateMessageValue);
}

CString OruCommunicationConfig::GetSubStateMessageFromVantolin()
{
    return ReadValue(kSubStateMessageValue);
}

CString OruCommunicationConfig::GetChannelKey()
{
    return CurrentKey();
}

const wchar_t* OruCommunicationConfig::GetFallbackKey()
{
    return kFallbackKey;
}
