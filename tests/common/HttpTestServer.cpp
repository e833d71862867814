#include "HttpTestServer.h"
#include "TestArea.h"

#include <winsock2.h>

#include <algorithm>

namespace
{
const wchar_t kStateFolder[] = L"D:\\httpserver\\";

std::string Port()
{
    std::string port = ReadBytes(CString(kStateFolder) + L"port.txt");
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r'))
        port.pop_back();
    return port;
}

// One GET over a plain socket, so that setting up a test does not go through the client under test.
std::string RawGet(const std::string& target)
{
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return std::string();
    std::string reply;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(atoi(Port().c_str())));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s != INVALID_SOCKET && connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0)
    {
        const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        send(s, request.data(), static_cast<int>(request.size()), 0);
        char buf[4096];
        int n;
        while ((n = recv(s, buf, sizeof(buf), 0)) > 0)
            reply.append(buf, n);
    }
    if (s != INVALID_SOCKET)
        closesocket(s);
    WSACleanup();
    const size_t body = reply.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : reply.substr(body + 4);
}
}

std::string RunTag(const char* pszBase)
{
    return std::string(pszBase) + "-" + std::to_string(GetCurrentProcessId());
}

std::string ServerAddress()
{
    const std::string port = Port();
    return port.empty() ? std::string() : "127.0.0.1:" + port;
}

std::string ServerUrl(const std::string& tag, const std::string& endpoint)
{
    const std::string address = ServerAddress();
    return address.empty() ? std::string() : "http://" + address + "/" + tag + "/" + endpoint;
}

CString ReadServerLog(const std::string& tag)
{
    return ReadUtf8File(CString(kStateFolder) + L"log\\" + CString::FromNarrow(tag) + L".log");
}

std::vector<CString> HeadTargets(const CString& log)
{
    std::vector<CString> targets;
    for (int at = log.Find(L"HEAD "); at >= 0; at = log.Find(L"HEAD ", at + 1))
    {
        if (at > 0 && log[at - 1] != L'\n')
            continue;
        const int end = log.Find(L' ', at + 5);
        const CString target = end < 0 ? log.Mid(at + 5) : log.Mid(at + 5, end - at - 5);
        if (std::find(targets.begin(), targets.end(), target) == targets.end())
            targets.push_back(target);
    }
    return targets;
}

std::string NewProxy(const std::string& tag, const std::string& script)
{
    const std::string port = RawGet("/" + tag + "/newproxy?" + script);
    return port.empty() ? std::string() : "127.0.0.1:" + port;
}

std::string ServerPayload()
{
    std::string payload;
    for (int i = 0; i < 5000; ++i)
        payload += "line " + std::to_string(i) + "\n";
    return payload;
}

CString ServerFilesFolder()
{
    return CString(kStateFolder) + L"files\\";
}
