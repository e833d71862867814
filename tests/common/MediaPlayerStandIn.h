#pragma once
// Puts the stand-in media player (tools/mediaplayer) in the place of the prefix's own for the
// life of the object, or takes the player away: the program id "WMPlayer.OCX" of the shared class
// view leads to the stand-in's class id, whose in-process server (32-bit view) is a copy of the
// stand-in in the test's folder with the ini beside it. The destructor puts the program id's whole
// previous key back and removes the stand-in's class. Tests that use it hold the ctest lock
// controller_instance: every program of the prefix sees the change.

#include "classlib/String.h"

#include <memory>
#include <string>

class CMediaPlayerStandIn
{
public:
    // The stand-in copied into folder (created when missing), acting by iniText (see tools/mediaplayer).
    static std::unique_ptr<CMediaPlayerStandIn> Install(const CString& folder, const std::string& iniText);
    // No media player at all: the program id is gone.
    static std::unique_ptr<CMediaPlayerStandIn> Remove();
    ~CMediaPlayerStandIn();
    CMediaPlayerStandIn(const CMediaPlayerStandIn&) = delete;
    CMediaPlayerStandIn& operator=(const CMediaPlayerStandIn&) = delete;

    // Whether the change was made; a test asserts it before it relies on it.
    bool IsReady() const { return m_bReady; }
    const CString& DllPath() const { return m_dllPath; }

    // The stand-in's class id.
    static const wchar_t* const kClassId;

private:
    CMediaPlayerStandIn();
    struct CSavedKey;
    std::unique_ptr<CSavedKey> m_saved;
    CString m_dllPath;
    bool m_bReady = false;
};
