#include "ControllerRun.h"
#include "ProcessRun.h"
#include "TestArea.h"
#include "Windows.h"

#include <gtest/gtest.h>

namespace
{
const DWORD kRunTimeoutMs = 60000;
}

CControllerRun RunController(const CString& folder, const wchar_t* pszGeneration, const CString& args,
                             const wchar_t* pszExe, int dialogAnswer, CString* pDialogText)
{
    CControllerRun run;
    CChildProcess process;
    EXPECT_TRUE(process.Start(folder + pszExe, args, folder));
    run.pid = process.GetPid();
    if (dialogAnswer)
    {
        HWND hDlg = WaitForProcessDialog(run.pid, 30000);
        EXPECT_NE(nullptr, hDlg) << "the run showed no dialog";
        if (hDlg)
        {
            if (pDialogText)
                *pDialogText = GetDialogText(hDlg);
            PressDialogButton(hDlg, dialogAnswer);
        }
    }
    run.exitCode = process.Wait(kRunTimeoutMs);
    if (run.exitCode == STILL_ACTIVE)
        TerminateProcess(process.GetHandle(), 99);
    run.log = ReadControllerLog(pszGeneration, run.pid);
    return run;
}

bool SetWineVersionFor(const wchar_t* pszExe, const wchar_t* pszVersion)
{
    return WriteUserRegString(CString(L"Software\\Wine\\AppDefaults\\") + pszExe, L"Version", pszVersion);
}

CString CopyExtractFixture(const wchar_t* pszTestName, const wchar_t* pszFixture)
{
    const CString folder = FreshTestFolder(pszTestName) + pszFixture + L"\\";
    CreateDirectoryW(folder, nullptr);
    CreateDirectoryW(folder + L"msi", nullptr);
    EXPECT_TRUE(CopyFileW(CString(L"D:\\fixtures\\") + pszFixture + L"\\msi\\VantolinSetup.msi",
                          folder + L"msi\\VantolinSetup.msi", FALSE));
    return folder;
}

// Waits for the trace log of the copy that the hand-over started (found by its text).
CString WaitForUpdateReadyLog(const wchar_t* pszGeneration, DWORD updaterPid)
{
    CString marker;
    marker.Format(L"Waiting for updater (new) ORU process with PID <%lu> to finish...", updaterPid);
    const CString folder = ControllerLogFolder(pszGeneration);
    for (int i = 0; i < 600; ++i)
    {
        for (const CString& name : ListFiles(folder + L"Log_oru_*.txt"))
        {
            const CString text = ReadUtf16File(folder + name);
            if (!Contains(text, marker))
                continue;
            if (Contains(text, L"CoruApp::InitInstance exited"))
                return text;
            // The copy runs on and ends cancelled (no Internet, no archive): answer its message.
            const DWORD pid = wcstoul(name.Mid(24), nullptr, 16);
            HWND hDlg = WaitForProcessDialog(pid, 100);
            if (hDlg)
                PressDialogButton(hDlg, IDOK);
        }
        Sleep(100);
    }
    return CString();
}
