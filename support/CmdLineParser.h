#pragma once
// Splits a command line into switches ("-" or "/", a name, optionally ":" and a value) and
// positional arguments. Names are compared exactly; the callers own the names.

#include "classlib/Map.h"
#include "classlib/String.h"

class CCmdLineParser
{
public:
    virtual ~CCmdLineParser() = default;
    virtual int Parse(const CStringArray& args);
    // A double-zero-terminated multi-string, or null for the process's own arguments.
    virtual void ParseStrings(const wchar_t* pszMultiString);
    virtual void AddArgument(const CString& arg);

    bool HasOption(const wchar_t* pszName) const;
    CString GetOption(const wchar_t* pszName, const wchar_t* pszDefault = nullptr) const;
    CString GetOptionUnquoted(const wchar_t* pszName, const wchar_t* pszDefault = nullptr) const;
    int GetIntOption(const wchar_t* pszName, int nDefault) const;
    bool GetBoolOption(const wchar_t* pszName, bool bDefault) const;
    void Dump(const wchar_t* pszTitle = nullptr) const;

    const CStringArray& GetArguments() const { return m_arguments; }

private:
    CStringArray m_arguments;
    CMapStringToString m_switches{10};
};

CString GetCrtDirArgument();
// Multi-string of the crt-dir argument and the texts; free with delete[].
wchar_t* BuildCommandLine(const CStringArray& args, size_t* pcbSize);
wchar_t* BuildCommandLineFromArgs(size_t* pcbSize);
