#!/usr/bin/env bash
# Fails when a process started by this source tree's test suite outlives the suite. Every test
# program runs through sandbox.sh (and the session's services through start.sh), which mark it and
# everything it starts with TAV_TEST_TREE=<this tests folder>. A marked process that still runs
# under a ctest belongs to a test that is still running (another ctest of the same tree) and is
# left alone; any other is a leftover: it is listed, given a few seconds to end on its own, then
# ended, and the check fails. The services of a live test session (those named by the pid files
# of SESSION_DIR, stop.sh ends them) are not leftovers: another ctest may be using them.
# usage: leftovers.sh [SESSION_DIR [GRACE_SECONDS]]
set -u
session=${1:-}
grace=${2:-5}
tests=$(cd "$(dirname "$0")/.." && pwd)
mark="TAV_TEST_TREE=$tests"
services=" $( [ -n "$session" ] && cat "$session"/*.pid 2>/dev/null | tr '\n' ' ') "

parent_of() { awk '/^PPid:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
under_ctest() {
  local p=$1
  while [ -n "$p" ] && [ "$p" -gt 1 ]; do
    [ "$(cat "/proc/$p/comm" 2>/dev/null)" = ctest ] && return 0
    p=$(parent_of "$p")
  done
  return 1
}
# The marked processes that no ctest runs.
leftovers() {
  local dir pid
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [ "$pid" = $$ ] && continue
    case "$services" in *" $pid "*) continue ;; esac
    tr '\0' '\n' 2>/dev/null < "$dir/environ" | grep -qxF "$mark" || continue
    under_ctest "$pid" && continue
    echo "$pid"
  done
}
describe() { # pid
  printf '  %s (parent %s): %s\n' "$1" "$(parent_of "$1")" "$(tr '\0' ' ' 2>/dev/null < "/proc/$1/cmdline")"
}

# Running, not merely waiting to be reaped.
alive() { local s; s=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1); [ -n "$s" ] && [ "$s" != Z ]; }
still() { local p; for p in "$@"; do alive "$p" && echo "$p"; done; }

found=$(leftovers)
for _ in $(seq $((grace * 10))); do
  [ -z "$found" ] && { echo "no process of the test suite is left"; exit 0; }
  sleep 0.1
  found=$(still $found)
done
[ -z "$found" ] && { echo "no process of the test suite is left"; exit 0; }
echo "processes started by the test suite are still running:"
for p in $found; do describe "$p"; done
for p in $found; do kill -TERM "$p" 2>/dev/null; done
sleep 1
for p in $(still $found); do kill -KILL "$p" 2>/dev/null; done
echo "0 passed, 1 failed"
exit 1
