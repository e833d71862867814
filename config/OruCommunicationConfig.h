#pragma once
// The registry channel between the controller and the installed product: a few text values in
// one key of the current user. The controller writes commands and a heartbeat and reads the
// product's state; the product writes its state and messages. The key is also a section of the
// store, so that a listener hears when the product changes a value.
//
// Safe to call from several threads (the heartbeat writes while the UI thread reads).

#include "classlib/String.h"

class QMConfig;
class IQMConfigListener;

namespace OruCommunicationConfig
{
enum
{
    COMMAND_WAIT_HIDDEN = 0,
    COMMAND_START = 1,
    COMMAND_CLOSE = 2
};
enum
{
    STATE_NONE = 0,
    STATE_INITIALIZING = 1,
    STATE_WAITING_FOR_COMMAND = 2
};

// Again after the store was re-rooted: the channel then follows the new root.
void Init(QMConfig* pConfig);
void Subscribe(IQMConfigListener* pListener);
void Unsubscribe(IQMConfigListener* pListener);

void SetCommandFromORU(int command);
void SetVantolinState(int state);
void SetStateMessageFromVantolin(const wchar_t* pszText);
void SetSubStateMessageFromVantolin(const wchar_t* pszText);
void SetORUIsAlive();

int GetVantolinState();
CString GetStateMessageFromVantolin();
CString GetSubStateMessageFromVantolin();

// The HKEY_CURRENT_USER path the values are written to, and the older one read when a value
// there is empty.
CString GetChannelKey();
const wchar_t* GetFallbackKey();
}
