#!/usr/bin/env bash
# Starts the services that the tests of one build share: an X server (Xvfb) with a system tray
# (trayer, when installed), a PulseAudio daemon whose only sink is a null sink (pulse.sh) and a
# private D-Bus session bus. Everything lives under the folder given as $1; run.sh reads the
# environment file written there, stop.sh ends it all. A service that does not start ends the
# script with a message and a non-zero status, and the tests that need the session do not run.
set -u
dir=${1:?session folder}
here=$(dirname "$0")
# The services carry the mark of this tree's suite (sandbox.sh): leftovers.sh finds them if
# stop.sh did not end them.
export TAV_TEST_TREE="$(cd "$here/.." && pwd)"
"$here/stop.sh" "$dir" >/dev/null 2>&1
rm -rf "$dir"; mkdir -p "$dir/run"; chmod 700 "$dir/run"
env="$dir/env.new"; : > "$env"
fail() {
  echo "start.sh: $*" >&2
  "$here/stop.sh" "$dir" >/dev/null 2>&1
  exit 1
}

command -v Xvfb >/dev/null || fail "Xvfb is not installed (package xvfb)"
exec 3>"$dir/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
echo $! > "$dir/xvfb.pid"
exec 3>&-
for _ in $(seq 50); do [ -s "$dir/display" ] && break; sleep 0.1; done
[ -s "$dir/display" ] || fail "Xvfb did not start (see $dir/xvfb.log)"
display=:$(head -n1 "$dir/display")
echo "export DISPLAY=$display" >> "$env"
if command -v trayer >/dev/null; then
  DISPLAY=$display trayer --edge top --align right --widthtype pixel --width 120 \
    --heighttype pixel --height 24 >"$dir/trayer.log" 2>&1 &
  echo $! > "$dir/trayer.pid"
fi

"$here/pulse.sh" "$dir" || fail "the sound server did not start"
echo "export PULSE_SERVER=unix:$dir/run/native" >> "$env"

command -v dbus-daemon >/dev/null || fail "dbus-daemon is not installed (package dbus-daemon)"
dbus-daemon --config-file="$here/bus.conf" --nofork --nopidfile --address="unix:path=$dir/run/bus" >"$dir/dbus.log" 2>&1 &
echo $! > "$dir/dbus.pid"
for _ in $(seq 50); do [ -S "$dir/run/bus" ] && break; sleep 0.1; done
[ -S "$dir/run/bus" ] || fail "dbus-daemon did not start (see $dir/dbus.log)"
echo "export TAV_SESSION_BUS=unix:path=$dir/run/bus" >> "$env"

mv "$env" "$dir/env"
cat "$dir/env"
exit 0
