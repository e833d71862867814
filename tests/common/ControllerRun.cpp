#include "ControllerRun.h"
#include "ProcessRun.h"
#include "TestArea.h"
#include "Windows.h"
#include "WizardDriver.h"
#include "wizard/resource_start.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace
{
const DWORD kRunTimeoutMs = 120000;
}

CRunPageAnswerer::CRunPageAnswerer(DWORD pid, int dialogAnswer, CString* pDialogText)
    : m_pid(pid), m_dialogAnswer(dialogAnswer), m_pDialogText(pDialogText)
{
}

void CRunPageAnswerer::Step()
{
    HWND hPage = FindWizardPage(m_pid);
    if (!hPage || hPage == m_hAnswered)
        return;
    switch (IdentifyWizardPage(hPage))
    {
    case EWizardPage::None:
    case EWizardPage::Download:
    case EWizardPage::Progress:
        return;
    case EWizardPage::Finish:
    case EWizardPage::Other:
        if (m_bDialogAnswered || !m_dialogAnswer)
            return;
        if (m_pDialogText)
            *m_pDialogText = GetDialogText(hPage);
        PressDialogButton(hPage, m_dialogAnswer);
        m_bDialogAnswered = true;
        break;
    case EWizardPage::Internet:
        if (SetPageCheck(hPage, IDC_INTERNET_SKIP, true))
            PressPageButton(hPage, kWizardNext);
        else if (PressPageButton(hPage, kWizardCancel))
            AnswerCancelQuestion(hPage, true);
        break;
    default:
        if (!PressPageButton(hPage, kWizardNext))
            return;
        break;
    }
    m_hAnswered = hPage;
}

HWND WaitForRunDialog(DWORD pid, DWORD timeoutMs)
{
    CRunPageAnswerer answerer(pid, 0, nullptr);
    return WaitForWindow(
        [pid, &answerer]() -> HWND {
            HWND hPage = FindWizardPage(pid);
            const EWizardPage kind = IdentifyWizardPage(hPage);
            if (kind == EWizardPage::Finish || kind == EWizardPage::Other)
                return hPage;
            answerer.Step();
            return nullptr;
        },
        timeoutMs);
}

CControllerRun RunController(const CString& folder, const wchar_t* pszGeneration, const CString& args,
                             const wchar_t* pszExe, int dialogAnswer, CString* pDialogText)
{
    CControllerRun run;
    CChildProcess process;
    EXPECT_TRUE(process.Start(folder + pszExe, args, folder));
    run.pid = process.GetPid();
    CRunPageAnswerer answerer(run.pid, dialogAnswer, pDialogText);
    const DWORD start = GetTickCount();
    for (;;)
    {
        run.exitCode = process.Wait(200);
        if (run.exitCode != STILL_ACTIVE || GetTickCount() - start > kRunTimeoutMs)
            break;
        answerer.Step();
    }
    if (dialogAnswer)
        EXPECT_TRUE(answerer.DialogAnswered()) << "the run showed no dialog";
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

CString WaitForRunLog(const wchar_t* pszGeneration, const std::function<bool(const CString&)>& isTheRun,
                     DWORD timeoutMs)
{
    const CString folder = ControllerLogFolder(pszGeneration);
    std::map<DWORD, CRunPageAnswerer> answerers;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(100))
    {
        for (const CString& name : ListFiles(folder + L"Log_oru_*.txt"))
        {
            const CString text = ReadUtf16File(folder + name);
            if (!isTheRun(text))
                continue;
            if (Contains(text, L"CoruApp::InitInstance exited"))
                return text;
            // The log's name ends with the run's process id.
            const DWORD pid = wcstoul(name.Mid(24), nullptr, 16);
            answerers.emplace(pid, CRunPageAnswerer(pid, IDOK, nullptr)).first->second.Step();
        }
    }
    return CString();
}

CString WaitForUpdateReadyLog(const wchar_t* pszGeneration, DWORD updaterPid)
{
    CString marker;
    marker.Format(L"Waiting for updater (new) ORU process with PID <%lu> to finish...", updaterPid);
    // The copy runs on and ends cancelled (no Internet, no archive).
    return WaitForRunLog(pszGeneration, [&marker](const CString& text) { return Contains(text, marker); }, 60000);
}
