#pragma once
// The test HTTP server (tools/httpserver) that the http_server fixture starts on 127.0.0.1.
// Each test program uses its own tag: the first segment of its paths, under which the server
// logs its requests.

#include "classlib/String.h"

#include <string>
#include <vector>

// The base followed by this process's id: a tag whose log holds this run's requests only, also
// when ctest repeats a test against the same server.
std::string RunTag(const char* pszBase);
// "http://127.0.0.1:<port>/<tag>/<endpoint>"; empty when the server is not running.
std::string ServerUrl(const std::string& tag, const std::string& endpoint);
// "127.0.0.1:<port>" of the server's main port.
std::string ServerAddress();
// Every request of the tag: "<method> <target>", its header lines, a blank line.
CString ReadServerLog(const std::string& tag);
// The distinct targets of the HEAD requests in a log, in the order first asked. WinHTTP may send a
// request again when the server drops the connection without an answer, so tests of which
// sites were probed compare these, not the number of request lines.
std::vector<CString> HeadTargets(const CString& log);
// A new port that acts as an HTTP proxy answering per host ("www.a.test=ok&*=close");
// "127.0.0.1:<port>", empty when the server could not be asked.
std::string NewProxy(const std::string& tag, const std::string& script);
// The body of the plain endpoint, which the encoded endpoints encode.
std::string ServerPayload();
// D:\httpserver\files\: the folder the file/<name> endpoint serves.
CString ServerFilesFolder();
