#include "CleanupRun.h"

#include "classlib/Handles.h"
#include "support/BoostRegEx.h"
#include "support/FileUtil.h"
#include "support/FolderTree.h"
#include "support/MsiCommandLine.h"
#include "support/PathUtil.h"
#include "support/ProcessAge.h"
#include "support/ProtectedFolders.h"

#include <cerrno>
#include <cstdlib>
#include <cwctype>

namespace
{
const wchar_t kProcessIdPattern[] = L"/[pP]\\s+(\\d+)";
const wchar_t kFolderPattern[] = L"/[dD]\\s+([^\"][^\\s]+|\"[^\"]+\")";
// Messages go to the debugger output only; their formats are literals, paths and ids arguments.
const wchar_t kUnhandledException[] = L"ERROR: Unhandled exception in Vantolin setup cleanup\n";

bool ParseProcessId(const CString& digits, DWORD& rId)
{
    errno = 0;
    wchar_t* pEnd = nullptr;
    const unsigned long long value = wcstoull(digits, &pEnd, 10);
    if (errno != 0 || value > 0xFFFFFFFFull || !pEnd || *pEnd)
        return false;
    rId = static_cast<DWORD>(value);
    return true;
}

// A blank ends an unquoted folder: what follows must be another option or nothing, else the
// folder was cut at a blank and names some other folder.
bool HasStrayText(const CString& line, int after)
{
    while (after < line.GetLength() && iswspace(line[after]))
        ++after;
    return after < line.GetLength() && line[after] != L'/';
}

enum EWaitOutcome
{
    WAIT_OUTCOME_ENDED,
    WAIT_OUTCOME_EXPIRED
};

// Waits for the controller. An id that now names a younger process (or this one) belongs to
// somebody else: the controller has ended and its id was given out again.
EWaitOutcome WaitForController(DWORD processId, DWORD waitLimitMs, const FILETIME& referenceStart)
{
    if (processId == 0 || processId == GetCurrentProcessId())
        return WAIT_OUTCOME_ENDED;
    CScopedHandle process(OpenProcessForWait(processId));
    if (!process)
        return WAIT_OUTCOME_ENDED;

    if (!IsProcessNamedBy(process.Get(), processId, referenceStart))
    {
        OutputDebugStringW(FormatString(
            L"Vantolin setup cleanup is not waiting for process with ID <%lu>: the ID belongs to another process now\n",
            processId));
        return WAIT_OUTCOME_ENDED;
    }

    OutputDebugStringW(
        FormatString(L"Vantolin setup cleanup is waiting for process with ID <%lu> to finish...\n", processId));
    if (WaitForSingleObject(process.Get(), waitLimitMs) == WAIT_OBJECT_0)
        return WAIT_OUTCOME_ENDED;
    OutputDebugStringW(
        FormatString(L"ERROR: Vantolin setup cleanup gave up waiting for process with ID <%lu>\n", processId));
    return WAIT_OUTCOME_EXPIRED;
}

int RunCleanupSteps(const wchar_t* pszCommandLine, DWORD pauseMs, DWORD waitLimitMs, const FILETIME& referenceStart)
{
    const CCleanupCommandLine line = ParseCleanupCommandLine(pszCommandLine);
    if (line.folder.IsEmpty())
    {
        OutputDebugStringW(L"ERROR: No cleanup path given to Vantolin setup cleanup\n");
        return CLEANUP_EXIT_BAD_PATH;
    }
    if (line.bStrayText)
    {
        OutputDebugStringW(FormatString(
            L"ERROR: Vantolin setup cleanup was given a path <%s> followed by stray text; a path with blanks "
            L"needs quotes\n",
            line.folder.GetString()));
        return CLEANUP_EXIT_BAD_PATH;
    }
    if (!line.bProcessIdValid)
    {
        OutputDebugStringW(L"ERROR: Vantolin setup cleanup was given no valid process ID\n");
        return CLEANUP_EXIT_BAD_PATH;
    }
    CString folder;
    if (!CheckCleanupFolder(line.folder, folder))
        return CLEANUP_EXIT_BAD_PATH;

    if (WaitForController(line.processId, waitLimitMs, referenceStart) == WAIT_OUTCOME_EXPIRED)
        return CLEANUP_EXIT_WAIT_EXPIRED;
    Sleep(pauseMs);

    // The pause is long: the way to the folder is checked again right before the removal.
    if (!CheckCleanupFolder(line.folder, folder))
        return CLEANUP_EXIT_BAD_PATH;
    OutputDebugStringW(FormatString(L"Vantolin setup cleanup is cleaning up path <%s> now...\n", folder.GetString()));
    if (RemoveDirectoryRec(folder))
        OutputDebugStringW(L"Vantolin setup cleanup successfully cleaned up post-reboot temp dir\n");
    else
        OutputDebugStringW(
            FormatString(L"ERROR: Vantolin setup cleanup could not cleanup path <%s>\n", folder.GetString()));
    return CLEANUP_EXIT_DONE;
}

LONG WINAPI CleanupExceptionFilter(EXCEPTION_POINTERS*)
{
    OutputDebugStringW(kUnhandledException);
    ExitProcess(CLEANUP_EXIT_UNHANDLED_EXCEPTION);
}
}

CCleanupCommandLine ParseCleanupCommandLine(const wchar_t* pszCommandLine)
{
    CCleanupCommandLine result;
    const CString line(pszCommandLine ? pszCommandLine : L"");
    BoostRegEx regex;
    CString text;
    if (regex.Compile(kProcessIdPattern) && regex.Search(line) && regex.GetMatch(1, text))
        result.bProcessIdValid = ParseProcessId(text, result.processId);
    if (regex.Compile(kFolderPattern) && regex.Search(line) && regex.GetMatch(1, text))
    {
        CString whole;
        regex.GetMatch(0, whole);
        if (text[0] != L'"')
            result.bStrayText = HasStrayText(line, regex.GetMatchPosition() + whole.GetLength());
        StripQuotesAndBlanks(text);
        result.folder = text;
    }
    return result;
}

bool CheckCleanupFolder(const wchar_t* pszFolder, CString& rResolved)
{
    if (!ResolveAbsolutePath(pszFolder, rResolved) || IsProtectedFolder(rResolved))
    {
        OutputDebugStringW(
            FormatString(L"ERROR: Vantolin setup cleanup refuses to clean up path <%s>: not an absolute path, or a "
                         L"root or protected folder\n",
                         pszFolder));
        return false;
    }
    // A link or junction anywhere on the way would take the removal somewhere else.
    CString link;
    if (FindLinkOnPath(rResolved, link))
    {
        OutputDebugStringW(
            FormatString(L"ERROR: Vantolin setup cleanup refuses to clean up path <%s>: <%s> is a link\n", pszFolder,
                         link.GetString()));
        return false;
    }
    return true;
}

int RunCleanup(const wchar_t* pszCommandLine, DWORD pauseMs, DWORD waitLimitMs, const FILETIME& referenceStart)
{
    try
    {
        return RunCleanupSteps(pszCommandLine, pauseMs, waitLimitMs, referenceStart);
    }
    catch (...)
    {
        OutputDebugStringW(kUnhandledException);
        return CLEANUP_EXIT_UNHANDLED_EXCEPTION;
    }
}

void InstallCleanupExceptionFilter()
{
    SetUnhandledExceptionFilter(CleanupExceptionFilter);
}
