#pragma once
// The steps of one run by name, and the one table that says for each step what the engine runs,
// how it reads the outcome, what the outcome decides, which page or phase of the application
// belongs to it and which step follows by default. Adding a step is adding a name and a row.
//
// The numbers are the run's own: the log and the statistics' installation order print them, and
// a restarted controller continues from them.

#include <windows.h>

#include <cstddef>

class COruProcess;
class IStepPages;
struct CRunServices;

enum OruStep
{
    // No further step (after the restart question).
    ORU_STEP_NONE = -1,
    ORU_STEP_READ_CONFIG = 1,
    ORU_STEP_ADVERTISE = 2,
    ORU_STEP_LANGUAGE = 3,
    ORU_STEP_MUSIC_LIBRARY = 4,
    ORU_STEP_CLEAN_REGISTRY = 5,
    ORU_STEP_INTERNET_CHECK = 6,
    // 7 is not used: the Internet check is followed by the update request.
    ORU_STEP_UPDATE_REQUEST = 8,
    ORU_STEP_UPDATE_OFFER = 9,
    ORU_STEP_DOWNLOAD_INSTALLER = 10,
    ORU_STEP_DOWNLOAD_ORU = 11,
    ORU_STEP_DOWNLOAD_DOTNET = 12,
    ORU_STEP_UNPACK_INSTALLER = 13,
    ORU_STEP_SELF_UPDATE_OR_EXTRACT = 14,
    ORU_STEP_SINGLE_INSTANCE = 15,
    ORU_STEP_INSTALLATION_TYPE = 16,
    ORU_STEP_INSTALLATION_FOLDER = 17,
    ORU_STEP_INSTALL_OPTIONS = 18,
    ORU_STEP_DOTNET_DECISION = 19,
    ORU_STEP_INSTALL_DOTNET = 20,
    ORU_STEP_DOTNET_CHECK = 21,
    ORU_STEP_VCREDIST_TEST = 22,
    ORU_STEP_INSTALL_VCREDIST = 23,
    ORU_STEP_VCREDIST_TEST_AFTER = 24,
    ORU_STEP_INSTALL_VCREDIST64 = 25,
    ORU_STEP_PC_INSTALLATION = 26,
    ORU_STEP_ADAPT_REGISTRY = 27,
    ORU_STEP_POST_INSTALLATION = 28,
    ORU_STEP_VERIFY_RESTART = 29,
    ORU_STEP_CLEAN_UP = 30,
    ORU_STEP_HIDDEN_START = 31,
    // The end of a PC installation (the finish page).
    ORU_STEP_PC_END = 32,
    ORU_STEP_START_PRODUCT = 33,
    ORU_STEP_USB_INSTALLATION = 34,
    ORU_STEP_ADAPT_USB_FILES = 35,
    ORU_STEP_USB_CLOSER = 36,
    // The end of a USB installation.
    ORU_STEP_USB_END = 37,
    // Not a step: the current step's worker still runs, the caller asks again later.
    ORU_STEP_BUSY = 38,
    ORU_STEP_UNINSTALL = 39,
    ORU_STEP_PREPARE_RESTART = 40,
    ORU_STEP_CONFIRM_RESTART = 41,
    ORU_STEP_LAST = ORU_STEP_CONFIRM_RESTART
};

// What the program a step ran reported.
struct CProgramOutcome
{
    bool bSuccess = false;
    bool bCancelled = false;
    bool bCheckReturnCode = false;
    DWORD exitCode = 0;
};

// One step as the application's loop hands it to the step's page or phase.
struct CStepRun
{
    CStepRun(COruProcess* pEngine, const CRunServices& runServices) : pProcess(pEngine), services(runServices) {}

    COruProcess* pProcess;
    const CRunServices& services;
    int nStep = 0;
    // Set by the handler: the loop ends after this step.
    bool bLeave = false;
    // Set by the restart question when the user confirmed the restart; kept for the end of the run.
    bool bRestartConfirmed = false;
};

// The engine's function of a step: its result is the step's.
typedef bool (COruProcess::*OruStepFunction)();
// Runs after the step's function with its result.
typedef void (COruProcess::*OruStepAfterRun)(bool bResult);
// Reads the end of what the step started; false while it still runs. A program's report goes to
// the outcome.
typedef bool (COruProcess::*OruStepOutcome)(bool bPrintDots, CProgramOutcome& rProgram);
// What the step's outcome decides (the next step, the run's flags).
typedef void (COruProcess::*OruStepRule)(const CProgramOutcome& program);
// The application's page or phase of the step. False: the run is cancelled (or fails, when the
// step could not be started).
typedef bool (IStepPages::*OruStepHandler)(CStepRun& run);

struct COruStepRow
{
    int nStep;
    // Null: the engine has nothing to run (a page, or a decision of the rule).
    OruStepFunction function;
    OruStepAfterRun afterRun;
    // Null: nothing to wait for. A step with one starts a worker, or waits for the product: a false
    // result of its function is read as a failure at once.
    OruStepOutcome outcome;
    OruStepRule rule;
    // The page's own hook moves the engine on (language, update offer, installation type):
    // RunNextStep leaves the step to it.
    bool bTakenByHook;
    // Null: the application lets the engine run the step.
    OruStepHandler handler;
    // The step that follows when nothing forces another; the step itself for the ends, which
    // stay, and ORU_STEP_NONE after the last question.
    int nNext;
};

// The row of the step; null for a number that is no step.
const COruStepRow* FindOruStepRow(int nStep);
// Every row, by step number.
const COruStepRow* GetOruStepRows(size_t& rCount);
