#!/usr/bin/env python3
"""A small TV channel for the tests: a generated video over HTTP on 127.0.0.1.

Usage: videoserver.py DIR
Makes, with the ffmpeg command, a 20-second clip of a moving test picture (320x240, H.264) with
a 440 Hz tone (AAC) unless it is there: DIR/clip.ts (MPEG-TS), DIR/clip.mp4 (MP4, index first)
and DIR/hls/index.m3u8 with its segments. Listens on a free port of 127.0.0.1, prints that port
on a line of its own and serves DIR's files until it is killed.
"""
import functools
import os
import subprocess
import sys
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer

import lifeline

SOURCES = ["-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=20",
           "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=20"]
CODECS = ["-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g", "25",
          "-c:a", "aac", "-b:a", "64k", "-shortest"]


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", *SOURCES, *CODECS, *args],
                   check=True)


def make_clips(folder):
    ts = os.path.join(folder, "clip.ts")
    if not os.path.exists(ts):
        ffmpeg("-f", "mpegts", ts)
    mp4 = os.path.join(folder, "clip.mp4")
    if not os.path.exists(mp4):
        ffmpeg("-movflags", "+faststart", mp4)
    hls = os.path.join(folder, "hls")
    if not os.path.exists(os.path.join(hls, "index.m3u8")):
        os.makedirs(hls, exist_ok=True)
        ffmpeg("-f", "hls", "-hls_time", "2", "-hls_list_size", "0",
               "-hls_segment_filename", os.path.join(hls, "seg%03d.ts"),
               os.path.join(hls, "index.m3u8"))


class Handler(SimpleHTTPRequestHandler):
    extensions_map = {**SimpleHTTPRequestHandler.extensions_map,
                      ".ts": "video/mp2t", ".m3u8": "application/vnd.apple.mpegurl",
                      ".mp4": "video/mp4"}

    def log_message(self, *args):
        pass


def main():
    lifeline.follow_parent()
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(folder, exist_ok=True)
    make_clips(folder)
    server = ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=folder))
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except (KeyboardInterrupt, BrokenPipeError):
        pass


if __name__ == "__main__":
    main()
