#!/usr/bin/env bash
# Runs one test program in a home of its own, so that no test reads or writes the desktop it runs
# on: HOME, the XDG folders and a runtime folder (mode 0700) in a fresh folder that is removed
# afterwards. The session bus is the one in TAV_SESSION_BUS (the test session's private bus) or an
# address where no bus answers; likewise the sound server is the session's (PULSE_SERVER) or none.
# usage: sandbox.sh PROGRAM [ARGS...]
set -u
base=${TAV_SANDBOX_BASE:-${TMPDIR:-/tmp}}
root=$(mktemp -d "$base/tavilune-test.XXXXXX") || {
  echo "sandbox.sh: cannot make a test home in $base" >&2
  exit 1
}
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/state" "$root/run" || exit 1
chmod 700 "$root/run" || exit 1
export HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
  XDG_CACHE_HOME="$root/cache" XDG_STATE_HOME="$root/state" XDG_RUNTIME_DIR="$root/run"
export DBUS_SESSION_BUS_ADDRESS="${TAV_SESSION_BUS:-unix:path=$root/run/no-session-bus}"
# Outside the test session no sound server answers either.
export PULSE_SERVER="${PULSE_SERVER:-unix:$root/run/no-sound-server}"

# Everything the test starts carries the mark of this tree's suite: leftovers.sh finds what
# outlives it.
here=$(cd "$(dirname "$0")" && pwd)
export TAV_TEST_TREE="${here%/session}"

# Sanitizer builds: leaks that LeakSanitizer finds in the third-party libraries listed in
# tests/lsan.supp are not reported (each is explained there); undefined behaviour shows its stack.
export LSAN_OPTIONS="suppressions=$here/../lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

# The program runs as a child so its home can be removed once it ends, however it ends.
"$@" &
child=$!
trap 'kill -TERM "$child" 2>/dev/null' TERM INT HUP
while :; do
  wait "$child"
  rc=$?
  kill -0 "$child" 2>/dev/null || break
done
rm -rf "$root"
exit "$rc"
