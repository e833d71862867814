#pragma once
// UTF-8 conversions and the URL encoding of query values.

#include "classlib/String.h"

#include <string>

enum EUtf8Result
{
    UTF8_CONVERSION_OK = 0,
    UTF8_SOURCE_EXHAUSTED = 1,
    UTF8_TARGET_EXHAUSTED = 2,
    UTF8_SOURCE_ILLEGAL = 3
};

// Decodes UTF-8 into at most targetChars UTF-16 units (no terminator is written). A malformed
// sequence becomes U+FFFD and decoding goes on (the result then says UTF8_SOURCE_ILLEGAL); a
// sequence cut off at the end stops with UTF8_SOURCE_EXHAUSTED. Strict mode also refuses code
// points above U+10FFFF and encoded surrogates (lenient mode turns them into U+FFFD quietly).
EUtf8Result Utf8ToWide(const char* pSource, size_t sourceBytes, wchar_t* pTarget, size_t targetChars,
                       size_t& rWritten, bool bLenient);
void Utf8StringToCString(CString& rText, const std::string& utf8);
// A query value: letters, digits and "-._~" as they are, everything else (the blank too) as %XX
// of its UTF-8 bytes; a surrogate pair is one 4-byte sequence, a lone surrogate U+FFFD.
CString UrlEncode(const wchar_t* pszText);
