#pragma once
// Fakes of the services the step engine uses, scripted step functions, and a probe into the
// engine's state, for the tests of the engine and of the main loop (link controller).

#include "controller/OruProcess.h"
#include "controller/RegistryKeyMap.h"
#include "refresh_rt/refresh_rt.h"
#include "workers/CheckInternetConnectionFromThread.h"
#include "workers/CopyFoldersFromThread.h"
#include "workers/DownloadInstallerFromThread.h"
#include "workers/ICheckInternet.h"
#include "workers/IHiddenVantolinStarter.h"
#include "workers/IPatchQMConfig.h"
#include "workers/IProcessExecuter.h"
#include "workers/StartProcessFromThread.h"
#include "download/IHttpDownloader.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Programs and packages end with the exit code given for their file name (0 when none); a name
// that starts with a backslash stands for every path that ends with it (a folder the run made).
// A name in the unstartable list does not start. With a gate, every run waits for the gate first.
class CFakeExecuter : public IProcessExecuter
{
public:
    CFakeExecuter() : m_gate(CreateEventW(nullptr, TRUE, TRUE, nullptr)), m_entered(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~CFakeExecuter() { CloseHandle(m_gate); CloseHandle(m_entered); }

    std::map<std::wstring, DWORD> codes;
    std::vector<std::wstring> unstartable;

    void CloseGate() { ResetEvent(m_gate); }
    void OpenGate() { SetEvent(m_gate); }
    // Waits until a run has entered the executer.
    bool WaitEntered(DWORD ms) { return WaitForSingleObject(m_entered, ms) == WAIT_OBJECT_0; }
    std::vector<std::wstring> Runs()
    {
        CSingleLock lock(&m_lock, true);
        return m_runs;
    }
    int Finished()
    {
        CSingleLock lock(&m_lock, true);
        return m_finished;
    }

    bool Execute(const wchar_t* pszCommand, const wchar_t* pszParameters, bool, DWORD& rExitCode) override
    {
        return Run(pszCommand, pszParameters, rExitCode);
    }
    bool ExecuteInstall(const wchar_t* pszPackage, const wchar_t* pszCommandLine, HWND, DWORD& rResult) override
    {
        const bool started = Run(pszPackage, pszCommandLine, rResult);
        return started && (rResult == 0 || rResult == 3010 || rResult == 1641);
    }
    void RequestStop(bool) override {}
    void SetAsAdmin(int) override {}
    int GetAsAdmin() override { return 1; }
    DWORD GetProcessId() override { return 0; }

private:
    bool Run(const wchar_t* pszCommand, const wchar_t* pszParameters, DWORD& rExitCode)
    {
        {
            CSingleLock lock(&m_lock, true);
            m_runs.push_back(std::wstring(pszCommand) + L" " + (pszParameters ? pszParameters : L""));
        }
        SetEvent(m_entered);
        WaitForSingleObject(m_gate, INFINITE);
        CSingleLock lock(&m_lock, true);
        ++m_finished;
        for (const std::wstring& name : unstartable)
            if (name == pszCommand)
                return false;
        auto it = codes.find(pszCommand);
        const std::wstring command(pszCommand);
        for (auto c = codes.begin(); it == codes.end() && c != codes.end(); ++c)
            if (!c->first.empty() && c->first[0] == L'\\' && command.size() >= c->first.size() &&
                command.compare(command.size() - c->first.size(), c->first.size(), c->first) == 0)
                it = c;
        rExitCode = it == codes.end() ? 0 : it->second;
        return true;
    }

    HANDLE m_gate;
    HANDLE m_entered;
    CCriticalSection m_lock;
    std::vector<std::wstring> m_runs;
    int m_finished = 0;
};

class CFakeCheckInternet : public ICheckInternet
{
public:
    BOOL answer = FALSE;
    BOOL CheckInternet(int, DWORD, HANDLE) override { return answer; }
};

// Answers every download as told; records the targets and whether each was to be checked.
class CFakeDownloader : public IHttpDownloader
{
public:
    bool answer = false;
    bool Download(const wchar_t*, const wchar_t* pszTarget, bool bVerifySignature, int, HANDLE) override
    {
        CSingleLock lock(&m_lock, true);
        m_downloads.push_back(std::make_pair(std::wstring(pszTarget), bVerifySignature));
        return answer;
    }
    bool VerifySignature(const wchar_t*) override { return answer; }
    std::vector<std::pair<std::wstring, bool>> Downloads()
    {
        CSingleLock lock(&m_lock, true);
        return m_downloads;
    }

private:
    CCriticalSection m_lock;
    std::vector<std::pair<std::wstring, bool>> m_downloads;
};

class CFakePatchConfig : public IPatchQMConfig
{
public:
    std::vector<std::wstring> calls;
    void SetNewLanguage(const wchar_t* p) override { calls.push_back(std::wstring(L"Language=") + p); }
    void SetNewAffilateID(const wchar_t* p) override { calls.push_back(std::wstring(L"Affiliate=") + p); }
    void SetNewPartnerID(const wchar_t* p) override { calls.push_back(std::wstring(L"Partner=") + p); }
    void UndoChanges() override { calls.push_back(L"Undo"); }
};

// A product that is alive and reports waiting after the given number of questions.
class CFakeProductStarter : public IHiddenVantolinStarter
{
public:
    bool alive = true;
    int waitingAfter = 0;
    int asked = 0;
    int closed = 0;
    bool StartHiddenVantolin(const wchar_t*, HWND) override { return true; }
    bool IsVantolinAlive() override { return alive; }
    void StopCommunication() override {}
    bool HasVantolinStarted() override { return true; }
    void GetStateMessage(CString& r) override { r.Empty(); }
    void GetSubStateMessage(CString& r) override { r.Empty(); }
    bool IsVantolinWaitingForCommand() override { return waitingAfter >= 0 && asked++ >= waitingAfter; }
    void StartVantolin() override {}
    void CloseVantolin() override { ++closed; }
};

class CFakeUpdate : public IUpdateDLL
{
public:
    int status = 0;
    std::wstring calls;
    void SetProductEdition(int n) override { calls += L"Edition=" + std::to_wstring(n) + L"\n"; }
    void SetProductVersion(const wchar_t* p) override { calls += std::wstring(L"Version=") + p + L"\n"; }
    int QueryUpdateStatus() override { return status; }
};

class CFakeStatistics : public IUsageStatistics
{
public:
    std::wstring calls;
    void SetStringValue(const wchar_t* k, const wchar_t* v) override { calls += std::wstring(L"S ") + k + L"=" + v + L"\n"; }
    void SetIntValue(const wchar_t* k, int v) override { calls += std::wstring(L"I ") + k + L"=" + std::to_wstring(v) + L"\n"; }
    bool Send() override
    {
        calls += L"Send\n";
        return true;
    }
};

// The engine's private state, for the tests; the workers are created as the steps create them.
struct COruProcessProbe
{
    static int& CurrentStep(COruProcess& p) { return p.m_CurrentStep; }
    static int& ForcedStep(COruProcess& p) { return p.m_nForcedNextStep; }
    static BOOL& ShowAdvertise(COruProcess& p) { return p.m_bShowAdvertise; }
    static BOOL& ArchivePresent(COruProcess& p) { return p.m_bArchivePresent; }
    static BOOL& ExtractionNeeded(COruProcess& p) { return p.m_bExtractionNeeded; }
    static BOOL& NewerOru(COruProcess& p) { return p.m_bNewerOruAvailable; }
    static BOOL& RestartOption(COruProcess& p) { return p.m_bRestartOption; }
    static BOOL& RestartRequired(COruProcess& p) { return p.m_bRestartRequired; }
    static BOOL& DotNetInstallRan(COruProcess& p) { return p.m_bDotNetInstallRan; }
    static BOOL& Success(COruProcess& p) { return p.m_bSuccess; }
    static BOOL& QuickMode(COruProcess& p) { return p.m_bQuickMode; }
    static BOOL& PCInstallation(COruProcess& p) { return p.m_bPCInstallation; }
    static BOOL& DriverRebootPending(COruProcess& p) { return p.m_bDriverRebootPending; }
    static BOOL& Cancelled(COruProcess& p) { return p.m_bCancelled; }
    static BOOL& InstallerCancelled(COruProcess& p) { return p.m_bInstallerCancelled; }
    static BOOL& AnotherInstallRunning(COruProcess& p) { return p.m_bAnotherInstallRunning; }
    static BOOL& ProductReady(COruProcess& p) { return p.m_bProductReady; }
    static BOOL& PackageInstalled(COruProcess& p) { return p.m_bPackageInstalled; }
    static BOOL& StartProduct(COruProcess& p) { return p.m_bStartProduct; }
    static BOOL& ContinueOffline(COruProcess& p) { return p.m_bContinueOffline; }
    static CString& ExtractSFXDir(COruProcess& p) { return p.strExtractSFXDir; }
    static CPostInstallationStepArray& PostSteps(COruProcess& p) { return p.m_PostInstallationSteps; }
    static BOOL& InternetWorking(COruProcess& p) { return p.m_bInternetIsWorking; }
    static BOOL& UpdateOffered(COruProcess& p) { return p.m_bUpdateOffered; }
    static CString& AffiliateId(COruProcess& p) { return p.m_strAffiliateId; }
    static CString& ProductVersion(COruProcess& p) { return p.m_strProductVersion; }
    static CString& ArchiveFile(COruProcess& p) { return p.m_strArchiveFile; }
    // The USB copy worker step 34 takes when one is there.
    static std::unique_ptr<CCopyUSBInstallationFromThread>& UsbCopy(COruProcess& p) { return p.m_pUSBCopyThread; }
    static CString& USBRoot(COruProcess& p) { return p.m_strUSBRoot; }
    static CString& USBFolder(COruProcess& p) { return p.m_strUSBFolder; }

    static bool StartInternetCheck(COruProcess& p, ICheckInternet* pChecker)
    {
        if (!p.m_pInternetCheckThread)
            p.m_pInternetCheckThread.reset(new CCheckInternetConnectionFromThread(pChecker, nullptr));
        return p.m_pInternetCheckThread->Check(5000) != 0;
    }
    static bool StartDownload(COruProcess& p, IHttpDownloader* pDownloader)
    {
        if (!p.m_pDownloadThread)
            p.m_pDownloadThread.reset(new CDownloadInstallerFromThread(pDownloader, nullptr));
        CStringArray urls, targets;
        urls.Add(L"http://127.0.0.1:1/VantolinSetupArchive.exe");
        targets.Add(p.strOruProcessDir + L"VantolinSetupArchive.exe");
        return p.m_pDownloadThread->Download(urls, targets, std::vector<UINT>(1, 0), true, p.m_hProgressWnd) != 0;
    }
    static bool StartFolderCopy(COruProcess& p, const CString& source, const CString& target)
    {
        if (!p.m_pCopyFoldersThread)
            p.m_pCopyFoldersThread.reset(new CCopyFoldersFromThread(p.m_hProgressWnd));
        CStringArray sources, targets;
        sources.Add(source);
        targets.Add(target);
        return p.m_pCopyFoldersThread->Copy(sources, targets) != 0;
    }
    // Step 28 as the step functions run it: the first call loads the list, each later call
    // runs and removes its first command.
    static bool RunPostInstallationStep(COruProcess& p, bool& rLoaded, const CPostInstallationStepArray& list)
    {
        if (!rLoaded)
        {
            rLoaded = true;
            p.m_PostInstallationSteps = list;
            return true;
        }
        if (p.m_PostInstallationSteps.empty())
            return true;
        const CPostInstallationStepData entry = p.m_PostInstallationSteps.front();
        p.m_PostInstallationSteps.erase(p.m_PostInstallationSteps.begin());
        return p.LaunchProcess(entry.m_strCommand, entry.m_strCommandParams, entry.m_bCheckReturnCode);
    }
};

// Step functions from a table; a step without an entry succeeds without a worker.
class CStepScript : public IStepFunctions
{
public:
    std::map<int, std::function<bool(COruProcess&)>> steps;
    std::vector<int> ran;
    bool RunStep(COruProcess& engine, int nStep) override
    {
        ran.push_back(nStep);
        const auto it = steps.find(nStep);
        return it == steps.end() ? true : it->second(engine);
    }
};

// The registry-entry table of a test: every entry under HKCU\Software\VantolinTests\<name>.
inline void FillTestRegistryKeys(CRegistryKeyMap& map, const wchar_t* pszName)
{
    const CString base = CString(L"Software\\VantolinTests\\") + pszName;
    for (DWORD id = 0; id <= 16; ++id)
    {
        if (id == 8)
            continue;
        RegistryKey entry;
        entry.hRoot = HKEY_CURRENT_USER;
        if (id == 3)
            entry.strKeyPath = base + L"\\Product";
        else
        {
            entry.strKeyPath = base + L"\\Entries";
            entry.strValueName.Format(L"Entry%lu", id);
        }
        map.SetAt(id, entry);
    }
}

// The fake services of an engine and the wizard choices it points at, with an engine made over
// them: no restart reason, .NET present, the registry-entry table of the test's name. Null when
// Init fails.
struct CFakeEngineServices
{
    explicit CFakeEngineServices(const wchar_t* pszRegistryName) { FillTestRegistryKeys(map, pszRegistryName); }

    std::unique_ptr<COruProcess> MakeEngine(const CString& folder, const CString& extractFolder)
    {
        std::unique_ptr<COruProcess> pEngine(new COruProcess(&installFolder, &flags[0], &flags[1], &flags[2], &flags[3],
                                                             &customFolder, &flags[4], &flags[5], &flags[6]));
        if (!pEngine->Init(folder + L"oru.ini", &checker, &patch, nullptr, &exec, nullptr, nullptr, folder, extractFolder,
                           folder + L"copy", &downloader, L"", folder + L"msilog", FALSE, FALSE, TRUE, TRUE, TRUE, &map,
                           nullptr, 0, FALSE, FALSE, nullptr))
            pEngine.reset();
        return pEngine;
    }

    CRegistryKeyMap map{ 10 };
    CFakeExecuter exec;
    CFakeCheckInternet checker;
    CFakeDownloader downloader;
    CFakePatchConfig patch;
    CString installFolder, customFolder;
    BOOL flags[7] = {};
};
