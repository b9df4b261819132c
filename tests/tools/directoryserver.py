#!/usr/bin/env python3
"""A local stand-in for the public radio directory, for the tests: its JSON search endpoint and
click endpoint on 127.0.0.1, answering from a file the test writes.

Usage: directoryserver.py DIR [--status CODE] [--big MB] [--garbage] [--slow MS]
Listens on a free port of 127.0.0.1, prints that port on a line of its own and runs until it is
killed.

Paths:
  /json/stations/search   the entries of DIR/stations.json (a JSON array) whose name, country,
                          language and tags hold the name, country, language and tag
                          parameters (letter case ignored), in the file's order, at most
                          "limit" of them. With --status every search answers CODE; with --big
                          a valid JSON array of MB mebibytes; with --garbage a text that is not
                          JSON; with --slow the answer comes MS milliseconds late.
  /json/url/UUID          counts a click of UUID, answers {"ok": true, ...}
  /f/NAME                 the file DIR/NAME (logos)
  /pls?url=U              a PLS playlist whose one entry is U
  /count?path=P           how many requests path P had (query left out)
  /log                    every request so far, one line each: path?query TAB User-Agent
"""
import json
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlparse

import lifeline

ROOT = "."
MODE = {"status": 0, "big": 0, "garbage": False, "slow": 0}


class State:
    lock = threading.Lock()
    counts = {}
    log = []

    @classmethod
    def hit(cls, path, line):
        with cls.lock:
            cls.counts[path] = cls.counts.get(path, 0) + 1
            cls.log.append(line)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestDirectory/1.0"

    def log_message(self, *args):
        pass

    def answer(self, status, body, ctype="application/json"):
        if isinstance(body, str):
            body = body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        try:
            self.route()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def route(self):
        url = urlparse(self.path)
        q = {k: v[0] for k, v in parse_qs(url.query).items()}
        path = url.path
        if path not in ("/count", "/log"):
            State.hit(path, "%s\t%s" % (self.path, self.headers.get("User-Agent", "")))
        if path == "/json/stations/search":
            self.search(q)
        elif path.startswith("/json/url/"):
            uuid = path[len("/json/url/"):]
            self.answer(200, json.dumps({"ok": True, "message": "retrieved station url",
                                         "stationuuid": uuid, "name": "", "url": ""}))
        elif path.startswith("/f/"):
            name = os.path.normpath(path[3:]).lstrip("/")
            full = os.path.join(ROOT, name)
            if name.startswith("..") or not os.path.isfile(full):
                self.answer(404, "missing", "text/plain")
                return
            with open(full, "rb") as f:
                self.answer(200, f.read(), "application/octet-stream")
        elif path == "/pls":
            self.answer(200, "[playlist]\nNumberOfEntries=1\nFile1=%s\n" % q.get("url", ""),
                        "audio/x-scpls")
        elif path == "/count":
            with State.lock:
                self.answer(200, str(State.counts.get(q.get("path", ""), 0)), "text/plain")
        elif path == "/log":
            with State.lock:
                self.answer(200, "\n".join(State.log) + "\n", "text/plain")
        else:
            self.answer(404, "missing", "text/plain")

    def search(self, q):
        if MODE["slow"]:
            time.sleep(MODE["slow"] / 1000.0)
        if MODE["status"]:
            self.answer(MODE["status"], "{\"error\": \"down\"}")
            return
        if MODE["garbage"]:
            self.answer(200, "<html>maintenance</html>", "text/html")
            return
        if MODE["big"]:
            entry = json.dumps({"name": "x" * 900, "url": "http://127.0.0.1/x"})
            count = MODE["big"] * 1024 * 1024 // (len(entry) + 1) + 1
            self.answer(200, "[" + ",".join([entry] * count) + "]")
            return
        try:
            with open(os.path.join(ROOT, "stations.json"), encoding="utf-8") as f:
                entries = json.load(f)
        except (OSError, ValueError):
            entries = []

        def holds(entry, key, param):
            want = q.get(param, "").lower()
            return not want or want in str(entry.get(key, "")).lower()

        found = [e for e in entries if isinstance(e, dict) and holds(e, "name", "name")
                 and holds(e, "country", "country") and holds(e, "language", "language")
                 and holds(e, "tags", "tag")]
        found += [e for e in entries if not isinstance(e, dict)]
        limit = int(q.get("limit", "100000"))
        self.answer(200, json.dumps(found[:limit]))


def main():
    global ROOT
    lifeline.follow_parent()
    ROOT = sys.argv[1]
    args = sys.argv[2:]
    for i, a in enumerate(args):
        if a == "--status":
            MODE["status"] = int(args[i + 1])
        elif a == "--big":
            MODE["big"] = int(args[i + 1])
        elif a == "--slow":
            MODE["slow"] = int(args[i + 1])
        elif a == "--garbage":
            MODE["garbage"] = True
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
