#include "MsiCommandLine.h"
#include "BoostRegEx.h"

#include <cwctype>

namespace
{
const wchar_t kPropertyExpression[] = L"([\\d\\l\\u\\-_]+)\\s*=\\s*(?:([^\"\\s]+)|(?:\"((?:\"\"|[^\"])+)\"))";
const wchar_t kLogExpression[] = L"/[lL]\\s*([iIwWeEaArRuUcCmMoOpPvVxX\\!\\+\\*\\s]*)\\s+([^\\{\"][^\\s]+|\"[^\"]+\")";
const wchar_t kQuietExpression[] = L"/[qQ]\\s*([nNbBrRfF\\+\\!\\-\\s]*)(\\s|$)";
const wchar_t kInstallExpression[] = L"/[iI]\\s+(\\{?[[:xdigit:]]{8}\\-[[:xdigit:]]{4}\\-[[:xdigit:]]{4}\\-[[:xdigit:]]{4}\\-[[:xdigit:]]{12}\\}?|([^\\{\"][^\\s]+|\"[^\"]+\"))";
const wchar_t kGuidExpression[] = L"^\\s*\\{?([[:xdigit:]]{8}\\-[[:xdigit:]]{4}\\-[[:xdigit:]]{4}\\-[[:xdigit:]]{4}\\-[[:xdigit:]]{12})\\}?";
const wchar_t kQuotesAndBlanksExpression[] = L"[\\s\"]+(.+)[\\s\"]+";

// An odd number of quotes before the position puts it inside quoted text (a doubled quote
// inside a quoted value keeps the count even).
bool IsInsideQuotes(const CString& text, int nPosition)
{
    int quotes = 0;
    for (int i = 0; i < nPosition && i < text.GetLength(); ++i)
    {
        if (text[i] == L'"')
            ++quotes;
    }
    return (quotes % 2) != 0;
}

void AppendLetters(const CString& letters, CMsiLetterList& rList)
{
    for (int i = 0; i < letters.GetLength(); ++i)
    {
        const wchar_t ch = letters[i];
        if (!std::iswspace(ch))
            rList.push_back(static_cast<wchar_t>(std::towupper(ch)));
    }
}

void ParseProperties(BoostRegEx& regex, const CString& commandLine, CMapStringToString& rProperties)
{
    if (!regex.Compile(kPropertyExpression))
        return;
    regex.SetSearchText(commandLine);
    while (regex.SearchNext())
    {
        // A name=value inside a quoted path or value belongs to that text, not to the line.
        if (IsInsideQuotes(commandLine, regex.GetMatchPosition()))
            continue;
        CString name, value;
        regex.GetMatch(1, name);
        regex.GetMatch(2, value);
        if (value.IsEmpty())
            regex.GetMatch(3, value);
        name.MakeUpper();
        if (name.IsEmpty())
            continue;
        CString existing;
        if (!rProperties.Lookup(name, existing))
            rProperties.SetAt(name, value);
    }
}
}

bool ParseMsiCommandLine(const wchar_t* pszCommandLine, CString& rAction, CString& rTarget, bool& rbTargetIsProductCode,
                         CString& rLogFile, CString& rSecondTarget, WORD& rReserved, CMsiLetterList& rReservedLetters,
                         CMsiLetterList& rUiLetters, CMsiLetterList& rLogModeLetters, CMapStringToString& rProperties)
{
    rTarget.Empty();
    rLogFile.Empty();
    rSecondTarget.Empty();
    rReserved = 0;
    rbTargetIsProductCode = false;
    rReservedLetters.clear();
    rUiLetters.clear();
    rLogModeLetters.clear();
    rProperties.RemoveAll();

    const CString commandLine(pszCommandLine);
    BoostRegEx regex;
    ParseProperties(regex, commandLine, rProperties);

    if (regex.Compile(kLogExpression) && regex.Search(commandLine))
    {
        CString modes;
        regex.GetMatch(1, modes);
        regex.GetMatch(2, rLogFile);
        StripQuotesAndBlanks(rLogFile);
        AppendLetters(modes, rLogModeLetters);
    }

    if (regex.Compile(kQuietExpression) && regex.Search(commandLine))
    {
        CString letters;
        regex.GetMatch(1, letters);
        AppendLetters(letters, rUiLetters);
    }

    if (regex.Compile(kInstallExpression) && regex.Search(commandLine))
    {
        regex.GetMatch(1, rTarget);
        CString guid;
        rbTargetIsProductCode = ExtractGuid(rTarget, guid);
        rAction = L"INSTALL";
        return true;
    }
    return !rAction.IsEmpty();
}

bool ExtractGuid(const wchar_t* pszText, CString& rGuid)
{
    BoostRegEx regex(kGuidExpression);
    if (!regex.Search(pszText))
        return false;
    return regex.GetMatch(1, rGuid);
}

void StripQuotesAndBlanks(CString& rText)
{
    BoostRegEx regex(kQuotesAndBlanksExpression);
    CString inner;
    if (!regex.Search(rText) || !regex.GetMatch(1, inner))
        return;
    // The greedy group keeps all but the last of several closing blanks and quotes
    // ("\"C:\\dir\"  " would keep a quote): they go as well.
    inner.TrimRight(L" \t\r\n\"");
    rText = inner;
}
