// The controller's side of the wizard pages in-process: each page step of the application object
// on a real engine with scripted step functions, the pages answered through the pages' seam
// (no window), the media library counted through the counter seam; then the end of the run over
// the engine's flags, and Back to the language page through the main loop.

#include "controller/CoruApp.h"
#include "controller/OruProcess.h"
#include "controller/OruSettings.h"
#include "controller/OruUtil.h"
#include "controller/SetupHelpers.h"
#include "controller/resource.h"
#include "config/QMConfigImplementation.h"
#include "config/QMModule.h"
#include "config/SettingsKeys.h"
#include "support/FileUtil.h"
#include "support/PathUtil.h"
#include "support/Registry.h"
#include "tests/common/EngineFakes.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"
#include "wizard/ChooseInstallationTypeDlg.h"
#include "wizard/ChooseLanguageDlg.h"
#include "wizard/FinishedInstallationDlg.h"
#include "wizard/StartPagesHost.h"
#include "wizard/UpdateAvailbleDlg.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <deque>
#include <map>
#include <vector>

enum EPageStep
{
    OP_ADVERTISE,
    OP_LANGUAGE,
    OP_MUSIC,
    OP_INTERNET,
    OP_UPDATE,
    OP_TYPE,
    OP_FOLDER,
    OP_OPTIONS,
    OP_RESTART
};

struct CoruAppProbe
{
    static void Prepare(CoruApp& app, bool silent, bool update, bool quick)
    {
        app.m_bSilent = silent;
        app.m_bUpdateMode = update;
        app.m_bQuickMode = quick ? TRUE : FALSE;
        app.m_interfaceLanguage = 1033;
        app.m_strAppTitle = L"Vantolin Setup";
    }
    // The run's objects for a whole run of the main loop; the test keeps owning them.
    static void PrepareRun(CoruApp& app, const CString& folder, CRegistryKeyMap* pMap, IUsageStatistics* pStatistics)
    {
        Prepare(app, false, false, true);
        app.m_pRegistryKeyMap.reset(pMap);
        app.m_pUsageStatistics.reset(pStatistics);
        app.m_strSettingsPath = folder + L"oru.ini";
        app.m_strProgramFolder = folder + L"program\\";
        app.m_strExtractFolder = folder + L"extract";
        app.m_strRestartCopyFolder = folder + L"restartcopy\\";
        app.m_bDotNet40 = TRUE;
        app.m_bDotNetPresent = TRUE;
        app.m_bSingleInstanceChecked = true;
        app.m_strRunId = L"RUN-ID";
    }
    static void Release(CoruApp& app)
    {
        app.m_pRegistryKeyMap.release();
        app.m_pUsageStatistics.release();
    }
    static LANGID InterfaceLanguage(const CoruApp& app) { return app.m_interfaceLanguage; }

    // The step's operation as the main loop calls it; the language code and the options' import
    // choice are the caller's.
    static bool Run(CoruApp& app, EPageStep op, COruProcess& engine, CString& rLanguageCode, BOOL& rImport)
    {
        BOOL quick = app.m_bQuickMode, encoder = TRUE, statistics = TRUE;
        CString folder = L"C:\\Program Files\\Vantolin";
        switch (op)
        {
        case OP_ADVERTISE:
            return app.ShowAdvertisePage(&engine);
        case OP_LANGUAGE:
            return app.ChooseLanguage(&engine, rLanguageCode, quick);
        case OP_MUSIC:
            return app.ChooseMusicLibraryOptions(&engine, &app.m_bIntegrateMusicLib, &app.m_bCommonMusicFolder,
                                                 &app.m_bNoMusicFolder, &app.m_bCustomMusicFolderChosen,
                                                 &app.m_strCustomMusicFolder);
        case OP_INTERNET:
            return app.AskAboutMissingInternet(&engine);
        case OP_UPDATE:
            return app.ChooseUpdateDownload(&engine);
        case OP_TYPE:
            return app.ChooseInstallationType(&engine);
        case OP_FOLDER:
            return app.ChooseInstallationFolder(&engine, folder);
        case OP_OPTIONS:
            return app.ChooseInstallOptions(&engine, encoder, statistics, rImport);
        case OP_RESTART:
            return app.InformAboutRestart();
        }
        return false;
    }
};

namespace
{
const wchar_t kGeneration[] = L"9124u";
const wchar_t kMediaKey[] = L"SOFTWARE\\Quillmark\\Vantolin_9124u\\MO_Settings";
const wchar_t kFormerVantolinKey[] = L"Software\\Quillmark\\Vantolin_2014";
const wchar_t kStoreRoot[] = L"VantolinTests_WizardSteps";
const wchar_t kUsbLauncherKey[] = L"Software\\VantolinTests\\WizardSteps\\Entries";

// Page answers beyond the four results: what a person does on the page, then Next.
const INT_PTR kChooseGerman = 9001;    // the language page: another language chosen
const INT_PTR kUsbDriveArrives = 9002; // the type page: a stick arrives and is selected
const INT_PTR kNoUpdate = 9003;        // the update offer: the download box cleared

// The protected outputs of the pages, reached as the pages' own handlers set them.
struct CLanguagePageAccess : CChooseLanguageDlg
{
    static void ChooseOther(CChooseLanguageDlg& page, const wchar_t* pszCode)
    {
        page.*(&CLanguagePageAccess::m_strLanguageCode) = pszCode;
        page.*(&CLanguagePageAccess::m_bLanguageChanged) = 1;
    }
};
struct CUpdatePageAccess : CUpdateAvailbleDlg
{
    static void ClearDownload(CUpdateAvailbleDlg& page) { page.*(&CUpdatePageAccess::m_bDownloadUpdate) = 0; }
};

// One USB stick, U:, labelled as a person would.
class CStickDriveQuery : public IDriveQuery
{
public:
    DWORD LogicalDrives() override { return 1u << (L'U' - L'A'); }
    UINT DriveType(const wchar_t*) override { return DRIVE_REMOVABLE; }
    bool MediaType(wchar_t, int& rMediaType) override
    {
        rMediaType = 11; // removable media
        return true;
    }
    bool BusType(wchar_t, int& rBusType) override
    {
        rBusType = 7; // USB
        return true;
    }
    bool VolumeInformation(const wchar_t*, CString& rLabel, DWORD& rSerial) override
    {
        rLabel = L"STICK";
        rSerial = 0x1234;
        return true;
    }
};

// The interface languages the language page offers.
class CStartHost : public IStartPagesHost
{
public:
    CStartHost() : m_pPrevious(SetStartPagesHost(this)) {}
    ~CStartHost() { SetStartPagesHost(m_pPrevious); }
    CString GetPartnerId() override { return COruSettings::GetInstance().GetPartnerID(); }
    CString GetVersionText() override { return L"1.0"; }
    void GetSupportedLanguages(CStringArray& rCodes, int) override
    {
        for (const wchar_t* code : { L"en", L"de", L"fr" })
            rCodes.Add(code);
    }
    void ShowEula(const wchar_t*, HWND) override {}

private:
    IStartPagesHost* m_pPrevious;
};

// Each step's pages answer in turn as queued, Next when nothing is queued; no window is made.
class CScriptedPages : public IWizardPages
{
public:
    std::map<int, std::deque<INT_PTR>> answers;
    std::vector<int> shown;
    // At each language page: the code it was built with and the resource language then.
    std::vector<CString> languageCodes;
    std::vector<LANGID> resourceLanguages;
    struct Finish
    {
        CString text;
        int succeeded, restart;
    };
    std::vector<Finish> finishPages;
    CStickDriveQuery stick;

    INT_PTR ShowPage(int nStep, CDialog& page) override
    {
        shown.push_back(nStep);
        INT_PTR answer = IDOK;
        std::deque<INT_PTR>& queue = answers[nStep];
        if (!queue.empty())
        {
            answer = queue.front();
            queue.pop_front();
        }
        if (CChooseLanguageDlg* pLanguage = dynamic_cast<CChooseLanguageDlg*>(&page))
        {
            languageCodes.push_back(pLanguage->GetLanguageCode());
            resourceLanguages.push_back(AfxGetResourceLanguage());
        }
        if (answer == kChooseGerman)
            CLanguagePageAccess::ChooseOther(dynamic_cast<CChooseLanguageDlg&>(page), L"de");
        else if (answer == kUsbDriveArrives)
        {
            CChooseInstallationTypeDlg& type = dynamic_cast<CChooseInstallationTypeDlg&>(page);
            type.SetDriveQuery(&stick);
            type.OnDeviceArrived(L'U');
        }
        else if (answer == kNoUpdate)
            CUpdatePageAccess::ClearDownload(dynamic_cast<CUpdateAvailbleDlg&>(page));
        else
            return answer;
        return IDOK;
    }
    INT_PTR ShowFinishPage(CDialog& page, const CString& text) override
    {
        const CFinishedInstallationDlg& finish = dynamic_cast<CFinishedInstallationDlg&>(page);
        finishPages.push_back({ text, finish.IsSucceeded(), finish.IsRestartNeeded() });
        return IDOK;
    }
};

// A DWORD value of the user's that a row sets for its run; put back as it was afterwards.
class CSavedUserDword
{
public:
    CSavedUserDword(const wchar_t* pszKey, const wchar_t* pszName) : m_key(pszKey), m_name(pszName)
    {
        m_bPresent = ReadRegDword(HKEY_CURRENT_USER, m_key, m_name, m_value, 0);
    }
    ~CSavedUserDword()
    {
        if (m_bPresent)
            WriteRegDword(HKEY_CURRENT_USER, m_key, m_name, m_value, nullptr, 0);
        else
            COruUtil::DeleteRegistryValue(HKEY_CURRENT_USER, m_key, m_name);
    }
    void Set(DWORD value) { WriteRegDword(HKEY_CURRENT_USER, m_key, m_name, value, nullptr, 0); }

private:
    CString m_key, m_name;
    bool m_bPresent = false;
    DWORD m_value = 0;
};

CString ShellFolderWithBackslash(int nFolder)
{
    wchar_t path[MAX_PATH + 1] = {};
    SHGetSpecialFolderPathW(nullptr, path, nFolder, TRUE);
    CString folder(path);
    AppendBackslash(folder);
    return folder;
}

const int kSilent = 1, kUpdate = 2, kQuick = 4, kPartner11082 = 8, kNoArchive = 16, kImportDone = 32;

struct PageRow
{
    const char* name;
    EPageStep op;
    int mode;
    // The step's page answers in turn.
    std::vector<INT_PTR> answers;
    // The media library's count (ok, audio, video), for the music page.
    bool counted;
    int audio, video;
    // Expected: the pages shown, the result, the engine's next step afterwards (0: not asked),
    // the steps the engine ran ("4;"), a line logged (null: no creation failure logged), and
    // whether the music folders or the notifier setting were written.
    int pages;
    bool result;
    int next;
    const wchar_t* ran;
    const wchar_t* logged;
    bool written;
};

const int kStepOf[] = { ORU_STEP_ADVERTISE, ORU_STEP_LANGUAGE, ORU_STEP_MUSIC_LIBRARY, ORU_STEP_INTERNET_CHECK,
                        ORU_STEP_UPDATE_OFFER, ORU_STEP_INSTALLATION_TYPE, ORU_STEP_INSTALLATION_FOLDER,
                        ORU_STEP_INSTALL_OPTIONS, ORU_STEP_CONFIRM_RESTART };

const PageRow kPageRows[] = {
    { "advertising: OK", OP_ADVERTISE, 0, { IDOK }, true, 0, 0, 1, true, ORU_STEP_LANGUAGE, L"", nullptr },
    { "advertising: not created", OP_ADVERTISE, 0, { -1 }, true, 0, 0, 1, false, ORU_STEP_ADVERTISE, L"",
      L"ERR: ShowAdvertisePage: Dialog box could not be created!" },
    { "advertising: cancel", OP_ADVERTISE, 0, { IDCANCEL }, true, 0, 0, 1, false, ORU_STEP_ADVERTISE, L"", nullptr },

    { "language: Next", OP_LANGUAGE, 0, { IDOK }, true, 0, 0, 1, true, 0, L"", nullptr },
    { "language: not created", OP_LANGUAGE, 0, { -1 }, true, 0, 0, 1, false, 0, L"",
      L"ERR: ChooseLanguage: Dialog box could not be created!" },
    { "language: Back", OP_LANGUAGE, 0, { WIZARD_RESULT_BACK }, true, 0, 0, 1, false, 0, L"", nullptr },
    { "language: cancel", OP_LANGUAGE, 0, { IDCANCEL }, true, 0, 0, 1, false, 0, L"", nullptr },
    { "language: another language, then Next", OP_LANGUAGE, 0, { kChooseGerman, IDOK }, true, 0, 0, 2, true, 0, L"",
      nullptr },
    { "language: silent", OP_LANGUAGE, kSilent, {}, true, 0, 0, 0, true, 0, L"", nullptr },
    { "language: update", OP_LANGUAGE, kUpdate, {}, true, 0, 0, 0, true, 0, L"", nullptr },

    { "music: silent", OP_MUSIC, kSilent, {}, true, 5000, 0, 0, true, ORU_STEP_CLEAN_REGISTRY, L"4;", nullptr },
    { "music: update", OP_MUSIC, kUpdate, {}, true, 5000, 0, 0, true, ORU_STEP_CLEAN_REGISTRY, L"4;", nullptr },
    { "music: partner 11082", OP_MUSIC, kPartner11082, {}, true, 5000, 0, 0, true, ORU_STEP_CLEAN_REGISTRY, L"4;",
      nullptr },
    { "music: the former edition's import done", OP_MUSIC, kImportDone, {}, true, 5000, 0, 0, true,
      ORU_STEP_CLEAN_REGISTRY, L"4;", nullptr },
    { "music: 999 items", OP_MUSIC, 0, {}, true, 900, 99, 0, true, ORU_STEP_CLEAN_REGISTRY, L"4;",
      L"ChooseMusicLibraryOptions: music path written: ", true },
    { "music: 1000 items, Next (not now)", OP_MUSIC, 0, { IDOK }, true, 900, 100, 1, true, ORU_STEP_CLEAN_REGISTRY,
      L"4;", L"Step: ChooseMusicLibraryOptions" },
    { "music: not counted", OP_MUSIC, 0, { IDOK }, false, -1, -1, 1, true, ORU_STEP_CLEAN_REGISTRY, L"4;", nullptr },
    { "music: Back, advanced", OP_MUSIC, 0, { WIZARD_RESULT_BACK }, true, 1000, 0, 1, true, ORU_STEP_LANGUAGE, L"",
      nullptr },
    { "music: Back, quick", OP_MUSIC, kQuick, { WIZARD_RESULT_BACK }, true, 1000, 0, 1, true, ORU_STEP_LANGUAGE, L"",
      nullptr },
    { "music: cancel", OP_MUSIC, 0, { IDCANCEL }, true, 1000, 0, 1, false, ORU_STEP_MUSIC_LIBRARY, L"", nullptr },
    { "music: not created", OP_MUSIC, 0, { -1 }, true, 1000, 0, 1, true, ORU_STEP_CLEAN_REGISTRY, L"4;",
      L"ERR: ChooseMusicLibraryOptions: Dialog box could not be created!" },

    { "Internet: Next with the archive", OP_INTERNET, 0, { IDOK }, true, 0, 0, 1, true, 0, L"", nullptr },
    { "Internet: Next without the archive", OP_INTERNET, kNoArchive, { IDOK }, true, 0, 0, 1, false, 0, L"", nullptr },
    { "Internet: Retry", OP_INTERNET, 0, { WIZARD_RESULT_BACK }, true, 0, 0, 1, true, ORU_STEP_INTERNET_CHECK, L"",
      nullptr },
    { "Internet: cancel", OP_INTERNET, 0, { IDCANCEL }, true, 0, 0, 1, false, 0, L"", nullptr },
    { "Internet: not created", OP_INTERNET, 0, { -1 }, true, 0, 0, 1, false, 0, L"",
      L"ERR: AskAboutMissingInternet: Dialog box could not be created!" },

    { "update: Next", OP_UPDATE, 0, { IDOK }, true, 0, 0, 1, true, ORU_STEP_DOWNLOAD_INSTALLER, L"", nullptr },
    { "update: Next without the download", OP_UPDATE, 0, { kNoUpdate }, true, 0, 0, 1, true,
      ORU_STEP_UNPACK_INSTALLER, L"", nullptr },
    { "update: update mode", OP_UPDATE, kUpdate, {}, true, 0, 0, 0, true, ORU_STEP_DOWNLOAD_INSTALLER, L"", nullptr },
    { "update: Back", OP_UPDATE, 0, { WIZARD_RESULT_BACK }, true, 0, 0, 1, false, ORU_STEP_UPDATE_OFFER, L"", nullptr },
    { "update: cancel", OP_UPDATE, 0, { IDCANCEL }, true, 0, 0, 1, false, ORU_STEP_UPDATE_OFFER, L"", nullptr },
    { "update: not created", OP_UPDATE, 0, { -1 }, true, 0, 0, 1, false, ORU_STEP_UPDATE_OFFER, L"",
      L"ERR: ChooseUpdateDownload: Dialog box could not be created!" },

    { "type: standard", OP_TYPE, 0, { IDOK }, true, 0, 0, 1, true, ORU_STEP_INSTALLATION_FOLDER, L"", nullptr },
    { "type: USB stick", OP_TYPE, 0, { kUsbDriveArrives }, true, 0, 0, 1, true, ORU_STEP_USB_INSTALLATION, L"",
      nullptr },
    { "type: Back", OP_TYPE, 0, { WIZARD_RESULT_BACK }, true, 0, 0, 1, false, ORU_STEP_INSTALLATION_TYPE, L"", nullptr },
    { "type: cancel", OP_TYPE, 0, { IDCANCEL }, true, 0, 0, 1, false, ORU_STEP_INSTALLATION_TYPE, L"", nullptr },
    { "type: not created", OP_TYPE, 0, { -1 }, true, 0, 0, 1, false, ORU_STEP_INSTALLATION_TYPE, L"",
      L"ERR: ChooseInstallationType: Dialog box could not be created!" },

    { "folder: Next", OP_FOLDER, 0, { IDOK }, true, 0, 0, 1, true, ORU_STEP_INSTALL_OPTIONS, L"17;", nullptr },
    { "folder: Back", OP_FOLDER, 0, { WIZARD_RESULT_BACK }, true, 0, 0, 1, true, ORU_STEP_INSTALLATION_TYPE, L"17;",
      nullptr },
    { "folder: cancel", OP_FOLDER, 0, { IDCANCEL }, true, 0, 0, 1, false, 0, L"17;", nullptr },
    { "folder: not created", OP_FOLDER, 0, { -1 }, true, 0, 0, 1, false, 0, L"17;",
      L"ERR: ChooseInstallationFolder: Dialog box could not be created!" },
    { "folder: quick", OP_FOLDER, kQuick, {}, true, 0, 0, 0, true, ORU_STEP_INSTALLATION_FOLDER, L"", nullptr },

    { "options: Install", OP_OPTIONS, 0, { IDOK }, true, 0, 0, 1, true, ORU_STEP_DOTNET_DECISION, L"18;", nullptr,
      true },
    { "options: Install, partner 11082", OP_OPTIONS, kPartner11082, { IDOK }, true, 0, 0, 1, true,
      ORU_STEP_DOTNET_DECISION, L"18;", nullptr, true },
    { "options: Back", OP_OPTIONS, 0, { WIZARD_RESULT_BACK }, true, 0, 0, 1, true, ORU_STEP_INSTALLATION_FOLDER,
      L"18;", nullptr },
    { "options: cancel", OP_OPTIONS, 0, { IDCANCEL }, true, 0, 0, 1, false, 0, L"18;", nullptr },
    { "options: not created", OP_OPTIONS, 0, { -1 }, true, 0, 0, 1, false, 0, L"18;",
      L"ERR: ChooseInstallOptions: Dialog box could not be created!" },
    { "options: quick", OP_OPTIONS, kQuick, {}, true, 0, 0, 0, true, ORU_STEP_INSTALL_OPTIONS, L"", nullptr },
    { "options: quick, partner 11082", OP_OPTIONS, kQuick | kPartner11082, {}, true, 0, 0, 0, true,
      ORU_STEP_INSTALL_OPTIONS, L"", nullptr },

    { "restart: Next", OP_RESTART, 0, { IDOK }, true, 0, 0, 1, true, 0, L"", nullptr },
    { "restart: Back", OP_RESTART, 0, { WIZARD_RESULT_BACK }, true, 0, 0, 1, false, 0, L"", nullptr },
    { "restart: cancel", OP_RESTART, 0, { IDCANCEL }, true, 0, 0, 1, false, 0, L"", nullptr },
    { "restart: not created", OP_RESTART, 0, { -1 }, true, 0, 0, 1, false, 0, L"",
      L"ERR: InformAboutRestart: Dialog box could not be created!" },
};

class CWizardStepsTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "wizardsteps_"; }

    void SetUp() override
    {
        CTracedTest::SetUp();
        ASSERT_TRUE(WriteTextFile(m_folder + L"plain.ini", "[General]\r\ngeneration=9124u\r\n"));
        ASSERT_TRUE(WriteTextFile(m_folder + L"partner.ini", "[General]\r\ngeneration=9124u\r\npartnerID=11082\r\n"));
        SHDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmark\\Vantolin_9124u");
        RemoveStoreRoot(kStoreRoot);
        m_store.SetRoot(kStoreRoot, QMCONFIG_MODE_AUTO);
        InitializeSharedSettingsKeys(&m_store);
        InitializeProductSettingsKeys(&m_store, &m_module);
    }
    void TearDown() override
    {
        SHDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\Quillmark\\Vantolin_9124u");
        SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VantolinTests\\WizardSteps");
        RemoveStoreRoot(kStoreRoot);
        AfxSetResourceLanguage(1033);
        CTracedTest::TearDown();
    }

    void ReadSettings(bool partner) { COruSettings::GetInstance().Read(m_folder + (partner ? L"partner.ini" : L"plain.ini")); }

    CString NotifierSetting() const
    {
        return GetRegString(HKEY_CURRENT_USER, StoreRootPath(kStoreRoot) + L"\\Common", L"StartVantolinNotifierWithWindows",
                            0);
    }

    void RunPageRow(const PageRow& r)
    {
        SCOPED_TRACE(r.name);
        const bool partner = (r.mode & kPartner11082) != 0;
        ReadSettings(partner);
        SHDeleteKeyW(HKEY_CURRENT_USER, kMediaKey);
        // The opposite of what Install writes, so that a write shows.
        const wchar_t* before = partner ? L"1" : L"0";
        ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, StoreRootPath(kStoreRoot) + L"\\Common",
                                   L"StartVantolinNotifierWithWindows", REG_SZ, before, nullptr, 0));
        CSavedUserDword importDone(kFormerVantolinKey, L"ImportFromFormerVantolinDone");
        if (r.mode & kImportDone)
            importDone.Set(1);

        CFakeEngineServices services(L"WizardSteps");
        std::unique_ptr<COruProcess> pEngine = services.MakeEngine(m_folder, m_folder + L"extract");
        ASSERT_TRUE(pEngine);
        CStepScript script;
        pEngine->SetStepFunctions(&script);
        // The engine stands before the step, as the main loop finds it.
        COruProcessProbe::ForcedStep(*pEngine) = kStepOf[r.op];
        COruProcessProbe::ArchivePresent(*pEngine) = (r.mode & kNoArchive) ? FALSE : TRUE;
        COruProcessProbe::QuickMode(*pEngine) = (r.mode & kQuick) ? TRUE : FALSE;

        CScriptedPages pages;
        pages.answers[kStepOf[r.op]].assign(r.answers.begin(), r.answers.end());
        int counts = 0;
        CoruApp app;
        CoruAppProbe::Prepare(app, (r.mode & kSilent) != 0, (r.mode & kUpdate) != 0, (r.mode & kQuick) != 0);
        app.SetWizardPages(&pages);
        app.SetMusicCollectionCounter([&r, &counts](int& all, int& audio, int& video) {
            ++counts;
            audio = r.audio;
            video = r.video;
            all = r.counted ? r.audio + r.video : -1;
            return r.counted;
        });
        CString code = L"fr";
        BOOL import = TRUE;
        const int logStart = Log().GetLength();
        const bool result = CoruAppProbe::Run(app, r.op, *pEngine, code, import);
        const CString log = Log().Mid(logStart);

        EXPECT_EQ(r.result, result);
        EXPECT_EQ(static_cast<size_t>(r.pages), pages.shown.size());
        for (int step : pages.shown)
            EXPECT_EQ(kStepOf[r.op], step);
        if (r.next) {
            EXPECT_EQ(r.next, pEngine->GetNextStep(true));
        }
        CString ran;
        for (int step : script.ran)
            ran.AppendFormat(L"%d;", step);
        EXPECT_EQ(CString(r.ran), ran);
        if (r.logged) {
            EXPECT_TRUE(Contains(log, r.logged)) << log.ToNarrow();
        } else {
            EXPECT_FALSE(Contains(log, L"Dialog box could not be created!")) << log.ToNarrow();
        }

        switch (r.op)
        {
        case OP_LANGUAGE:
            if (r.pages == 2)
            {
                // The page comes back built in the language just chosen, with it applied first.
                EXPECT_EQ(L"de", code);
                EXPECT_EQ(L"de", pages.languageCodes[1]);
                EXPECT_EQ(1031, pages.resourceLanguages[1]);
                EXPECT_EQ(1031, CoruAppProbe::InterfaceLanguage(app));
            }
            else
                EXPECT_EQ(L"fr", code) << "a page taken as it is built keeps the code";
            break;
        case OP_MUSIC:
        {
            const bool skipped = (r.mode & (kSilent | kUpdate | kPartner11082 | kImportDone)) != 0;
            EXPECT_EQ(skipped ? 0 : 1, counts);
            const CString music = GetRegString(HKEY_CURRENT_USER, kMediaKey, L"InstallerWindowsMusicCollectionFolder", 0);
            const CString video = GetRegString(HKEY_CURRENT_USER, kMediaKey, L"InstallerWindowsMoviesCollectionFolder", 0);
            EXPECT_EQ(r.written ? ShellFolderWithBackslash(CSIDL_MYMUSIC) : CString(), music);
            EXPECT_EQ(r.written ? ShellFolderWithBackslash(CSIDL_MYVIDEO) : CString(), video);
            if (r.written) {
                EXPECT_TRUE(Contains(log, L"ChooseMusicLibraryOptions: video path written: " + video)) << log.ToNarrow();
            }
            break;
        }
        case OP_INTERNET:
            EXPECT_EQ(r.result && r.answers[0] == IDOK, COruProcessProbe::ContinueOffline(*pEngine) != FALSE);
            break;
        case OP_TYPE:
        {
            const bool usb = r.answers[0] == kUsbDriveArrives;
            if (r.result) {
                EXPECT_EQ(!usb, pEngine->IsPCInstallation());
            }
            if (usb)
            {
                // The drive's root and its target folder, never the volume label.
                EXPECT_EQ(L"U:\\", COruProcessProbe::USBRoot(*pEngine));
                EXPECT_EQ(L"U:\\", COruProcessProbe::USBFolder(*pEngine));
            }
            break;
        }
        case OP_OPTIONS:
            EXPECT_EQ(r.written ? CString(partner ? L"0" : L"1") : CString(before), NotifierSetting());
            EXPECT_EQ(partner ? FALSE : TRUE, import);
            break;
        default:
            break;
        }
    }

    QMConfigImplementation m_store;
    CQMModule m_module{ L"Vantolin", L"9124u" };
    CStartHost m_startHost;
};

TEST_F(CWizardStepsTest, EachPageStepTurnsTheAnswerIntoTheEngineState)
{
    for (const PageRow& r : kPageRows)
        RunPageRow(r);
}

struct FinishRow
{
    const char* name;
    BOOL success, cancelled, installerCancelled, another, packageInstalled, reboot, pc;
    bool silent, partner;
    // For a USB installation: the launcher is there (else its command names a missing file).
    bool launcher;
    // Expected: the finish page's text (0: no page) and flags; the product told to start (-1:
    // not told); a line logged.
    UINT text;
    int succeeded, restart;
    int start;
    const wchar_t* logged;
};

const FinishRow kFinishRows[] = {
    { "success", 1, 0, 0, 0, 1, 0, 1, false, false, false, 0, 0, 0, 1,
      L"Installation exited with: strFinishMessage [], bInstallationSucceded [1], bMSICanceled [0], nextStep [32]" },
    { "cancelled", 1, 1, 0, 0, 0, 0, 1, false, false, false, IDS_FINISH_CANCELLED, 0, 0, -1, nullptr },
    { "cancelled, silent", 1, 1, 0, 0, 0, 0, 1, true, false, false, IDS_FINISH_CANCELLED, 0, 0, -1, nullptr },
    { "failed", 0, 0, 0, 0, 0, 0, 1, false, false, false, IDS_FINISH_FAILED, 0, 0, -1, nullptr },
    { "failed after the package was installed", 0, 0, 0, 0, 1, 0, 1, false, false, false,
      IDS_FINISH_FAILED_PACKAGE_KEPT, 0, 0, -1, nullptr },
    { "cancelled in the installer's dialog", 1, 1, 1, 0, 0, 0, 1, false, false, false, 0, 0, 0, -1,
      L"bMSICanceled [1]" },
    { "another installation running, silent", 0, 0, 0, 1, 0, 0, 1, true, false, false,
      IDS_FINISH_ANOTHER_INSTALL, 0, 0, -1, nullptr },
    { "driver reboot after a success", 1, 0, 0, 0, 1, 1, 1, false, false, false, 0, 1, 1, 0,
      L"WRN: CoruApp::FinishedInstallation: a driver needs the computer restarted, the product is not started" },
    { "driver reboot after a silent success", 1, 0, 0, 0, 1, 1, 1, true, false, false, 0, 0, 0, 0,
      L"WRN: CoruApp::FinishedInstallation: a driver needs the computer restarted, the product is not started" },
    { "driver reboot after a failure", 0, 0, 0, 0, 0, 1, 1, false, false, false, IDS_FINISH_FAILED, 0, 1, -1, nullptr },
    { "silent success, partner 11082", 1, 0, 0, 0, 1, 0, 1, true, true, false, 0, 0, 0, 0, nullptr },
    { "success shown, partner 11082", 1, 0, 0, 0, 1, 0, 1, false, true, false, 0, 0, 0, 1, nullptr },
    { "USB success", 1, 0, 0, 0, 0, 0, 0, false, false, true, 0, 0, 0, -1, nullptr },
    { "USB success, the launcher missing", 1, 0, 0, 0, 0, 0, 0, false, false, false, 0, 0, 0, -1,
      L"CoruApp::FinishedInstallation: Failed to start app [" },
    { "USB failed", 0, 0, 0, 0, 0, 0, 0, false, false, true, IDS_FINISH_FAILED, 0, 0, -1, nullptr },
};

TEST_F(CWizardStepsTest, TheEndOfTheRunOverTheEngineFlags)
{
    const CString usb = m_folder + L"usb\\";
    ASSERT_TRUE(CreateDirectoryW(usb, nullptr));
    ASSERT_TRUE(CopyFileW(BinFolder() + L"StandIn.exe", usb + L"StartVantolin.exe", FALSE));
    ASSERT_TRUE(WriteTextFile(usb + L"StartVantolin.ini", "[StandIn]\r\nExitCode=0\r\n"));
    const CString record = usb + L"StartVantolin.record.txt";
    for (const FinishRow& r : kFinishRows)
    {
        SCOPED_TRACE(r.name);
        ReadSettings(r.partner);
        DeleteFileW(record);
        const CString launcher = usb + (r.launcher ? L"StartVantolin.exe" : L"Missing.exe");
        ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kUsbLauncherKey, L"Entry7", REG_SZ, launcher, nullptr, 0));

        CFakeEngineServices services(L"WizardSteps");
        std::unique_ptr<COruProcess> pEngine = services.MakeEngine(m_folder, m_folder + L"extract");
        ASSERT_TRUE(pEngine);
        CStepScript script;
        pEngine->SetStepFunctions(&script);
        COruProcessProbe::CurrentStep(*pEngine) = r.pc ? ORU_STEP_PC_END : ORU_STEP_USB_END;
        COruProcessProbe::Success(*pEngine) = r.success;
        COruProcessProbe::Cancelled(*pEngine) = r.cancelled;
        COruProcessProbe::InstallerCancelled(*pEngine) = r.installerCancelled;
        COruProcessProbe::AnotherInstallRunning(*pEngine) = r.another;
        COruProcessProbe::PackageInstalled(*pEngine) = r.packageInstalled;
        COruProcessProbe::DriverRebootPending(*pEngine) = r.reboot;
        COruProcessProbe::PCInstallation(*pEngine) = r.pc;
        COruProcessProbe::ProductReady(*pEngine) = TRUE;
        COruProcessProbe::StartProduct(*pEngine) = -1;

        CScriptedPages pages;
        CoruApp app;
        CoruAppProbe::Prepare(app, r.silent, false, true);
        app.SetWizardPages(&pages);
        const int logStart = Log().GetLength();
        app.FinishedInstallation(pEngine.get());
        const CString log = Log().Mid(logStart);

        const bool page = r.text || r.restart;
        ASSERT_EQ(page ? 1u : 0u, pages.finishPages.size());
        if (page)
        {
            const CString title = L"Vantolin Setup";
            EXPECT_EQ(r.text ? FormatResString(r.text, title.GetString(), title.GetString(), title.GetString()) : CString(),
                      pages.finishPages[0].text);
            EXPECT_EQ(r.succeeded, pages.finishPages[0].succeeded);
            EXPECT_EQ(r.restart, pages.finishPages[0].restart);
        }
        // Told through the engine: its start step ran with the choice.
        EXPECT_EQ(r.start >= 0 ? 1u : 0u, script.ran.size());
        if (r.start >= 0)
        {
            EXPECT_EQ(ORU_STEP_START_PRODUCT, script.ran[0]);
            EXPECT_EQ(r.start, COruProcessProbe::StartProduct(*pEngine));
        }
        const bool launched = !r.pc && r.success && r.launcher;
        if (launched)
        {
            // The launcher starts in its own folder.
            for (int i = 0; i < 300 && !FileExists(record); ++i)
                Sleep(100);
            const CString text = ReadUtf16File(record);
            EXPECT_TRUE(Contains(text, L"StartVantolin.exe")) << text.ToNarrow();
            EXPECT_TRUE(Contains(text, L"Folder=" + m_folder + L"usb")) << text.ToNarrow();
        }
        else
            EXPECT_FALSE(FileExists(record));
        if (r.logged) {
            EXPECT_TRUE(Contains(log, r.logged)) << log.ToNarrow();
        }
    }
}

// Back on the music page goes to the language page, whose second pass sends no second start
// event; a cancel on the music page then cancels the run.
TEST_F(CWizardStepsTest, BackToTheLanguagePageThroughTheMainLoop)
{
    ReadSettings(false);
    CFakeEngineServices fakes(L"WizardSteps");
    CStepScript script;
    script.steps[1] = [](COruProcess& e) {
        COruProcessProbe::ShowAdvertise(e) = FALSE;
        COruProcessProbe::ArchivePresent(e) = TRUE;
        return true;
    };
    CScriptedPages pages;
    pages.answers[ORU_STEP_LANGUAGE] = { IDOK, IDOK };
    pages.answers[ORU_STEP_MUSIC_LIBRARY] = { WIZARD_RESULT_BACK, IDCANCEL };
    CRegistryKeyMap* pMap = new CRegistryKeyMap(10);
    FillTestRegistryKeys(*pMap, L"WizardSteps");
    CFakeStatistics* pStatistics = new CFakeStatistics;
    {
        CoruApp app;
        CoruAppProbe::PrepareRun(app, m_folder, pMap, pStatistics);
        app.SetWizardPages(&pages);
        app.SetMusicCollectionCounter([](int& all, int& audio, int& video) {
            all = audio = 2000;
            video = 0;
            return true;
        });
        CRunServices services;
        services.pCheckInternet = &fakes.checker;
        services.pDownloader = &fakes.downloader;
        services.pProcessExecuter = &fakes.exec;
        services.pPatchConfig = &fakes.patch;
        services.pStepFunctions = &script;
        app.RunAdminSteps(services);
        EXPECT_EQ(ORU_EXIT_PC_CANCELLED, app.GetExitCode());
        CoruAppProbe::Release(app);
    }
    const std::wstring& calls = pStatistics->calls;
    EXPECT_NE(std::wstring::npos, calls.find(L"S InstallationOrder=1;3;4;3;4;\n")) << CString(calls).ToNarrow();
    const size_t start = calls.find(L"InstallationStep=ORU_START");
    EXPECT_NE(std::wstring::npos, start);
    EXPECT_EQ(start, calls.rfind(L"InstallationStep=ORU_START")) << "one start event";
    ASSERT_EQ(1u, pages.finishPages.size());
    EXPECT_EQ(FormatResString(IDS_FINISH_CANCELLED, L"Vantolin Setup", L"Vantolin Setup"), pages.finishPages[0].text);
    delete pStatistics;
    delete pMap;
}
}
