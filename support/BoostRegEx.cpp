#include "BoostRegEx.h"

#include <windows.h>

#include <boost/regex.hpp>

#include <exception>
#include <stdexcept>
#include <string>
#include <typeinfo>

struct BoostRegEx::CImpl
{
    std::wstring text;
    size_t searchStart = 0;
    size_t searchEnd = 0;
    boost::wregex expression;
    boost::match_results<std::wstring::const_iterator> results;
    boost::regex_constants::match_flag_type flags = boost::match_perl;
    bool bFirstSearch = true;
    bool bCompiled = false;
    // Whether the results hold a match of the current text.
    bool bMatched = false;
};

BoostRegEx::BoostRegEx(const wchar_t* pszPattern) : m_pImpl(new CImpl)
{
    if (pszPattern && !Compile(pszPattern))
    {
        OutputDebugStringW(L"Could not initialize BoostRegEx instance with regular expression:\n");
        OutputDebugStringW(pszPattern);
        OutputDebugStringW(L"\n");
    }
}

BoostRegEx::~BoostRegEx() = default;

bool BoostRegEx::Compile(const wchar_t* pszPattern)
{
    m_pImpl->flags = boost::match_perl;
    m_pImpl->bCompiled = false;
    if (!pszPattern)
        return false;
    try
    {
        m_pImpl->expression.assign(pszPattern, boost::regex_constants::perl | boost::regex_constants::no_except);
        m_pImpl->bCompiled = m_pImpl->expression.status() == 0;
    }
    catch (const std::exception&)
    {
        // Out of memory while compiling; no_except covers only syntax errors.
        m_pImpl->bCompiled = false;
    }
    return m_pImpl->bCompiled;
}

void BoostRegEx::SetSearchText(const wchar_t* pszText)
{
    m_pImpl->text = pszText ? pszText : L"";
    m_pImpl->searchStart = 0;
    m_pImpl->searchEnd = m_pImpl->text.size();
    m_pImpl->bFirstSearch = true;
    m_pImpl->bMatched = false;
    m_pImpl->results = boost::match_results<std::wstring::const_iterator>();
}

bool BoostRegEx::Search(const wchar_t* pszText)
{
    SetSearchText(pszText);
    // A new search starts at the beginning of the text: the flags of a following search go.
    m_pImpl->flags = boost::match_perl;
    return MakeSearch();
}

bool BoostRegEx::MakeSearch()
{
    CImpl& d = *m_pImpl;
    d.bFirstSearch = false;
    d.bMatched = false;
    if (!d.bCompiled || d.searchStart > d.searchEnd)
        return false;
    try
    {
        d.bMatched = boost::regex_search(d.text.cbegin() + d.searchStart, d.text.cbegin() + d.searchEnd, d.results,
                                         d.expression, d.flags);
    }
    catch (const std::runtime_error& e)
    {
        std::string message = std::string("Caught runtime error ") + e.what() + " of type <" + typeid(e).name() +
                              "> in BoostRegEx::MakeSearch()\n";
        OutputDebugStringA(message.c_str());
        d.bMatched = false;
    }
    catch (const std::exception&)
    {
        OutputDebugStringA("Caught exception in BoostRegEx::MakeSearch()\n");
        d.bMatched = false;
    }
    return d.bMatched;
}

bool BoostRegEx::SearchNext()
{
    CImpl& d = *m_pImpl;
    if (!d.bFirstSearch)
    {
        if (!d.bMatched)
            return false; // the previous search found nothing: there is no next match
        const size_t matchStart = static_cast<size_t>(d.results[0].first - d.text.cbegin());
        const size_t matchEnd = static_cast<size_t>(d.results[0].second - d.text.cbegin());
        d.searchStart = matchEnd;
        if (matchEnd == matchStart)
        {
            if (matchEnd >= d.searchEnd)
            {
                d.bMatched = false;
                return false;
            }
            ++d.searchStart;
        }
        d.flags |= boost::match_prev_avail | boost::match_not_bob;
    }
    return MakeSearch();
}

bool BoostRegEx::GetMatch(int nIndex, CString& rText) const
{
    const CImpl& d = *m_pImpl;
    if (!d.bMatched || nIndex < 0 || static_cast<size_t>(nIndex) >= d.results.size())
        return false;
    const auto& sub = d.results[nIndex];
    rText = sub.matched ? CString(std::wstring(sub.first, sub.second)) : CString();
    return true;
}

int BoostRegEx::GetMatchPosition() const
{
    const CImpl& d = *m_pImpl;
    if (!d.bMatched)
        return -1;
    return static_cast<int>(d.results[0].first - d.text.cbegin());
}
