#!/usr/bin/env bash
# Makes the screenshots a newcomer sees in the README and the software centres show, from the real
# program under a private X server (Xvfb, openbox) in a home of its own: the main window with the
# starter stations, the recording window and the TV window.
# usage: tools/screenshots.sh [BIN_DIR] [OUT_DIR]   (default build/bin and data/screenshots)
# Needs xvfb, openbox, xdotool, imagemagick (import), dbus-daemon and pulseaudio (build.sh installs them).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$top/build/bin}" && pwd)
out=$(mkdir -p "${2:-$top/data/screenshots}" && cd "${2:-$top/data/screenshots}" && pwd)
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
die() { echo "screenshots: $*" >&2; exit 1; }
wait_for() { # seconds command...
  local t=$(( $1 * 10 )); shift
  for _ in $(seq "$t"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

prog="$work/prog"
mkdir -p "$prog" "$work/home" "$work/config/Tavilune" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
cp -a "$bin/tavilune" "$bin"/libnimbrel.so* "$bin/libtavilune_mpv.so" "$bin/liblameencshim.so" \
      "$bin/Intro.htm" "$bin/Radios.exe" "$bin/AutresTV.TV" "$prog/"
# The starter station folders, as the first run unpacks them.
(cd "$prog" && sh ./Radios.exe >/dev/null) || die "Radios.exe did not unpack"
# The first starter station selected, as when it was the last one heard.
station=$(cd "$prog/Radios" && ls | sed -n 's/\.[Hh][Tt][Mm]$//p' | head -n1)
printf '[Settings]\nDossierRadio=%s\nDossierTV=%s\nDerRadio=1\nNomDerRadio=%s\n' "$prog/Radios" "$prog/TV" "$station" \
  > "$work/config/Tavilune/Tavilune.conf"

exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&3 || die "Xvfb did not start"
pids+=("$xvfb_pid")
read -r display <&3 || die "Xvfb gave no display"
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 --nopidfile) || die "no dbus-daemon"
pids+=("$(sed -n 2p <<<"$bus")")
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS="$(sed -n 1p <<<"$bus")"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export LANG=fr_FR.UTF-8 LC_ALL=
# A sound server of its own (a null sink), so the recording window lists a device.
"$top/tests/session/pulse.sh" "$work/pulse" || die "no sound server"
pids+=("$(cat "$work/pulse/pulse.pid")")
export PULSE_SERVER="unix:$work/pulse/run/native"
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & pids+=("$!"); }
sleep 0.5

shot() { # window-name-pattern file
  local win
  wait_for 10 xdotool search --onlyvisible --name "$1" || die "no window \"$1\""
  win=$(xdotool search --onlyvisible --name "$1" | head -n1)
  sleep 1 # drawn
  import -window "$win" "$out/$2" || die "import failed for $2"
  echo "$out/$2"
}

"$prog/tavilune" >/dev/null 2>&1 & pids+=("$!")
shot '^Tavilune$' main.png
main=$(xdotool search --onlyvisible --name '^Tavilune$' | head -n1)

# The recording window: the red button (fifth of the row under the list).
xdotool mousemove --window "$main" 155 69 click 1
shot '^Enregistr' recording.png

# The TV window: menu Mode, then "Autres TV...".
xdotool mousemove --window "$main" 80 9 click 1
sleep 0.5
xdotool key a
shot '^Autres cha' tv.png
