#!/usr/bin/env python3
"""HTTP server for the download tests (standard library only).

Listens on 127.0.0.1 with a free port and writes into its state folder:
  port.txt, pid.txt   where it listens and who it is
  log/<tag>.log       every request of that tag: "<method> <target>", its header lines, a blank line
A request's tag is the first segment of its path (/<tag>/<endpoint>?...); a proxy port's tag is
the one it was made with. The server ends by itself after --lifetime seconds.

Endpoints send their encodings unasked:
  plain gzip zlib rawdeflate lowercase twoencodings combined br   the payload, encoded so
  empty?enc=gzip|deflate|none                                  an empty body
  chunked                                                      the payload in chunks, no length
  short                                                        half of the announced length
  gziptrail                                                    gzip with bytes after it
  zlibcut gzipcut                                              a whole body of a cut stream
  stallhead?secs=N   stallbody?secs=N                          silence before / in the body
  stream?secs=N[&chunked=1]                                    a body of 4000000000 bytes sent as fast
                                                               as the client reads, for N seconds
                                                               (chunked: no length, no end)
  bomb?mib=N[&chunked=1]                                       gzip of N MiB of zeros, sent encoded
  past4g                                                       the payload under a Content-Length of
                                                               4 GiB more than its size
  redirect?code=301|302&to=URL    status?code=N                that status
  headers                                                      repeated and empty header values
  file/<name>[?gzip=1]                                         a file of the fixture folder (<name>.gz
                                                               sent gzip-encoded)
  newproxy?<host>=<answer>&...&*=<answer>                      a new port acting as an HTTP proxy;
        answers ok, 302, 404, 500, close (no answer), hang (30 s, hang<N> N seconds), serve (the
        path of the absolute URI answered as the main port answers it); the body is its port
A waiting or streaming answer logs "ENDED <target>" to its tag's log when its time is up (a stream
whose client went logs "GONE <target> after <n> bytes" instead), so a test can tell that its client
gave up first. Every answer ends within 120 seconds.
The payload is the lines "line 0\n" to "line 4999\n".
"""
import argparse
import gzip
import os
import shutil
import signal
import socket
import socketserver
import struct
import sys
import threading
import time
import urllib.parse
import zlib

PAYLOAD = b"".join(b"line %d\n" % i for i in range(5000))
LOG_LOCK = threading.Lock()
MAX_WAIT = 120.0
STREAM_LENGTH = 4000000000


def log_line(state, tag, line):
    safe = "".join(c for c in tag if c.isalnum() or c in "-_") or "_"
    with LOG_LOCK:
        with open(os.path.join(state, "log", safe + ".log"), "a", encoding="utf-8") as f:
            f.write(line + "\n")


def wait_secs(q, default):
    return min(float(q.get("secs", default)), MAX_WAIT)


def log_request(state, tag, method, target, headers):
    safe = "".join(c for c in tag if c.isalnum() or c in "-_") or "_"
    lines = ["%s %s" % (method, target)] + ["%s: %s" % (k, v) for k, v in headers] + ["", ""]
    with LOG_LOCK:
        with open(os.path.join(state, "log", safe + ".log"), "a", encoding="utf-8") as f:
            f.write("\n".join(lines))


def read_request(rfile):
    """The request line and header lines; None when the client sent nothing."""
    line = rfile.readline(65537)
    if not line:
        return None
    parts = line.decode("latin-1").rstrip("\r\n").split(" ")
    if len(parts) < 3:
        return None
    headers = []
    while True:
        h = rfile.readline(65537)
        if not h or h in (b"\r\n", b"\n"):
            break
        name, _, value = h.decode("latin-1").rstrip("\r\n").partition(":")
        headers.append((name, value.strip()))
    length = next((int(v) for k, v in headers if k.lower() == "content-length"), 0)
    if length:
        rfile.read(length)
    return parts[0], parts[1], headers


def response(status, headers, body=b"", length=True):
    reason = {200: "OK", 301: "Moved Permanently", 302: "Found", 404: "Not Found", 500: "Internal Server Error"}
    head = ["HTTP/1.1 %d %s" % (status, reason.get(status, "Status"))] + ["%s: %s" % h for h in headers]
    if length:
        head.append("Content-Length: %d" % len(body))
    head.append("Connection: close")
    return ("\r\n".join(head) + "\r\n\r\n").encode("latin-1") + body


def zero_bomb(mib):
    """gzip of mib MiB of zeros, about a thousandth of that on the wire. Each MiB is deflated
    after a full flush, so its compressed form repeats and a GiB takes no time to make."""
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    zeros = bytes(1 << 20)
    first = c.compress(zeros) + c.flush(zlib.Z_FULL_FLUSH)
    again = c.compress(zeros) + c.flush(zlib.Z_FULL_FLUSH)
    end = c.flush()
    crc = 0
    for _ in range(mib):
        crc = zlib.crc32(zeros, crc)
    head = b"\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\xff"
    return head + first + again * (mib - 1) + end + struct.pack("<II", crc, (mib << 20) & 0xFFFFFFFF)


def raw_deflate(data):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


class Handler(socketserver.StreamRequestHandler):
    """The main port: /<tag>/<endpoint>."""

    def handle(self):
        req = read_request(self.rfile)
        if req is None:
            return
        method, target, headers = req
        url = urllib.parse.urlsplit(target)
        segments = url.path.lstrip("/").split("/", 1)
        tag = segments[0]
        endpoint = segments[1] if len(segments) > 1 else ""
        log_request(self.server.state, tag, method, target, headers)
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        self.target = target
        self.answer(method, endpoint, query, tag)

    def ended(self, tag):
        log_line(self.server.state, tag, "ENDED %s" % self.target)

    def stream(self, secs, tag, chunked=False):
        """Sends blocks as fast as the client takes them, until it goes or the time is up."""
        block = b"s" * 65536
        if chunked:
            block = b"%x\r\n%s\r\n" % (len(block), block)
        deadline = time.time() + secs
        sent = 0
        try:
            while time.time() < deadline and (chunked or sent + len(block) <= STREAM_LENGTH):
                self.wfile.write(block)
                sent += len(block)
        except OSError:
            log_line(self.server.state, tag, "GONE %s after %d bytes" % (self.target, sent))
            return
        self.ended(tag)

    def send(self, data):
        self.wfile.write(data)
        self.wfile.flush()

    def answer(self, method, endpoint, q, tag):
        head_only = method == "HEAD"
        simple = {
            "plain": ([], PAYLOAD),
            "gzip": ([("Content-Encoding", "gzip")], gzip.compress(PAYLOAD)),
            "zlib": ([("Content-Encoding", "deflate")], zlib.compress(PAYLOAD)),
            "rawdeflate": ([("Content-Encoding", "deflate")], raw_deflate(PAYLOAD)),
            "lowercase": ([("content-encoding", "gzip")], gzip.compress(PAYLOAD)),
            "twoencodings": ([("Content-Encoding", "gzip"), ("Content-Encoding", "deflate")], zlib.compress(PAYLOAD)),
            "combined": ([("Content-Encoding", "gzip, deflate")], gzip.compress(PAYLOAD)),
            "br": ([("Content-Encoding", "br")], b"\x0b\x02\x80brotli-ish"),
            "zlibcut": ([("Content-Encoding", "deflate")], zlib.compress(PAYLOAD)[:-40]),
            "gzipcut": ([("Content-Encoding", "gzip")], gzip.compress(PAYLOAD)[:-40]),
            "gziptrail": ([("Content-Encoding", "gzip")], gzip.compress(PAYLOAD) + b"trailing bytes"),
            "headers": ([("X-Repeated", "one"), ("X-Repeated", "two"), ("X-Empty", "")], b"headers"),
        }
        if endpoint in simple:
            hdrs, body = simple[endpoint]
            data = response(200, [("Content-Type", "application/octet-stream")] + hdrs, body)
            if head_only:
                data = data[: len(data) - len(body)]
            self.send(data)
        elif endpoint == "empty":
            enc = {"gzip": [("Content-Encoding", "gzip")], "deflate": [("Content-Encoding", "deflate")]}
            self.send(response(200, enc.get(q.get("enc"), []), b""))
        elif endpoint == "chunked":
            self.send(response(200, [("Transfer-Encoding", "chunked")], length=False))
            for i in range(0, len(PAYLOAD), 7000):
                part = PAYLOAD[i:i + 7000]
                self.send(b"%x\r\n%s\r\n" % (len(part), part))
            self.send(b"0\r\n\r\n")
        elif endpoint == "short":
            data = response(200, [], PAYLOAD)
            self.send(data[: len(data) - len(PAYLOAD) // 2])
        elif endpoint == "stallhead":
            time.sleep(wait_secs(q, "30"))
            self.ended(tag)
        elif endpoint == "stallbody":
            data = response(200, [], PAYLOAD)
            self.send(data[: len(data) - len(PAYLOAD) // 2])
            time.sleep(wait_secs(q, "30"))
            self.ended(tag)
        elif endpoint == "stream":
            if q.get("chunked"):
                self.send(response(200, [("Transfer-Encoding", "chunked")], length=False))
                self.stream(wait_secs(q, "30"), tag, chunked=True)
            else:
                self.send(response(200, [("Content-Length", str(STREAM_LENGTH))], length=False))
                self.stream(wait_secs(q, "30"), tag)
        elif endpoint == "bomb":
            body = zero_bomb(int(q.get("mib", "1")))
            if q.get("chunked"):
                self.send(response(200, [("Content-Encoding", "gzip"), ("Transfer-Encoding", "chunked")], length=False))
                for i in range(0, len(body), 65536):
                    part = body[i:i + 65536]
                    self.send(b"%x\r\n%s\r\n" % (len(part), part))
                self.send(b"0\r\n\r\n")
            else:
                self.send(response(200, [("Content-Encoding", "gzip")], body))
        elif endpoint == "past4g":
            data = response(200, [("Content-Length", str((1 << 32) + len(PAYLOAD)))], length=False)
            self.send(data + PAYLOAD)
        elif endpoint == "redirect":
            self.send(response(int(q.get("code", "302")), [("Location", q.get("to", "/%s/plain" % tag))], b"moved"))
        elif endpoint == "status":
            code = int(q.get("code", "404"))
            self.send(response(code, [], b"status %d" % code))
        elif endpoint.startswith("file/"):
            # ?gzip=1 sends <name>.gz as a gzip-encoded body.
            name = os.path.basename(endpoint[5:]) + (".gz" if q.get("gzip") else "")
            path = os.path.join(self.server.fixtures or "", name)
            if self.server.fixtures and name and os.path.isfile(path):
                hdrs = [("Content-Type", "application/octet-stream"), ("Content-Length", str(os.path.getsize(path)))]
                if q.get("gzip"):
                    hdrs.append(("Content-Encoding", "gzip"))
                self.send(response(200, hdrs, length=False))
                if not head_only:
                    with open(path, "rb") as f:
                        shutil.copyfileobj(f, self.wfile, 1 << 20)
            else:
                self.send(response(404, [], b"no such file"))
        elif endpoint == "newproxy":
            port = start_proxy(self.server, tag, q)
            self.send(response(200, [], str(port).encode()))
        else:
            self.send(response(404, [], b"unknown endpoint"))


class ProxyHandler(Handler):
    """A proxy port: answers absolute URIs by their host, as scripted when the port was made."""

    def handle(self):
        req = read_request(self.rfile)
        if req is None:
            return
        method, target, headers = req
        log_request(self.server.state, self.server.tag, method, target, headers)
        self.target = target
        # Wine's WinHTTP sends a path without the host when the proxy's name is the host's own
        # (127.0.0.1 for both): the Host header names it then.
        host = urllib.parse.urlsplit(target).hostname
        if not host:
            host_header = next((v for k, v in headers if k.lower() == "host"), "")
            host = urllib.parse.urlsplit("//" + host_header).hostname or ""
        answer = self.server.script.get(host, self.server.script.get("*", "close"))
        if answer == "serve":
            url = urllib.parse.urlsplit(target)
            segments = url.path.lstrip("/").split("/", 1)
            query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
            self.answer(method, segments[1] if len(segments) > 1 else "", query, segments[0])
        elif answer.startswith("hang"):
            time.sleep(min(float(answer[4:] or "30"), MAX_WAIT))
            self.ended(self.server.tag)
        elif answer == "ok":
            self.wfile.write(response(200, [], b"" if method == "HEAD" else b"proxied"))
        elif answer.isdigit():
            extra = [("Location", "http://elsewhere.invalid/")] if answer.startswith("3") else []
            self.wfile.write(response(int(answer), extra, b""))
        # "close": no answer at all


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def start_proxy(main, tag, script):
    proxy = Server(("127.0.0.1", 0), ProxyHandler)
    proxy.state, proxy.tag, proxy.script, proxy.fixtures = main.state, tag, script, main.fixtures
    threading.Thread(target=proxy.serve_forever, daemon=True).start()
    return proxy.server_address[1]


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--state-dir", required=True)
    p.add_argument("--fixtures")
    p.add_argument("--lifetime", type=float, default=3600)
    p.add_argument("--daemon", action="store_true")
    p.add_argument("--stop", action="store_true")
    a = p.parse_args()
    state = os.path.abspath(a.state_dir)
    if a.stop:
        try:
            with open(os.path.join(state, "pid.txt")) as f:
                os.kill(int(f.read()), signal.SIGTERM)
        except (OSError, ValueError):
            pass
        return 0
    os.makedirs(os.path.join(state, "log"), exist_ok=True)
    for name in ("port.txt", "pid.txt"):
        if os.path.exists(os.path.join(state, name)):
            os.remove(os.path.join(state, name))
    for name in os.listdir(os.path.join(state, "log")):
        os.remove(os.path.join(state, "log", name))
    if a.daemon:
        if os.fork() > 0:
            deadline = time.time() + 20
            while time.time() < deadline and not os.path.exists(os.path.join(state, "port.txt")):
                time.sleep(0.05)
            return 0 if os.path.exists(os.path.join(state, "port.txt")) else 1
        os.setsid()
        if os.fork() > 0:
            os._exit(0)
        null = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(null, fd)
    server = Server(("127.0.0.1", 0), Handler)
    server.state, server.fixtures = state, a.fixtures
    threading.Timer(a.lifetime, lambda: os._exit(0)).start()
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    with open(os.path.join(state, "pid.txt"), "w") as f:
        f.write(str(os.getpid()))
    tmp = os.path.join(state, "port.tmp")
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(tmp, os.path.join(state, "port.txt"))
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
