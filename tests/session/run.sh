#!/usr/bin/env bash
# Runs a test program inside the session of folder $1 (X display, sound server).
dir=${1:?session folder}; shift
[ -f "$dir/env" ] && . "$dir/env"
exec "$@"
