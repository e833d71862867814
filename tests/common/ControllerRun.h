#pragma once
// One run of the built controller under Wine, with its exit code and trace log.

#include "classlib/String.h"

#include <functional>

struct CControllerRun
{
    DWORD exitCode = STILL_ACTIVE;
    DWORD pid = 0;
    CString log;
};

// Answers a run's pages as a person who takes every default would: Next on each choice page; on
// the Internet page the skip box and Next where the archive allows it, else Cancel and Yes. The
// first finish page or box of the run gets the dialog answer (its text kept); no answer leaves it
// standing. Waiting and progress pages are left alone.
class CRunPageAnswerer
{
public:
    CRunPageAnswerer(DWORD pid, int dialogAnswer, CString* pDialogText);
    // One look at the process's windows, answering what it finds.
    void Step();
    bool DialogAnswered() const { return m_bDialogAnswered; }

private:
    DWORD m_pid;
    int m_dialogAnswer;
    CString* m_pDialogText;
    bool m_bDialogAnswered = false;
    // The page answered last: it is not answered twice while it closes.
    HWND m_hAnswered = nullptr;
};

// Answers the run's pages until its finish page or one of its boxes shows: that window, or null
// when none has shown in time.
HWND WaitForRunDialog(DWORD pid, DWORD timeoutMs);

// Runs the controller in the folder and waits for its end, its pages answered (CRunPageAnswerer);
// dialogAnswer: the button to press on the finish page or box the run must show (its text goes
// to pDialogText).
CControllerRun RunController(const CString& folder, const wchar_t* pszGeneration, const CString& args,
                             const wchar_t* pszExe = L"VantolinSetup.exe", int dialogAnswer = 0,
                             CString* pDialogText = nullptr);
// The Windows version Wine reports to the program of that name (winxp, vista, win7, ...).
bool SetWineVersionFor(const wchar_t* pszExe, const wchar_t* pszVersion);
// D:\tests\<name>\<fixture>\ afresh: a copy of an unpacked-archive fixture (D:\fixtures\<fixture>)
// for a run that removes its extraction folder at the end.
CString CopyExtractFixture(const wchar_t* pszTestName, const wchar_t* pszFixture = L"extract_9108q");
// Waits for the trace log of a run of the generation that isTheRun picks (by its text) to end,
// answering that run's pages and its finish (CRunPageAnswerer, IDOK); empty when it has not ended
// in time.
CString WaitForRunLog(const wchar_t* pszGeneration, const std::function<bool(const CString&)>& isTheRun,
                     DWORD timeoutMs);
// Waits for the trace log of the copy that a self-update hand-over started (found by its line
// naming the updater's id), answering the closing message of its run; empty when none came.
CString WaitForUpdateReadyLog(const wchar_t* pszGeneration, DWORD updaterPid);
