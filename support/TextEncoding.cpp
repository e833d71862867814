#include "TextEncoding.h"

#include <cstdint>
#include <vector>

namespace
{
const wchar_t kReplacement = 0xFFFD;

// The unreserved characters of a URI: a server reads them the same, escaped or not. Everything
// else is escaped, the blank too ("+" would stay a plus for a server that does not read forms).
bool IsUnreserved(wchar_t ch)
{
    return (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z') || (ch >= L'0' && ch <= L'9') ||
           (ch != 0 && wcschr(L"-._~", ch) != nullptr);
}

void AppendEscapedUtf8(CString& rOut, uint32_t cp)
{
    unsigned char bytes[4];
    int n = 0;
    if (cp < 0x80)
        bytes[n++] = static_cast<unsigned char>(cp);
    else if (cp < 0x800)
    {
        bytes[n++] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        bytes[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    }
    else if (cp < 0x10000)
    {
        bytes[n++] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        bytes[n++] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    }
    else
    {
        bytes[n++] = static_cast<unsigned char>(0xF0 | (cp >> 18));
        bytes[n++] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
        bytes[n++] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    }
    for (int i = 0; i < n; ++i)
        rOut.AppendFormat(L"%%%02X", bytes[i]);
}

int TrailingBytes(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 2;
    if (lead >= 0xF0 && lead <= 0xF7)
        return 3;
    return 0;
}
}

EUtf8Result Utf8ToWide(const char* pSource, size_t sourceBytes, wchar_t* pTarget, size_t targetChars,
                       size_t& rWritten, bool bLenient)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(pSource);
    EUtf8Result result = UTF8_CONVERSION_OK;
    size_t out = 0;
    size_t i = 0;
    auto finish = [&](EUtf8Result r) {
        rWritten = out;
        return r;
    };
    while (i < sourceBytes)
    {
        const unsigned char lead = s[i];
        uint32_t cp = lead;
        size_t used = 1;
        bool replace = false;
        if (lead >= 0x80)
        {
            const int trail = TrailingBytes(lead);
            // Overlong three- and four-byte forms show in the second byte.
            const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
            cp = lead & (0x3F >> trail);
            int k = 1;
            for (; k <= trail; ++k)
            {
                if (i + k >= sourceBytes)
                    return finish(UTF8_SOURCE_EXHAUSTED);
                const unsigned char c = s[i + k];
                if (c < (k == 1 ? low : 0x80) || c > 0xBF)
                    break;
                cp = (cp << 6) | (c & 0x3F);
            }
            used = k;
            if (trail == 0 || k <= trail)
            {
                // The lead and the continuation bytes that fitted it make one replacement.
                result = UTF8_SOURCE_ILLEGAL;
                replace = true;
            }
            else if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            {
                if (!bLenient)
                    result = UTF8_SOURCE_ILLEGAL;
                replace = true;
            }
        }
        if (replace)
            cp = kReplacement;
        const size_t units = cp > 0xFFFF ? 2 : 1;
        if (out + units > targetChars)
            return finish(UTF8_TARGET_EXHAUSTED);
        if (units == 2)
        {
            pTarget[out++] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            pTarget[out++] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        else
            pTarget[out++] = static_cast<wchar_t>(cp);
        i += used;
    }
    return finish(result);
}

void Utf8StringToCString(CString& rText, const std::string& utf8)
{
    std::vector<wchar_t> buffer(utf8.size() + 1, L'\0');
    size_t written = 0;
    Utf8ToWide(utf8.data(), utf8.size(), buffer.data(), utf8.size(), written, false);
    buffer[written] = L'\0';
    rText = buffer.data();
}

CString UrlEncode(const wchar_t* pszText)
{
    const CString text(pszText ? pszText : L"");
    CString out;
    for (int i = 0; i < text.GetLength(); ++i)
    {
        const wchar_t ch = text[i];
        if (IsUnreserved(ch))
            out += ch;
        else if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < text.GetLength() && text[i + 1] >= 0xDC00 &&
                 text[i + 1] <= 0xDFFF)
        {
            AppendEscapedUtf8(out, 0x10000 + ((static_cast<uint32_t>(ch) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        }
        else if (ch >= 0xD800 && ch <= 0xDFFF)
            AppendEscapedUtf8(out, kReplacement); // a lone surrogate has no UTF-8 form
        else
            AppendEscapedUtf8(out, ch);
    }
    return out;
}
