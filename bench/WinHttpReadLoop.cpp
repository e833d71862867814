// The platform's ceiling for the setup downloader: the smallest program that fetches a URL with
// WinHTTP and writes the body, as sent, to a file. Prints the seconds from the request to the last
// byte and the bytes written: WinHttpReadLoop.exe <url> <target file>
#include "classlib/WinHttpHandle.h"

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    wchar_t host[256], path[2048];
    URL_COMPONENTS url = { sizeof(url) };
    url.lpszHostName = host;
    url.dwHostNameLength = 256;
    url.lpszUrlPath = path;
    url.dwUrlPathLength = 2048;
    url.dwSchemeLength = 1;
    url.dwExtraInfoLength = 1;
    if (!WinHttpCrackUrl(argv[1], 0, 0, &url))
        return 1;
    if (url.dwExtraInfoLength > 0 && url.dwUrlPathLength + url.dwExtraInfoLength < 2048)
        wcsncat(path, url.lpszExtraInfo, url.dwExtraInfoLength);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    CScopedWinHttpHandle session(
        WinHttpOpen(L"WinHttpReadLoop", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    CScopedWinHttpHandle connection(session ? WinHttpConnect(session.Get(), host, url.nPort, 0) : nullptr);
    CScopedWinHttpHandle request(connection ? WinHttpOpenRequest(connection.Get(), L"GET", path, nullptr, WINHTTP_NO_REFERER,
                                                                 WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                            : nullptr);
    CScopedFileHandle file(CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool ok = request && file &&
              WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
              WinHttpReceiveResponse(request.Get(), nullptr);
    unsigned long long bytes = 0;
    std::vector<char> buffer(256 * 1024);
    for (DWORD read = 0; ok; bytes += read)
    {
        DWORD written;
        ok = WinHttpReadData(request.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read) &&
             WriteFile(file.Get(), buffer.data(), read, &written, nullptr);
        if (read == 0)
            break;
    }
    QueryPerformanceCounter(&end);
    printf("ok=%d seconds=%.3f bytes=%llu\n", ok ? 1 : 0, static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart, bytes);
    return ok ? 0 : 1;
}
