#pragma once
// The part of the msiexec command-line syntax that the setup's own installer runs use:
// /i, /l, /q and public properties (NAME=value), each found anywhere in the line.

#include "classlib/Map.h"
#include "classlib/String.h"

#include <vector>

typedef std::vector<wchar_t> CMsiLetterList;

// Fills the parts of an installer command line. The action becomes "INSTALL" when /i is found
// and is otherwise left as given; the target keeps its braces and quotes; the log file loses its
// surrounding blanks and quotes; letters are upper-cased without blanks; property names are
// upper-cased and the first value of a name wins. Text between quotes never yields a property.
// The second target and the reserved fields are only emptied. True when an action results.
bool ParseMsiCommandLine(const wchar_t* pszCommandLine, CString& rAction, CString& rTarget, bool& rbTargetIsProductCode,
                         CString& rLogFile, CString& rSecondTarget, WORD& rReserved, CMsiLetterList& rReservedLetters,
                         CMsiLetterList& rUiLetters, CMsiLetterList& rLogModeLetters, CMapStringToString& rProperties);

// The product code at the start of the text (braces optional), given out without braces.
bool ExtractGuid(const wchar_t* pszText, CString& rGuid);

// Drops the blanks and quotes around a text; a text without them on both sides stays as it is.
void StripQuotesAndBlanks(CString& rText);
