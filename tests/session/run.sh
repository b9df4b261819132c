#!/usr/bin/env bash
# Runs a test program inside the session of folder $1 (X display, sound server, session bus), in
# a home of its own (sandbox.sh). Tests are listed before the session starts, so without the
# session's environment the program runs without it.
dir=${1:?session folder}; shift
# A test registered for another session kind names its session folder in TAV_SESSION_DIR.
[ -n "${TAV_SESSION_DIR:-}" ] && dir=$TAV_SESSION_DIR
[ -f "$dir/env" ] && . "$dir/env"
exec "$(dirname "$0")/sandbox.sh" "$@"
