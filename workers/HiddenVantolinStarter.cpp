#include "HiddenVantolinStarter.h"
#include "IInstanceFlagOwner.h"
#include "config/OruCommunicationConfig.h"
#include "config/QMConfigListener.h"
#include "spawner/DesktopSpawner.h"
#include "support/PathUtil.h"
#include "support/SysUtil.h"
#include "support/SystemInfo.h"
#include "support/TraceLog.h"

#include <shellapi.h>
#include <vector>

namespace
{
// By full path: an elevated program that asks by name also searches the current folder and
// PATH, where anybody could leave a library of that name.
HMODULE LoadSpawnerLibrary()
{
    const wchar_t* pszFolder = GetExeFolder();
    if (!pszFolder)
        return nullptr;
    return LoadLibraryW(CString(pszFolder) + L"DesktopSpawner.dll");
}

CString JoinArguments(const CString& first, const CString& second)
{
    if (first.IsEmpty())
        return second;
    return first + L" " + second;
}
} // namespace

CHiddenVantolinStarter::CHiddenVantolinStarter(IInstanceFlagOwner* pFlagOwner)
    : m_pFlagOwner(pFlagOwner), m_spawner(LoadSpawnerLibrary())
{
}

CHiddenVantolinStarter::~CHiddenVantolinStarter()
{
    StopCommunicationWithVantolin();
}

void CHiddenVantolinStarter::SplitLaunchCommand(const CString& launchCommand, CString& rProgram, CString& rArguments)
{
    CString command(launchCommand);
    command.Trim();
    rArguments.Empty();
    if (command.IsEmpty() || command[0] != L'"')
    {
        rProgram = command;
        return;
    }
    const int closing = command.Find(L'"', 1);
    if (closing < 0)
    {
        rProgram = command.Mid(1);
        return;
    }
    rProgram = command.Mid(1, closing - 1);
    rArguments = command.Mid(closing + 1);
    rArguments.Trim();
}

bool CHiddenVantolinStarter::StartHiddenVantolin(const wchar_t* pszLaunchCommand, HWND hWnd)
{
    const CString launchCommand(pszLaunchCommand ? pszLaunchCommand : L"");
    // A second start would otherwise leave the first heartbeat running for ever.
    if (m_heartbeat.IsRunning() || m_pListener)
        StopCommunicationWithVantolin();

    if (launchCommand.IsEmpty())
    {
        Trace(TRACE_INFO, L"StartHiddenVantolin: no launch command in registry!");
        return false;
    }
    CString arguments;
    arguments.Format(L"-%s -%s:%08X", L"StartedByORU", L"hwndoru",
                     static_cast<unsigned>(reinterpret_cast<UINT_PTR>(hWnd)));
    CString program, extraArguments;
    SplitLaunchCommand(launchCommand, program, extraArguments);
    arguments = JoinArguments(extraArguments, arguments);
    CString folder = GetFolderOfPath(program);
    folder.Remove(L'"');

    m_process.Close();
    OruCommunicationConfig::SetCommandFromORU(OruCommunicationConfig::COMMAND_WAIT_HIDDEN);
    OruCommunicationConfig::SetVantolinState(OruCommunicationConfig::STATE_NONE);
    OruCommunicationConfig::SetStateMessageFromVantolin(L"");
    OruCommunicationConfig::SetSubStateMessageFromVantolin(L"");

    if (!m_heartbeat.Start())
        Trace(TRACE_WARNING, L"StartHiddenVantolin: the keep-alive thread could not be started");

    const bool bFlagReleased = m_pFlagOwner && m_pFlagOwner->ReleaseInstanceFlag();

    m_pListener.reset(new CDummyQMConfigListener);
    OruCommunicationConfig::Subscribe(m_pListener.get());

    Trace(TRACE_INFO, L"StartHiddenVantolin: working dir [%s]", folder.GetString());

    const bool bStarted = IsWindowsVistaOrLater() ? StartAsDesktopUser(program, arguments, folder)
                                                  : StartThroughShell(program, arguments, folder);
    if (!bStarted)
        UndoFailedStart(bFlagReleased);
    return bStarted;
}

bool CHiddenVantolinStarter::StartAsDesktopUser(const CString& program, const CString& arguments,
                                                const CString& folder)
{
    RunAsDesktopUserFn pfnRun =
        m_spawner ? reinterpret_cast<RunAsDesktopUserFn>(GetProcAddress(m_spawner.Get(), "RunAsDesktopUser")) : nullptr;
    if (!pfnRun)
    {
        Trace(TRACE_INFO, L"StartHiddenVantolin: DesktopSpawner.dll not found");
        return false;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const CString commandLine = CString(L"Vantolin.exe ") + arguments;
    std::vector<wchar_t> buffer(commandLine.GetString(), commandLine.GetString() + commandLine.GetLength() + 1);
    if (!pfnRun(program, buffer.data(), folder, &startup, &info))
        return false;
    CScopedHandle thread(info.hThread);
    m_process.Reset(info.hProcess);
    return true;
}

bool CHiddenVantolinStarter::StartThroughShell(const CString& program, const CString& arguments,
                                               const CString& folder)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_UNICODE;
    info.lpVerb = L"open";
    info.lpFile = program;
    info.lpParameters = arguments;
    info.lpDirectory = folder;
    info.nShow = SW_SHOW;
    if (!ShellExecuteExW(&info))
        return false;
    m_process.Reset(info.hProcess);
    return true;
}

void CHiddenVantolinStarter::UndoFailedStart(bool bFlagReleased)
{
    StopCommunicationWithVantolin();
    // The setup goes on running: another copy must not start meanwhile.
    if (bFlagReleased && !m_pFlagOwner->RetakeInstanceFlag())
        Trace(TRACE_WARNING, L"StartHiddenVantolin: another setup has taken the instance flag in the meantime");
}

bool CHiddenVantolinStarter::IsVantolinAlive()
{
    if (!m_process)
        return false;
    // A product may end with the code that also means "still active": only the handle tells.
    if (WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT)
        return true;
    DWORD code = 0;
    GetExitCodeProcess(m_process.Get(), &code);
    Trace(TRACE_INFO, L"IsVantolinAlive: Vantolin process terminated with code 0x%08X", static_cast<unsigned>(code));
    return false;
}

void CHiddenVantolinStarter::StopCommunication()
{
    StopCommunicationWithVantolin();
}

void CHiddenVantolinStarter::StopCommunicationWithVantolin()
{
    Trace(TRACE_INFO, L"CHiddenVantolinStarter::StopCommunicationWithVantolin");
    m_heartbeat.Stop();
    DropListener();
}

void CHiddenVantolinStarter::DropListener()
{
    if (!m_pListener)
        return;
    OruCommunicationConfig::Unsubscribe(m_pListener.get());
    m_pListener.reset();
}

bool CHiddenVantolinStarter::HasVantolinStarted()
{
    const int state = OruCommunicationConfig::GetVantolinState();
    return state == OruCommunicationConfig::STATE_INITIALIZING ||
           state == OruCommunicationConfig::STATE_WAITING_FOR_COMMAND;
}

void CHiddenVantolinStarter::GetStateMessage(CString& rMessage)
{
    rMessage = OruCommunicationConfig::GetStateMessageFromVantolin();
}

void CHiddenVantolinStarter::GetSubStateMessage(CString& rMessage)
{
    rMessage = OruCommunicationConfig::GetSubStateMessageFromVantolin();
}

bool CHiddenVantolinStarter::IsVantolinWaitingForCommand()
{
    if (OruCommunicationConfig::GetVantolinState() != OruCommunicationConfig::STATE_WAITING_FOR_COMMAND)
        return false;
    DropListener();
    return true;
}

void CHiddenVantolinStarter::StartVantolin()
{
    Trace(TRACE_INFO, L"CHiddenVantolinStarter::StartVantolin");
    OruCommunicationConfig::SetCommandFromORU(OruCommunicationConfig::COMMAND_START);
    StopCommunicationWithVantolin();
}

void CHiddenVantolinStarter::CloseVantolin()
{
    Trace(TRACE_INFO, L"CHiddenVantolinStarter::CloseVantolin");
    OruCommunicationConfig::SetCommandFromORU(OruCommunicationConfig::COMMAND_CLOSE);
    StopCommunicationWithVantolin();
}
