#pragma once
// Folders and files of the tests. Every test works below D:\tests\ (the project drive, the
// build tree's test area); nothing here touches a path outside it.

#include "classlib/String.h"

#include <ostream>
#include <string>
#include <vector>

// Lets gtest print CString values as text.
inline void PrintTo(const CString& s, std::ostream* os)
{
    *os << '"' << s.ToNarrow(CP_UTF8) << '"';
}

// D:\tests\<name>\, emptied and created afresh.
CString FreshTestFolder(const wchar_t* pszName);
// The stand-in USB drive U: (the test area's folder usbdrive), plugged in and emptied; "U:\".
// Tests that use it hold the ctest lock usb_drive.
CString FreshUsbDrive();
// Renames the folder behind U: away, as if the stick were pulled; PlugUsbDrive puts it back.
bool PullUsbDrive();
void PlugUsbDrive();
// The folder of the running test program (the build's bin folder), with a backslash.
CString BinFolder();
bool CopyInto(const wchar_t* pszFile, const CString& folder, const wchar_t* pszNewName = nullptr);
bool WriteTextFile(const CString& path, const std::string& utf8);
// Whole file as UTF-16 (with a BOM) or UTF-8 text; empty when it cannot be read.
CString ReadUtf16File(const CString& path);
CString ReadUtf8File(const CString& path);
std::string ReadBytes(const CString& path);
// Names (without folder) of the files matching the pattern, sorted.
CStringArray ListFiles(const CString& pattern);
bool FileExists(const CString& path);
// A file or a folder (a link counts as what it is, not as its target).
bool PathExistsHere(const CString& path);
// The 8.3 form of an existing path; empty when it has none.
CString ShortPathOf(const CString& path);
// The texts after "<time> <pid> " of a trace log's lines, in order (a blank line gives "").
std::vector<CString> TraceLineTexts(const CString& log);
bool Contains(const CString& text, const wchar_t* pszPart);
// How often the part appears in the text (overlapping appearances count).
int CountOf(const CString& text, const wchar_t* pszPart);
