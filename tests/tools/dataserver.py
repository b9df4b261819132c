#!/usr/bin/env python3
"""A small now-playing data server for the tests: files of a folder over HTTP on 127.0.0.1,
answered in the ways a real server may answer.

Usage: dataserver.py DIR [--station]
Listens on a free port of 127.0.0.1, prints that port on a line of its own and runs until it is
killed. The tests write the pages and covers into DIR while it runs. With --station it first
writes a station of its own: DIR/radio/d_data.html redirecting to DIR/radio/data.html, five
tracks ("Le titre le plus récent" first) and their covers DIR/covers/C1.png ... C5.png, plain
colours (50 k, 200 - 30 k, 120) for entry k.

Paths (NAME is a file path inside DIR, subfolders allowed):
  /f/NAME               the file with its Content-Length (404 when it is missing)
  /slow/MS/NAME         the same after a pause of MS milliseconds
  /chunked/NAME         the file in chunked transfer coding, without Content-Length
  /nolength/NAME        the file without Content-Length, the connection closed at its end
  /badlength/NAME       the file with the Content-Length "12abc"
  /stall/NAME           the Content-Length of the whole file, half the body, then nothing
  /trickle/NAME         the Content-Length of the whole file, one byte every 200 ms
  /big/MB               a body of MB mebibytes of zeros, with its Content-Length
  /redirect/N/NAME      N redirects (302) in a row, then /f/NAME
  /redirect-to?url=U    one redirect to U
  /status/CODE[/...]    that status with a short body and its Content-Length
  /status-endless/CODE[/...]  that status with a body that never ends (no Content-Length)
  /away/SCHEME/...      a redirect to a file:, ftp: or javascript: address (SCHEME names which)
  /short/NAME           the Content-Length of the whole file, half the body, then the end of the connection
  /long/NAME            the Content-Length of half the file, the whole body, then the end of the connection
  /reset/NAME           the Content-Length of the whole file, half the body, then a reset (RST)
  /endless/NAME         no Content-Length, the file over and over until the client goes away
  /endless-length/NAME  a Content-Length of a petabyte, the file over and over
  /loop/NAME            a redirect (302) to itself, for ever
Every request is counted by its path (query left out): /count?path=P answers how many requests
P had; /headers?path=P answers the request headers of P's last request.
"""
import os
import socket
import struct
import sys
import zlib
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlparse

import lifeline

ROOT = "."


class State:
    lock = threading.Lock()
    counts = {}
    headers = {}

    @classmethod
    def hit(cls, path, headers):
        with cls.lock:
            cls.counts[path] = cls.counts.get(path, 0) + 1
            cls.headers[path] = "".join("%s: %s\n" % (k, v) for k, v in headers.items())


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestData/1.0"

    def log_message(self, *args):
        pass

    def answer(self, status, body, headers=()):
        self.send_response(status)
        for k, v in headers:
            self.send_header(k, v)
        self.end_headers()
        if body:
            self.wfile.write(body)

    def plain(self, status, body):
        data = body.encode("utf-8")
        self.answer(status, data, [("Content-Type", "text/plain"), ("Content-Length", str(len(data)))])

    def read_file(self, name):
        path = os.path.normpath(os.path.join(ROOT, name))
        if not path.startswith(os.path.normpath(ROOT) + os.sep) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def do_GET(self):
        try:
            self.route()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def route(self):
        url = urlparse(self.path)
        q = {k: v[0] for k, v in parse_qs(url.query).items()}
        path = url.path
        if path == "/count":
            with State.lock:
                self.plain(200, str(State.counts.get(q.get("path", ""), 0)))
            return
        if path == "/headers":
            with State.lock:
                self.plain(200, State.headers.get(q.get("path", ""), ""))
            return
        State.hit(path, self.headers)
        kind, _, rest = path.lstrip("/").partition("/")
        if kind == "slow":
            ms, _, rest = rest.partition("/")
            time.sleep(int(ms) / 1000.0)
            kind = "f"
        if kind == "big":
            self.big(int(rest))
            return
        if kind == "status":
            code = int(rest.partition("/")[0])
            self.plain(code, "status %d" % code)
            return
        if kind == "status-endless":
            code = int(rest.partition("/")[0])
            self.send_response(code)
            self.send_header("Content-Type", "text/html")
            self.send_header("Connection", "close")
            self.end_headers()
            piece = b"<p>not here</p>\n" * 4096
            deadline = time.time() + 120
            while time.time() < deadline:
                self.wfile.write(piece)
            self.close_connection = True
            return
        if kind == "away":
            scheme = rest.partition("/")[0]
            targets = {"file": "file:///etc/hostname", "ftp": "ftp://127.0.0.1/x", "javascript": "javascript:alert(1)"}
            self.answer(302, b"", [("Location", targets.get(scheme, "/")), ("Content-Length", "0")])
            return
        if kind == "redirect-to":
            self.answer(302, b"", [("Location", q.get("url", "/")), ("Content-Length", "0")])
            return
        if kind == "redirect":
            n, _, name = rest.partition("/")
            target = "/f/" + name if int(n) <= 1 else "/redirect/%d/%s" % (int(n) - 1, name)
            self.answer(302, b"", [("Location", target), ("Content-Length", "0")])
            return
        if kind == "loop":
            self.answer(302, b"", [("Location", path), ("Content-Length", "0")])
            return
        data = self.read_file(rest)
        if data is None:
            self.plain(404, "not found")
            return
        if kind == "f":
            self.answer(200, data, [("Content-Type", "text/html"), ("Content-Length", str(len(data)))])
        elif kind == "chunked":
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for i in range(0, len(data), 100):
                piece = data[i:i + 100]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        elif kind == "nolength":
            self.answer(200, data, [("Connection", "close")])
            self.close_connection = True
        elif kind == "badlength":
            self.answer(200, data, [("Content-Length", "12abc"), ("Connection", "close")])
            self.close_connection = True
        elif kind == "stall":
            self.answer(200, data[:len(data) // 2], [("Content-Length", str(len(data)))])
            self.wfile.flush()
            time.sleep(120)
            self.close_connection = True
        elif kind == "short":
            self.answer(200, data[:len(data) // 2], [("Content-Length", str(len(data))), ("Connection", "close")])
            self.close_connection = True
        elif kind == "long":
            self.answer(200, data, [("Content-Length", str(len(data) // 2)), ("Connection", "close")])
            self.close_connection = True
        elif kind == "reset":
            self.answer(200, data[:len(data) // 2], [("Content-Length", str(len(data)))])
            self.wfile.flush()
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            self.close_connection = True
        elif kind in ("endless", "endless-length"):
            headers = [("Content-Type", "text/html"), ("Connection", "close")]
            if kind == "endless-length":
                headers.append(("Content-Length", str(10 ** 15)))
            self.answer(200, b"", headers)
            piece = (data or b"x") * max(1, 65536 // max(1, len(data)))
            deadline = time.time() + 120
            while time.time() < deadline:
                self.wfile.write(piece)
            self.close_connection = True
        elif kind == "trickle":
            self.answer(200, b"", [("Content-Length", str(len(data)))])
            for i in range(len(data)):
                self.wfile.write(data[i:i + 1])
                self.wfile.flush()
                time.sleep(0.2)
        else:
            self.plain(404, "not found")

    def big(self, mib):
        size = mib * 1024 * 1024
        self.answer(200, b"", [("Content-Type", "application/octet-stream"), ("Content-Length", str(size))])
        block = b"\0" * 65536
        sent = 0
        while sent < size:
            n = min(len(block), size - sent)
            self.wfile.write(block[:n])
            sent += n


def png(rgb, n=48):
    raw = b"".join(b"\0" + bytes(rgb) * n for _ in range(n))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def write_station(root):
    os.makedirs(os.path.join(root, "radio"), exist_ok=True)
    os.makedirs(os.path.join(root, "covers"), exist_ok=True)
    with open(os.path.join(root, "radio", "d_data.html"), "w") as f:
        f.write('<html><head><meta http-equiv="Content-Type" content="text/html; charset=windows-1252">'
                '<meta http-equiv="Expires" content="0"><meta http-equiv="Pragma" content="no-cache">'
                '<meta http-equiv="Cache-Control" content="no-cache"> <meta http-equiv="Refresh" '
                'content="10; url=data.html"><base target="_self"></head></html>\n')
    titles = ["Le titre le plus récent", "Deuxième titre", "Troisième titre", "Quatrième titre",
              "Cinquième titre"]
    s = ["var v%d = %d" % (i, i) for i in range(110)]
    for k in range(1, 6):
        b = 43 + 13 * (k - 1)
        s[16 + 2 * k] = 'parent.imagesPochettesSrc[%d] = "/f/covers/C%d.png"' % (k, k)
        s[b] = 'parent.titresPochettes[%d] = "%s"' % (k, titles[k - 1])
        s[b + 1] = 'parent.albumsPochettes[%d] = "Album %d"' % (k, k)
        s[b + 2] = 'parent.interpretesPochettes[%d] = "Interprète %d"' % (k, k)
        s[b + 8] = 'parent.sortiePochettes[%d] = "20%02d"' % (k, 20 + k)
        s[b + 9] = 'parent.labelPochettes[%d] = "Label %d"' % (k, k)
        with open(os.path.join(root, "covers", "C%d.png" % k), "wb") as f:
            f.write(png((50 * k, 200 - 30 * k, 120)))
    with open(os.path.join(root, "radio", "data.html"), "w", encoding="utf-8") as f:
        f.write(";\n".join(s) + ";\n")


def main():
    global ROOT
    lifeline.follow_parent()
    ROOT = os.path.abspath(sys.argv[1])
    if "--station" in sys.argv[2:]:
        write_station(ROOT)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
