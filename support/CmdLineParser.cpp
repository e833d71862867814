#include "CmdLineParser.h"
#include "TraceLog.h"

#include <cstdlib>
#include <new>
#include <vector>

namespace
{
CStringArray ProcessArguments()
{
    CStringArray args;
    for (int i = 1; i < __argc && __wargv; ++i)
        args.Add(__wargv[i]);
    return args;
}
}

int CCmdLineParser::Parse(const CStringArray& args)
{
    for (const CString& a : args)
        AddArgument(a);
    return args.GetSize();
}

void CCmdLineParser::ParseStrings(const wchar_t* pszMultiString)
{
    m_switches.RemoveAll();
    m_arguments.RemoveAll();
    if (!pszMultiString)
    {
        Parse(ProcessArguments());
        return;
    }
    for (const wchar_t* p = pszMultiString; *p; p += wcslen(p) + 1)
        AddArgument(p);
}

void CCmdLineParser::AddArgument(const CString& arg)
{
    if (arg.IsEmpty() || (arg[0] != L'-' && arg[0] != L'/'))
    {
        m_arguments.Add(arg);
        return;
    }
    const CString rest = arg.Mid(1);
    const int colon = rest.Find(L':', 1);
    if (colon >= 1)
        m_switches.SetAt(rest.Left(colon), rest.Mid(colon + 1));
    else
        m_switches.SetAt(rest, CString());
}

bool CCmdLineParser::HasOption(const wchar_t* pszName) const
{
    CString value;
    return m_switches.Lookup(pszName, value);
}

CString CCmdLineParser::GetOption(const wchar_t* pszName, const wchar_t* pszDefault) const
{
    CString value;
    if (m_switches.Lookup(pszName, value))
        return value;
    return CString(pszDefault);
}

CString CCmdLineParser::GetOptionUnquoted(const wchar_t* pszName, const wchar_t* pszDefault) const
{
    CString value = GetOption(pszName, pszDefault);
    if (value.GetLength() > 1)
    {
        if (value[0] == L'"')
            value.Delete(0);
        if (!value.IsEmpty() && value[value.GetLength() - 1] == L'"')
            value.Delete(value.GetLength() - 1);
    }
    return value;
}

int CCmdLineParser::GetIntOption(const wchar_t* pszName, int nDefault) const
{
    CString value;
    if (!m_switches.Lookup(pszName, value))
        return nDefault;
    return static_cast<int>(wcstol(value, nullptr, 10));
}

bool CCmdLineParser::GetBoolOption(const wchar_t* pszName, bool bDefault) const
{
    return GetIntOption(pszName, bDefault ? 1 : 0) != 0;
}

void CCmdLineParser::Dump(const wchar_t* pszTitle) const
{
    Trace(TRACE_TRACE, L"%s", pszTitle ? pszTitle : L"cmdline:");
    for (int i = 0; i < m_arguments.GetSize(); ++i)
        Trace(TRACE_TRACE, L"file[%d] = %s", i, m_arguments[i].GetString());
    CString name, value;
    for (POSITION pos = m_switches.GetStartPosition(); pos;)
    {
        m_switches.GetNextAssoc(pos, name, value);
        if (value.IsEmpty())
            Trace(TRACE_TRACE, L"-%s", name.GetString());
        else
            Trace(TRACE_TRACE, L"-%s=%s", name.GetString(), value.GetString());
    }
}

CString GetCrtDirArgument()
{
    CString dir;
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n > 0)
    {
        GetCurrentDirectoryW(n, dir.GetBuffer(n));
        dir.ReleaseBuffer();
    }
    CString arg;
    arg.Format(L"-%s:%s", L"crt-dir", dir.GetString());
    return arg;
}

wchar_t* BuildCommandLine(const CStringArray& args, size_t* pcbSize)
{
    std::vector<CString> all;
    all.push_back(GetCrtDirArgument());
    for (const CString& a : args)
        all.push_back(a);
    size_t chars = 1;
    for (const CString& a : all)
        chars += a.GetLength() + 1;
    wchar_t* pBuf = new (std::nothrow) wchar_t[chars];
    if (!pBuf)
        return nullptr;
    wchar_t* p = pBuf;
    for (const CString& a : all)
    {
        wmemcpy(p, a.GetString(), a.GetLength());
        p += a.GetLength();
        *p++ = L'\0';
    }
    *p = L'\0';
    if (pcbSize)
        *pcbSize = chars * sizeof(wchar_t);
    return pBuf;
}

wchar_t* BuildCommandLineFromArgs(size_t* pcbSize)
{
    return BuildCommandLine(ProcessArguments(), pcbSize);
}
