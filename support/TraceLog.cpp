#include "TraceLog.h"
#include "classlib/Handles.h"
#include "classlib/WinApp.h"

#include <algorithm>
#include <new>
#include <vector>

namespace
{
const ULONGLONG kMaxFileSize = 10485760; // a file of exactly this size still takes a line
const int kKeepFiles = 10;
const int kMaxFileName = 1000;
const int kMaxSameSecondFiles = 99;

const wchar_t* const kLevelNames[] = { L"", L"ERR", L"WRN", L"INF", L"DBG", L"-->", L"---" };

const DWORD kListenerLookupMs = 1000;
// Room a line starts with; a longer message grows it, a very long one is not kept afterwards.
const size_t kLineBuffer = 1024;
const size_t kMaxKeptLineBuffer = 65536;

void ClassLibErrorSink(const wchar_t* pszText);

void SystemLocalTime(SYSTEMTIME* pNow)
{
    GetLocalTime(pNow);
}

const TraceClockCalls kSystemClock = { SystemLocalTime, GetTickCount };

// A debug-output monitor creates this event and waits on its partner for each string.
bool DebugOutputListenerExists()
{
    CScopedHandle ready(OpenEventW(SYNCHRONIZE, FALSE, L"DBWIN_BUFFER_READY"));
    return ready.IsValid();
}

class CTraceLog
{
public:
    static CTraceLog& Get();

    bool Admits(int level) const
    {
        const LONG configured = m_level;
        return configured != 0 && level <= configured;
    }
    void Write(int level, const wchar_t* pszFormat, va_list args);
    void SetLevel(int level);
    void SetPrefix(const wchar_t* pszPrefix);
    CString FileName();
    const TraceClockCalls* SetClock(const TraceClockCalls* pCalls);

    // Spin lock on the owner's thread id. The same thread may take it again (a helper that
    // logs while the lock is held): only the outermost release frees it.
    class CGuard
    {
    public:
        explicit CGuard(CTraceLog& log) : m_log(log) { m_log.Lock(); }
        ~CGuard() { m_log.Unlock(); }
        CGuard(const CGuard&) = delete;
        CGuard& operator=(const CGuard&) = delete;

    private:
        CTraceLog& m_log;
    };

private:
    CTraceLog() = default;
    void Lock();
    void Unlock();
    void OpenNewFile();
    bool NeedsNewFile(const SYSTEMTIME& now) const;
    size_t FormatLine(int level, const SYSTEMTIME& now, const wchar_t* pszFormat, va_list args);
    bool SomeoneListens();

    CScopedFileHandle m_file;
    ULONGLONG m_fileSize = 0;
    std::vector<wchar_t> m_line;
    volatile LONG m_level = 0;
    volatile LONG m_owner = 0;
    int m_depth = 0;
    bool m_hasPrefix = false;
    CString m_prefix;
    SYSTEMTIME m_fileDate = {};
    CString m_fileName;
    CString m_lastBase;
    int m_lastCounter = 0;
    const TraceClockCalls* m_pClock = &kSystemClock;
    bool m_listenerKnown = false;
    bool m_listener = false;
    DWORD m_listenerLookedUp = 0;
};

CTraceLog& CTraceLog::Get()
{
    // Built on first use and never destroyed, so that destructors of other static objects
    // can still log at exit; the system closes the file when the process ends (every line
    // is written unbuffered, so nothing is lost).
    alignas(CTraceLog) static unsigned char storage[sizeof(CTraceLog)];
    static CTraceLog* pLog = new (storage) CTraceLog();
    // Faults the class library catches itself (a handler that threw in a window procedure)
    // become error lines of this log from now on.
    static const bool s_sinkSet = (AfxSetErrorSink(&ClassLibErrorSink), true);
    static_cast<void>(s_sinkSet);
    return *pLog;
}

void CTraceLog::Lock()
{
    const LONG me = static_cast<LONG>(GetCurrentThreadId());
    if (m_owner == me)
    {
        ++m_depth;
        return;
    }
    while (InterlockedCompareExchange(&m_owner, me, 0) != 0)
        Sleep(25);
    m_depth = 1;
}

void CTraceLog::Unlock()
{
    const LONG me = static_cast<LONG>(GetCurrentThreadId());
    if (m_owner != me)
        return;
    if (--m_depth > 0)
        return;
    InterlockedCompareExchange(&m_owner, 0, me);
}

bool CTraceLog::NeedsNewFile(const SYSTEMTIME& now) const
{
    if (now.wYear != m_fileDate.wYear || now.wMonth != m_fileDate.wMonth || now.wDay != m_fileDate.wDay)
        return true;
    // The log is the file's only writer (it shares reading only), so it counts the size itself
    // rather than asking the system before every line.
    return m_fileSize > kMaxFileSize;
}

void CTraceLog::OpenNewFile()
{
    m_file.Close();
    m_fileName.Empty();

    SYSTEMTIME now;
    m_pClock->pLocalTime(&now);
    CString base;
    base.Format(L"%s_%04d%02d%02d_%02d%02d%02d_%X", m_hasPrefix ? m_prefix.GetString() : L"Trace",
                now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, GetCurrentProcessId());

    // A name already taken (a second file in the same second) gets a counter before ".txt".
    // Counters of two digits are written after a '9' so that every name still sorts after
    // the ones made before it: _2 ... _9, _910 ... _999. The counter never goes back within
    // the second, even when an older file of that second has been deleted meanwhile.
    const int firstCounter = base == m_lastBase ? m_lastCounter + 1 : 1;
    for (int counter = firstCounter; counter <= kMaxSameSecondFiles; ++counter)
    {
        CString name(base);
        if (counter >= 10)
            name.AppendFormat(L"_9%d", counter);
        else if (counter >= 2)
            name.AppendFormat(L"_%d", counter);
        name += L".txt";
        if (name.GetLength() > kMaxFileName)
            return;

        HANDLE h = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
        {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            return;
        }
        m_file.Reset(h);
        m_fileName = name;
        m_lastBase = base;
        m_lastCounter = counter;
        m_fileDate = now;
        static const BYTE bom[] = { 0xFF, 0xFE };
        DWORD written = 0;
        WriteFile(h, bom, sizeof(bom), &written, nullptr);
        m_fileSize = written;
        return;
    }
}

void CTraceLog::Write(int level, const wchar_t* pszFormat, va_list args)
{
    CGuard guard(*this);
    SYSTEMTIME now;
    m_pClock->pLocalTime(&now);

    if (!m_file.IsValid() || NeedsNewFile(now))
        OpenNewFile();

    const size_t length = FormatLine(level, now, pszFormat, args);
    if (m_file.IsValid())
    {
        DWORD written = 0;
        WriteFile(m_file.Get(), m_line.data(), static_cast<DWORD>(length * sizeof(wchar_t)), &written, nullptr);
        m_fileSize += written;
    }
    if (SomeoneListens())
        OutputDebugStringW(m_line.data());
    if (m_line.size() > kMaxKeptLineBuffer)
        std::vector<wchar_t>(kLineBuffer).swap(m_line);
}

// Prefix, message and CR LF into m_line, NUL-terminated; gives the length without the NUL. One
// formatting pass for a line that fits the buffer, which nearly every line does.
size_t CTraceLog::FormatLine(int level, const SYSTEMTIME& now, const wchar_t* pszFormat, va_list args)
{
    if (m_line.size() < kLineBuffer)
        m_line.resize(kLineBuffer);
    // Fits always: two-digit fields, eight hex digits and a three-letter name.
    const size_t prefix = static_cast<size_t>(_snwprintf(m_line.data(), m_line.size(), L"%02d:%02d:%02d.%03d %X %s: ",
                                                         now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                                                         static_cast<DWORD>(m_owner), GetTraceLevelName(level)));
    va_list attempt;
    va_copy(attempt, args);
    int message = _vsnwprintf(&m_line[prefix], m_line.size() - prefix - 3, pszFormat, attempt);
    va_end(attempt);
    if (message < 0)
    {
        va_copy(attempt, args);
        const int needed = _vscwprintf(pszFormat, attempt);
        va_end(attempt);
        message = 0;
        if (needed > 0)
        {
            m_line.resize(prefix + needed + 3);
            message = _vsnwprintf(&m_line[prefix], needed, pszFormat, args);
        }
    }
    wchar_t* pEnd = &m_line[prefix + (message > 0 ? message : 0)];
    pEnd[0] = L'\r';
    pEnd[1] = L'\n';
    pEnd[2] = 0;
    return static_cast<size_t>(pEnd + 2 - m_line.data());
}

bool CTraceLog::SomeoneListens()
{
    if (IsDebuggerPresent())
        return true;
    // Opening the monitor's event is a call into the system: once a second is enough to notice
    // a monitor that starts or ends.
    const DWORD now = m_pClock->pTickCount();
    if (!m_listenerKnown || now - m_listenerLookedUp >= kListenerLookupMs)
    {
        m_listener = DebugOutputListenerExists();
        m_listenerLookedUp = now;
        m_listenerKnown = true;
    }
    return m_listener;
}

const TraceClockCalls* CTraceLog::SetClock(const TraceClockCalls* pCalls)
{
    CGuard guard(*this);
    const TraceClockCalls* pPrevious = m_pClock;
    m_pClock = pCalls ? pCalls : &kSystemClock;
    // The next line looks again, by the new clock.
    m_listenerKnown = false;
    return pPrevious;
}

void CTraceLog::SetLevel(int level)
{
    CGuard guard(*this);
    m_level = level > 0 ? level : 0;
}

void CTraceLog::SetPrefix(const wchar_t* pszPrefix)
{
    CGuard guard(*this);
    m_file.Close();
    m_fileName.Empty();
    m_prefix = pszPrefix ? pszPrefix : L"";
    m_hasPrefix = true;
    DeleteOldTraceFiles(m_prefix, kKeepFiles);
}

CString CTraceLog::FileName()
{
    CGuard guard(*this);
    return m_fileName;
}
}

void Trace(int level, const wchar_t* pszFormat, ...)
{
    CTraceLog& log = CTraceLog::Get();
    // Suppressed lines cost neither the lock nor the formatting.
    if (!pszFormat || !log.Admits(level))
        return;
    va_list args;
    va_start(args, pszFormat);
    log.Write(level, pszFormat, args);
    va_end(args);
}

namespace
{
void ClassLibErrorSink(const wchar_t* pszText)
{
    try
    {
        Trace(TRACE_ERROR, L"%s", pszText);
    }
    catch (...)
    {
        OutputDebugStringW(pszText);
    }
}
}

void SetTraceLevel(int level)
{
    CTraceLog::Get().SetLevel(level);
}

void SetTracePrefix(const wchar_t* pszPrefix)
{
    CTraceLog::Get().SetPrefix(pszPrefix);
}

const wchar_t* GetTraceLevelName(int level)
{
    if (level < 0 || level >= 70)
        return kLevelNames[0];
    return kLevelNames[level / 10];
}

void DeleteOldTraceFiles(const wchar_t* pszPrefix, int keep)
{
    if (keep <= 0 || !pszPrefix)
        return;
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    CScopedFindHandle find(FindFirstFileW(CString(pszPrefix) + L"*.txt", &fd));
    if (!find.IsValid())
        return;
    do
    {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(fd.cFileName);
    } while (FindNextFileW(find.Get(), &fd));
    if (static_cast<int>(names.size()) <= keep)
        return;

    // Names carry the creation date and time after the common prefix: the greatest are the newest.
    std::sort(names.begin(), names.end());
    names.resize(names.size() - keep);

    const CString prefix(pszPrefix);
    const int lastSep = std::max(prefix.ReverseFind(L'\\'), prefix.ReverseFind(L'/'));
    const CString folder = prefix.Left(lastSep + 1);
    // Never delete relative to the current folder or a bare drive root.
    if (folder.GetLength() <= 4)
        return;
    for (const std::wstring& name : names)
        DeleteFileW(folder + name.c_str());
}

CString GetTraceFileName()
{
    return CTraceLog::Get().FileName();
}

const TraceClockCalls* SetTraceClockCalls(const TraceClockCalls* pCalls)
{
    return CTraceLog::Get().SetClock(pCalls);
}
