"""Ties a test server's life to the program that started it.

follow_parent() puts the server in a process group of its own (so the commands it runs, such as
lame or ffmpeg, end with it) and ends the whole group as soon as the starting program is gone,
however that program ended (killed, crashed, timed out), or when the server gets SIGTERM.
"""
import os
import signal
import threading
import time


def _end(*_):
    if os.getpgrp() == os.getpid():
        os.killpg(0, signal.SIGKILL)  # the server and what it started
    os._exit(0)


def follow_parent(interval=0.2):
    parent = os.getppid()
    try:
        os.setpgid(0, 0)
    except OSError:
        pass  # already a group leader, or not allowed: only this process ends then

    def watch():
        while os.getppid() == parent:
            time.sleep(interval)
        _end()

    threading.Thread(target=watch, daemon=True).start()
    signal.signal(signal.SIGTERM, _end)
