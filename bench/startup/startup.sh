#!/usr/bin/env bash
# Start-up time and idle memory: starts the real program under a private Xvfb with 2 000 radio
# station pages, alternating with a bare Qt Widgets window (bench_bare_window), RUNS times each
# after one untimed start of both. "Shown" is the same for both: the first frame of the main
# window has been drawn (TAVILUNE_SHOWN_FILE, see src/app/FirstFrameStamp.h); the time runs from
# just before the process is started. The resident memory is read 1.5 s after the window shows.
# Last lines: startup_ratio=<median program / median bare window> and rss_mb=<median program RSS>.
# usage: bench_startup.sh [BIN_DIR] [RUNS] [PAGES]   (BIN_DIR: the program's build folder,
#        default the folder bin beside this script's own, which holds bench_bare_window; needs Xvfb and
#        dbus-daemon)
set -u
bin=$(cd "${1:-$(dirname "$0")/../bin}" && pwd)
runs=${2:-5}
pages=${3:-2000}
work=$(mktemp -d)
xvfb_pid= bus_pid= app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
die() { echo "bench_startup: $*" >&2; exit 1; }

bare_window="$(cd "$(dirname "$0")" && pwd)/bench_bare_window"
[ -x "$bare_window" ] || die "$bare_window missing (build bench_bare_window)"
for f in tavilune Intro.htm AutresTV.TV; do
  [ -e "$bin/$f" ] || die "$bin/$f missing (build the program)"
done
prog="$work/prog"
mkdir -p "$prog/Radios" "$prog/TV" "$work/home" "$work/config/Tavilune" "$work/runtime"
chmod 700 "$work/runtime"
cp -a "$bin/tavilune" "$bin"/libnimbrel.so* "$bin/Intro.htm" "$bin/AutresTV.TV" "$prog/"
[ -e "$bin/libtavilune_mpv.so" ] && cp -a "$bin/libtavilune_mpv.so" "$prog/"
page='<HTML><BODY><font name="titre">%s</font><object id="NSPlay" classid="CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95"><param name="Filename" value="http://127.0.0.1:9/%s"></object></BODY></HTML>'
for i in $(seq -w 1 "$pages"); do printf "$page" "RADIO $i" "$i" > "$prog/Radios/RADIO $i.HTM"; done
for i in $(seq -w 1 12); do printf "$page" "TV $i" "$i" > "$prog/TV/TV $i.HTM"; done
printf '[Settings]\nDossierRadio=%s\nDossierTV=%s\n' "$prog/Radios" "$prog/TV" > "$work/config/Tavilune/Tavilune.conf"

# A private X server and session bus.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&3 || die "Xvfb did not start"
read -r display <&3 || die "Xvfb gave no display"
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 --nopidfile) || die "no dbus-daemon"
bus_address=$(sed -n 1p <<<"$bus"); bus_pid=$(sed -n 2p <<<"$bus")
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS="$bus_address"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export TAVILUNE_SHOWN_FILE="$work/shown"

# One start: prints "<milliseconds to the first frame> <RSS kB 1.5 s later>".
start_once() {
  rm -f "$TAVILUNE_SHOWN_FILE"
  local t0=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 & app_pid=$!
  local n=0
  until [ -s "$TAVILUNE_SHOWN_FILE" ]; do
    n=$((n + 1)); [ $n -gt 4000 ] && die "no first frame from $1"
    kill -0 "$app_pid" 2>/dev/null || die "$1 ended before it showed"
    sleep 0.005
  done
  local t1; t1=$(cat "$TAVILUNE_SHOWN_FILE")
  sleep 1.5
  local rss; rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$app_pid/status")
  kill "$app_pid"; wait "$app_pid" 2>/dev/null; app_pid=
  awk -v a="${t0/./}" -v b="$t1" -v r="$rss" 'BEGIN { printf "%.1f %d\n", (b - a) / 1000, r }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

start_once "$prog/tavilune" >/dev/null # untimed: caches
start_once "$bare_window" >/dev/null
ours=() bare=() rss=() bare_rss=()
for i in $(seq "$runs"); do
  read -r ms kb < <(start_once "$prog/tavilune"); ours+=("$ms"); rss+=("$kb")
  read -r bms bkb < <(start_once "$bare_window"); bare+=("$bms"); bare_rss+=("$bkb")
  echo "run $i: program ${ms} ms ${kb} kB, bare window ${bms} ms ${bkb} kB"
done
m_ours=$(printf '%s\n' "${ours[@]}" | median)
m_bare=$(printf '%s\n' "${bare[@]}" | median)
m_rss=$(printf '%s\n' "${rss[@]}" | median)
m_bare_rss=$(printf '%s\n' "${bare_rss[@]}" | median)
echo "pages=$pages program_ms=$m_ours bare_ms=$m_bare bare_rss_mb=$(awk -v k="$m_bare_rss" 'BEGIN { printf "%.1f", k / 1024 }')"
awk -v a="$m_ours" -v b="$m_bare" 'BEGIN { printf "startup_ratio=%.2f\n", a / b }'
awk -v k="$m_rss" 'BEGIN { printf "rss_mb=%.1f\n", k / 1024 }'
