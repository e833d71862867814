#pragma once
// The eight languages of the program's pages, for tests that show a page in each.

#include <windows.h>

struct CPageLanguage
{
    LANGID id;
    const wchar_t* pszName; // for pictures and messages
};

const CPageLanguage kPageLanguages[] = {
    { 1031, L"de-DE" }, { 1033, L"en-US" }, { 1036, L"fr-FR" }, { 1040, L"it-IT" },
    { 1041, L"ja-JP" }, { 1046, L"pt-BR" }, { 2052, L"zh-CN" }, { 3082, L"es-ES" },
};
