#!/usr/bin/env python3
"""A small radio station for the tests: MP3 streams and playlists over HTTP on 127.0.0.1.

Usage: streamserver.py DIR [--delay-ms N]
Makes DIR/tone.mp3 (a sine tone encoded by the lame command) unless it is there, listens on a
free port of 127.0.0.1 and prints that port on a line of its own. Runs until it is killed.
--delay-ms N makes the server as slow as a distant one: each new connection waits N ms before
its request is read, and each answer N ms more before its first byte.

Paths (the playlists name the server's own address):
  /stream.mp3, /live, /stream       endless live MP3 stream paced at its bit rate; with the
                                    request header "Icy-MetaData: 1" it carries ICY titles
                                    (StreamTitle, changed with ?title=...&encoding=latin-1;
                                    with &every=N a "{n}" in the title counts up every N
                                    titles sent); /live?id=K counts its requests
  /file.mp3                         the tone once, with a Content-Length
  /cut.mp3?id=K&after=N&times=T     the first T requests of id K are cut after N bytes, the
                                    next ones are the live stream
  /dies.mp3?id=K&after=N            the first request is cut after N bytes, the next get 503
  /count?id=K                       how many requests id K has had (cut, dies, live)
  /missing.mp3, /404                404
  /list.pls /list.m3u /list.asx /list.xspf /ref.asx   playlists of the live stream
  /lists/rel.m3u /lists/rel.pls     relative entries ("../stream.mp3")
  /fallback.pls                     a dead first entry, then the live stream
  /station                          a PLS without file name extension (audio/x-scpls)
  /asx-list                         an XML ASX without file name extension
  /hostile-list, /hostile-mixed     lists without extension whose entries name local things
                                    (the second has the live stream after them)
  /to.pls?url=U, /to?url=U         a PLS whose one entry is U (the second without extension,
                                    so the player reads it itself)
  /page                             an HTML page
  /empty.pls                        an empty playlist
  /hls.m3u8                         an HLS media list (not playable: only looked at)
  /icy-old                          a stream answered with "ICY 200 OK" instead of HTTP/1.x
  /silent.mp3                       answers the headers of a stream, then sends nothing
  /quiet.mp3?db=N                   the live stream of the same tone N dB quieter (default 12)
  /titlesteps?every=N&format=F      endless live stream whose tone steps up by 100 Hz every
                                    second (300 Hz to 1400 Hz, then again: titlesteps.F in DIR;
                                    F mp3, the default, ogg (Vorbis), opus or aac (ADTS)), paced
                                    at the file's rate (4000 bytes a second for mp3); with
                                    "Icy-MetaData: 1" it has a metadata block every second, and
                                    its title "Artiste {k} - Titre {k}" changes every N blocks
                                    (default 3): block j, after j + 1 seconds of audio, names
                                    title j // N + 1
  /steps                            endless live MP3 stream whose tone steps every second
                                    through STEP_FREQUENCIES (300, 400 ... 1200 Hz, then again);
                                    with "Icy-MetaData: 1" its title "Artiste {n} - Titre {n}"
                                    changes every 3 s (?titles=N: every N s)
"""
import math
import os
import struct
import subprocess
import sys
import threading
import time
import wave
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlparse

import lifeline

RATE = 22050
BITRATE = 32  # kbit/s
BYTES_PER_SEC = BITRATE * 1000 // 8
METAINT = 4000
BURST_SECONDS = 2


def make_tone_mp3(folder, name, frequencies, seconds):
    """DIR/name: `seconds` of a sine tone at each of the frequencies in turn, encoded by the
    lame command (made once)."""
    mp3 = os.path.join(folder, name)
    if os.path.exists(mp3):
        return mp3
    wav = mp3 + ".wav"
    with wave.open(wav, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        frames = bytearray()
        phase = 0.0
        for f in frequencies:
            for _ in range(RATE * seconds):
                frames += struct.pack("<h", int(8000 * math.sin(phase)))
                phase += 2 * math.pi * f / RATE
        w.writeframes(bytes(frames))
    subprocess.run(["lame", "--quiet", "-t", "-b", str(BITRATE), "-m", "m", wav, mp3 + ".part"],
                   check=True)
    os.replace(mp3 + ".part", mp3)
    os.remove(wav)
    return mp3


def make_quiet_mp3(folder, db):
    """The tone of make_mp3, db decibels quieter (made once per level, kept in folder)."""
    mp3 = os.path.join(folder, "quiet-%d.mp3" % db)
    if os.path.exists(mp3):
        return mp3
    amplitude = 8000 * 10 ** (-db / 20.0)
    wav = os.path.join(folder, "quiet-%d.wav" % db)
    with wave.open(wav, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(amplitude * math.sin(2 * math.pi * 440 * i / RATE)))
                               for i in range(RATE * 4)))
    subprocess.run(["lame", "--quiet", "-t", "-b", str(BITRATE), "-m", "m", wav, mp3 + ".part"],
                   check=True)
    os.replace(mp3 + ".part", mp3)
    os.remove(wav)
    return mp3


STEP_SECONDS = 12  # titlesteps.*: one tone per second, 300 Hz + 100 Hz × second


TITLESTEPS_TYPES = {"mp3": "audio/mpeg", "ogg": "audio/ogg", "opus": "audio/ogg", "aac": "audio/aac"}


def make_titlesteps(folder, fmt):
    """titlesteps.<fmt>: the stepping tone as MP3 (lame), Ogg Vorbis, Ogg Opus or ADTS AAC (ffmpeg)."""
    out = os.path.join(folder, "titlesteps." + fmt)
    if os.path.exists(out):
        return out
    wav = os.path.join(folder, "titlesteps.wav")
    with wave.open(wav, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        frames = bytearray()
        phase = 0.0
        for i in range(RATE * STEP_SECONDS):
            phase += 2 * math.pi * (300 + 100 * (i // RATE)) / RATE
            frames += struct.pack("<h", int(8000 * math.sin(phase)))
        w.writeframes(bytes(frames))
    if fmt == "mp3":
        subprocess.run(["lame", "--quiet", "-t", "-b", str(BITRATE), "-m", "m", wav, out + ".part"],
                       check=True)
    else:
        codec = {"ogg": "libvorbis", "opus": "libopus", "aac": "aac"}[fmt]
        container = {"ogg": "ogg", "opus": "ogg", "aac": "adts"}[fmt]
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", wav, "-c:a", codec, "-b:a", "%dk" % BITRATE,
                        "-f", container, out + ".part"], check=True)
    os.replace(out + ".part", out)
    os.remove(wav)
    return out
def make_mp3(folder):
    return make_tone_mp3(folder, "tone.mp3", [440], 4)


STEP_FREQUENCIES = [300 + 100 * k for k in range(10)]


def make_steps_mp3(folder):
    """DIR/steps.mp3: one second of each STEP_FREQUENCIES tone, in order."""
    return make_tone_mp3(folder, "steps.mp3", STEP_FREQUENCIES, 1)


def send_titled(handler, data, rate, ctype, station, every):
    """data over and over as a live stream paced at rate bytes a second after the burst; with
    "Icy-MetaData: 1" a metadata block follows each second of it (rate bytes), and its title
    "Artiste {k} - Titre {k}" changes every `every` blocks."""
    icy = handler.headers.get("Icy-MetaData", "0").strip() == "1"
    handler.send_response(200)
    handler.send_header("Content-Type", ctype)
    handler.send_header("icy-name", station)
    if icy:
        handler.send_header("icy-metaint", str(rate))
    handler.end_headers()
    pos = sent = blocks = 0
    until_meta = rate
    start = time.monotonic()
    while True:
        if sent >= rate * (BURST_SECONDS + time.monotonic() - start):
            time.sleep(0.05)
            continue
        n = min(1000, len(data) - pos, until_meta)
        handler.wfile.write(data[pos:pos + n])
        pos = (pos + n) % len(data)
        sent += n
        until_meta -= n
        if until_meta == 0:
            if icy:
                k = blocks // max(1, every) + 1
                text = ("StreamTitle='Artiste %d - Titre %d';" % (k, k)).encode("utf-8")
                text += b"\0" * (-len(text) % 16)
                handler.wfile.write(bytes([len(text) // 16]) + text)
            blocks += 1
            until_meta = rate


class State:
    lock = threading.Lock()
    counts = {}
    mp3 = b""
    folder = "."
    made = {}  # (maker, argument) -> the bytes of the file it made, read once

    @classmethod
    def made_file(cls, make, arg):
        """The bytes of make(folder, arg), made and read on the first request that needs them."""
        with cls.lock:
            if (make, arg) not in cls.made:
                with open(make(cls.folder, arg), "rb") as f:
                    cls.made[(make, arg)] = f.read()
            return cls.made[(make, arg)]

    steps = b""

    @classmethod
    def hit(cls, key):
        with cls.lock:
            cls.counts[key] = cls.counts.get(key, 0) + 1
            return cls.counts[key]

    @classmethod
    def count(cls, key):
        with cls.lock:
            return cls.counts.get(key, 0)


class Handler(BaseHTTPRequestHandler):
    server_version = "TestRadio/1.0"
    delay = 0.0  # seconds, see --delay-ms

    def log_message(self, *args):
        pass

    def setup(self):
        if self.delay:
            time.sleep(self.delay)  # the connection's round trip
        super().setup()

    def base(self):
        return "http://127.0.0.1:%d" % self.server.server_address[1]

    def send_text(self, body, ctype, status=200):
        data = body.encode("utf-8") if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def live(self, cut_after=None, title="Tavilune test", encoding="utf-8", every=0, data=None):
        icy = self.headers.get("Icy-MetaData", "0").strip() == "1"
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        self.send_header("icy-name", "Radio de test")
        if icy:
            self.send_header("icy-metaint", str(METAINT))
        self.end_headers()
        data = data or State.mp3
        pos = 0            # position in the tone
        sent = 0           # audio bytes sent
        until_meta = METAINT
        blocks = 0         # titles sent
        start = time.monotonic()
        while cut_after is None or sent < cut_after:
            # Pace: a burst first, then the bit rate.
            allowed = BYTES_PER_SEC * (BURST_SECONDS + time.monotonic() - start)
            if sent >= allowed:
                time.sleep(0.05)
                continue
            n = min(1000, len(data) - pos, until_meta)
            if cut_after is not None:
                n = min(n, cut_after - sent)
            self.wfile.write(data[pos:pos + n])
            pos = (pos + n) % len(data)
            sent += n
            until_meta -= n
            if until_meta == 0:
                if icy:
                    shown = title.replace("{n}", str(blocks // every + 1)) if every > 0 else title
                    blocks += 1
                    text = ("StreamTitle='%s';" % shown).encode(encoding)
                    text += b"\0" * (-len(text) % 16)
                    self.wfile.write(bytes([len(text) // 16]) + text)
                until_meta = METAINT
        self.wfile.flush()
        self.close_connection = True

    def titlesteps(self, every, fmt):
        """The stepping tone, paced like live(); its ICY title changes every `every` blocks."""
        if fmt not in TITLESTEPS_TYPES:
            self.send_text("unknown format", "text/plain", 404)
            return
        data = State.made_file(make_titlesteps, fmt)
        # Paced at the file's own rate, one block a second (the encoders of Ogg and AAC keep
        # their own rate at this sample rate).
        rate = BYTES_PER_SEC if fmt == "mp3" else max(500, len(data) // STEP_SECONDS)
        send_titled(self, data, rate, TITLESTEPS_TYPES[fmt], "Radio des titres", every)

    def do_GET(self):
        try:
            if self.delay:
                time.sleep(self.delay)  # the request's round trip
            self.route()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def route(self):
        url = urlparse(self.path)
        q = {k: v[0] for k, v in parse_qs(url.query).items()}
        path = url.path
        b = self.base()
        if path in ("/stream.mp3", "/live", "/stream"):
            if path == "/live" and "id" in q:
                State.hit("live:" + q["id"])
            self.live(title=q.get("title", "Tavilune test"), encoding=q.get("encoding", "utf-8"),
                      every=int(q.get("every", "0")))
        elif path == "/quiet.mp3":
            self.live(data=State.made_file(make_quiet_mp3, max(0, min(60, int(q.get("db", "12"))))))
        elif path == "/file.mp3":
            self.send_text(State.mp3, "audio/mpeg")
        elif path == "/cut.mp3":
            n = State.hit("cut:" + q.get("id", ""))
            if n <= int(q.get("times", "1")):
                self.live(cut_after=int(q.get("after", "16000")))
            else:
                self.live()
        elif path == "/dies.mp3":
            n = State.hit("dies:" + q.get("id", ""))
            if n == 1:
                self.live(cut_after=int(q.get("after", "16000")))
            else:
                self.send_text("gone", "text/plain", 503)
        elif path == "/count":
            key = q.get("id", "")
            self.send_text(str(sum(State.count(k + key) for k in ("cut:", "dies:", "live:"))),
                           "text/plain")
        elif path == "/list.pls":
            self.send_text("[playlist]\nNumberOfEntries=1\nFile1=%s/stream.mp3\nTitle1=Test\n"
                           "Length1=-1\nVersion=2\n" % b, "audio/x-scpls")
        elif path == "/station":
            self.send_text("[Playlist]\r\nfile1=%s/live\r\nnumberofentries=1\r\n" % b,
                           "audio/x-scpls")
        elif path == "/list.m3u":
            body = "\ufeff#EXTM3U\r\n#EXTINF:-1,Radio de test\r\n%s/stream.mp3\r\n" % b
            self.send_text(body, "audio/x-mpegurl")
        elif path == "/list.asx":
            body = ("<ASX version=\"3.0\">\r\n  <Title>Radio</Title>\r\n  <Entry>\r\n"
                    "    <Ref HREF = '%s/stream.mp3' />\r\n  </Entry>\r\n</ASX>\r\n" % b)
            self.send_text(body, "video/x-ms-asf")
        elif path == "/ref.asx":
            self.send_text("[Reference]\r\nRef1=%s/stream.mp3\r\n" % b, "video/x-ms-asf")
        elif path == "/list.xspf":
            body = ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n"
                    "  <trackList>\n    <track><location>%s/stream.mp3</location>"
                    "<title>Radio</title></track>\n  </trackList>\n</playlist>\n" % b)
            self.send_text(body, "application/xspf+xml")
        elif path == "/lists/rel.m3u":
            self.send_text("# relative\n../stream.mp3\n", "audio/x-mpegurl")
        elif path == "/lists/rel.pls":
            self.send_text("[playlist]\nFile1=../live\n", "text/plain")
        elif path == "/fallback.pls":
            self.send_text("[playlist]\nFile1=%s/missing.mp3\nFile2=stream.mp3\n" % b,
                           "audio/x-scpls")
        elif path == "/hostile.pls":
            # entries that would point the player at local files and devices
            # (a plain path would be resolved against the list's own web address)
            self.send_text("[playlist]\nFile1=file:///etc/passwd\nFile2=av://lavfi:sine\n"
                           "File3=lavfi://sine\nFile4=FILE:/etc/passwd\n", "audio/x-scpls")
        elif path == "/hostile.m3u":
            self.send_text("file:///etc/passwd\n%s/stream.mp3\n" % b, "audio/x-mpegurl")
        elif path == "/asx-list":
            self.send_text("<asx version=\"3.0\"><entry><ref href=\"%s/stream.mp3\"/></entry></asx>\n" % b,
                           "video/x-ms-asf")
        elif path == "/hostile-list":
            self.send_text("[playlist]\nFile1=file:///etc/passwd\nFile2=av://lavfi:sine\n", "audio/x-scpls")
        elif path == "/hostile-mixed":
            self.send_text("#EXTM3U\nfile:///etc/passwd\n%s/stream.mp3\n" % b, "audio/x-mpegurl")
        elif path in ("/to.pls", "/to"):
            self.send_text("[playlist]\nNumberOfEntries=1\nFile1=%s\n" % q.get("url", ""), "audio/x-scpls")
        elif path == "/page":
            self.send_text("<html><body>Radio</body></html>\n", "text/html")
        elif path == "/empty.pls":
            self.send_text("", "audio/x-scpls")
        elif path == "/hls.m3u8":
            self.send_text("#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n"
                           "#EXTINF:10.0,\nseg0.ts\n", "application/vnd.apple.mpegurl")
        elif path == "/silent.mp3":
            self.send_response(200)
            self.send_header("Content-Type", "audio/mpeg")
            self.end_headers()
            self.wfile.flush()
            time.sleep(30)
        elif path == "/titlesteps":
            self.titlesteps(int(q.get("every", "3")), q.get("format", "mp3"))
        elif path == "/steps":
            send_titled(self, State.steps, BYTES_PER_SEC, "audio/mpeg", "Radio des pas", int(q.get("titles", "3")))
        elif path == "/icy-old":
            self.wfile.write(b"ICY 200 OK\r\nicy-name:Old\r\ncontent-type:audio/mpeg\r\n\r\n")
            self.wfile.write(State.mp3)
            self.close_connection = True
        else:
            self.send_text("not found", "text/plain", 404)


def main():
    lifeline.follow_parent()
    args = sys.argv[1:]
    if "--delay-ms" in args:
        at = args.index("--delay-ms")
        Handler.delay = int(args[at + 1]) / 1000.0
        del args[at:at + 2]
    folder = args[0] if args else "."
    os.makedirs(folder, exist_ok=True)
    State.folder = folder
    with open(make_mp3(folder), "rb") as f:
        State.mp3 = f.read()
    with open(make_steps_mp3(folder), "rb") as f:
        State.steps = f.read()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
