#pragma once
// A stand-in for a progress page: a hidden top-level window with the controls the workers write
// to (the main and the extra text of workers/WorkerStrings.h, the Cancel button 2). It records
// every registered message it receives and every text set on its controls, in order. Messages
// reach it only while its thread pumps.

#include "classlib/String.h"

#include <windows.h>

#include <functional>
#include <vector>

class CRecordingWindow
{
public:
    struct CMessage
    {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        CString text; // of a PROGRESSDLG_SET_MESSAGE-style system string, freed on receipt
    };

    // Messages with a system string in lParam (freed by the window) are given here.
    explicit CRecordingWindow(UINT nStringMessage = 0);
    ~CRecordingWindow();
    CRecordingWindow(const CRecordingWindow&) = delete;
    CRecordingWindow& operator=(const CRecordingWindow&) = delete;

    HWND Get() const { return m_hWnd; }
    // Registered messages received so far, of one kind (0: all).
    std::vector<CMessage> Messages(UINT msg = 0) const;
    // Every text ever set on the control, in order.
    std::vector<CString> Texts(int nControlId) const;
    bool IsControlEnabled(int nControlId) const;
    // Dispatches this thread's messages until done() holds or the time is up; done()'s answer.
    static bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    UINT m_nStringMessage;
    std::vector<CMessage> m_messages;
    struct CControl
    {
        HWND hWnd;
        int id;
        WNDPROC previous;
        std::vector<CString> texts;
    };
    std::vector<CControl> m_controls;
};
