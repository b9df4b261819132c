#!/usr/bin/env bash
# Starts the Wayland session kind for the tests of one build, in the folder given as $1: a private
# D-Bus session bus, a headless Wayland compositor (weston; it offers no seat, no keyboard or
# pointer) and the PipeWire sound server with its PulseAudio service (pipewire, wireplumber,
# pipewire-pulse), whose null sink "tavnull" ("Tavilune-null") is the default output. run.sh reads
# the environment file written there (Qt's Wayland platform, no X display), stop.sh ends it all.
# A service that does not start ends the script with a message and a non-zero status.
set -u
dir=${1:?session folder}
here=$(dirname "$0")
"$here/stop.sh" "$dir" >/dev/null 2>&1
rm -rf "$dir"; mkdir -p "$dir/run"; chmod 700 "$dir/run"
echo pipewire > "$dir/kind"
# The services carry the mark of this tree's suite (sandbox.sh): leftovers.sh finds them if
# stop.sh did not end them.
export TAV_TEST_TREE="$(cd "$here/.." && pwd)"
env="$dir/env.new"; : > "$env"
fail() {
  echo "start-wayland.sh: $*" >&2
  "$here/stop.sh" "$dir" >/dev/null 2>&1
  exit 1
}

command -v dbus-daemon >/dev/null || fail "dbus-daemon is not installed (package dbus-daemon)"
dbus-daemon --config-file="$here/bus.conf" --nofork --nopidfile --address="unix:path=$dir/run/bus" >"$dir/dbus.log" 2>&1 &
echo $! > "$dir/dbus.pid"
for _ in $(seq 50); do [ -S "$dir/run/bus" ] && break; sleep 0.1; done
[ -S "$dir/run/bus" ] || fail "dbus-daemon did not start (see $dir/dbus.log)"
echo "export TAV_SESSION_BUS=unix:path=$dir/run/bus" >> "$env"

command -v weston >/dev/null || fail "weston is not installed (package weston)"
XDG_RUNTIME_DIR="$dir/run" HOME="$dir/run" weston --backend=headless-backend.so --socket=wayland-tav \
  --width=1280 --height=800 --idle-time=0 --no-config >"$dir/weston.log" 2>&1 &
echo $! > "$dir/weston.pid"
for _ in $(seq 50); do [ -S "$dir/run/wayland-tav" ] && break; sleep 0.1; done
[ -S "$dir/run/wayland-tav" ] || fail "weston did not start (see $dir/weston.log)"
# An absolute socket path still reaches the compositor from a test's own runtime folder.
{
  echo "export WAYLAND_DISPLAY=$dir/run/wayland-tav QT_QPA_PLATFORM=wayland XDG_SESSION_TYPE=wayland"
  echo "unset DISPLAY"
} >> "$env"

"$here/pulse.sh" "$dir" || fail "the sound server did not start"
echo "export PULSE_SERVER=unix:$dir/run/pulse/native" >> "$env"

mv "$env" "$dir/env"
cat "$dir/env"
exit 0
