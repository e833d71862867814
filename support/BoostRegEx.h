#pragma once
// One wide-character regular expression (Perl syntax, case-sensitive) with the text it searches
// and the results of the last search. Never throws: a pattern that does not compile and any
// error of the library during a search give false.
//
// Typical use: Compile, Search (text), GetMatch (1, out) for the first group, SearchNext for the
// following matches.

#include "classlib/String.h"

#include <memory>

class BoostRegEx
{
public:
    // With a pattern, compiles it at once (a failure is written to the debugger output).
    explicit BoostRegEx(const wchar_t* pszPattern = nullptr);
    ~BoostRegEx();
    BoostRegEx(const BoostRegEx&) = delete;
    BoostRegEx& operator=(const BoostRegEx&) = delete;

    // Replaces the expression; the text stays. False for a pattern that does not compile.
    bool Compile(const wchar_t* pszPattern);
    void SetSearchText(const wchar_t* pszText);
    // From the start of the text.
    bool Search(const wchar_t* pszText);
    bool MakeSearch();
    // The match after the previous one; from the start when nothing was searched yet. An empty
    // match moves the next search on by one character, so that a loop always ends.
    bool SearchNext();
    // Index 0 is the whole match, 1 and up the groups. False when the last search found nothing
    // or the index is past the groups; a group that did not take part gives an empty text.
    bool GetMatch(int nIndex, CString& rText) const;
    // Where the last whole match begins in the text; -1 without a match.
    int GetMatchPosition() const;

private:
    struct CImpl;
    std::unique_ptr<CImpl> m_pImpl;
};
