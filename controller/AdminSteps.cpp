// The run between the start checks and the end: main window, main loop, finish page.

#include "CoruApp.h"
#include "OruSettings.h"
#include "SetupHelpers.h"
#include "resource.h"

#include "refresh_rt/refresh_rt.h"
#include "support/TraceLog.h"

namespace
{
const wchar_t kMainWindowClass[] = L"VantolinSetupMainWindow";
}

void CoruApp::CreateMainWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassW(&wc);
    m_mainWindow.Reset(CreateWindowExW(WS_EX_TOOLWINDOW, kMainWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       AfxGetInstanceHandle(), nullptr));
    if (!m_mainWindow)
    {
        Trace(TRACE_ERROR, L"CoruApp::CreateMainWindow : cannot create the main window, error=%lu", GetLastError());
        return;
    }
    const int iconId = COruSettings::GetInstance().GetPartnerID() == L"11082" ? IDI_MAINFRAME_PARTNER : IDI_MAINFRAME;
    HICON hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(iconId));
    SendMessageW(m_mainWindow.Get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    SendMessageW(m_mainWindow.Get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
    ShowWindow(m_mainWindow.Get(), m_bSilent ? SW_HIDE : SW_SHOW);
    // PLACEHOLDER (setup helpers, not built yet): the pages' position is centred on the work area and
    // saved for a restarted copy here.
}

void CoruApp::ShowFinishedInstallation(UINT nTextId, const wchar_t* pszArgument)
{
    // PLACEHOLDER (finish page, not built yet): the finish page shows this text; until it exists the
    // text goes to a message box.
    CString text = FormatResString(nTextId, pszArgument ? pszArgument : L"");
    text = ReplaceProductWord(text);
    Trace(TRACE_INFO, L"CoruApp::ShowFinishedInstallation : %s", text.GetString());
    MessageBoxW(m_mainWindow.Get(), text, m_strAppTitle, MB_OK | MB_ICONINFORMATION);
}

void CoruApp::ProcessAsAdminSteps()
{
    // PLACEHOLDER (step engine and main loop, not built yet): no installation step exists yet, so the
    // run ends as a failed PC installation and reports that, as the end of a run does.
    Trace(TRACE_INFO, L"CoruApp::ProcessAsAdminSteps : no installation steps in this build");
    m_nExitCode = ORU_EXIT_PC_FAILED;

    const int returnCode = m_nExitCode + 10; // the product never reported that it was ready
    m_pUsageStatistics->SetIntValue(L"InstallationReturnCode", returnCode);
    m_pUsageStatistics->SetStringValue(L"InstallationOrder", L"");
    m_pUsageStatistics->SetStringValue(L"InstallationStep", L"ORU_FINISH");
    m_pUsageStatistics->SetStringValue(L"tag", m_strRunId);
    m_pUsageStatistics->SetIntValue(L"PartnerId", _wtoi(COruSettings::GetInstance().GetPartnerID()));
    if (!COruSettings::GetInstance().GetAffiliateID().IsEmpty())
        m_pUsageStatistics->SetIntValue(L"AffiliateId", _wtoi(COruSettings::GetInstance().GetAffiliateID()));
    m_pUsageStatistics->Send();
}
