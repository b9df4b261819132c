#!/usr/bin/env bash
# The real program under the session's X server with a favourites file of three stations: the
# "Favoris Radio" menu offers exactly three entries, and choosing the last one followed by Listen
# plays that station's stream from a local test station.
# usage: favourites.sh BIN_DIR TOOLS_DIR   (DISPLAY must name an X server)
set -u
bin=${1:?bin dir}
tools=${2:?tools dir}
work=$(mktemp -d)
app_pid=
server_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP # ended from outside: cleanup still runs
fail() { echo "FAIL: $*"; echo "0 passed, 1 failed"; exit 1; }
step() { echo "-- $*"; }
wait_for() { # seconds command...
  local t=$(( $1 * 10 )); shift
  for _ in $(seq "$t"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

prog="$work/prog"
radios="$work/stations/Radios"
mkdir -p "$prog" "$radios" "$work/stations/TV" "$work/config" "$work/runtime" "$work/server"
chmod 700 "$work/runtime"
cp -a "$bin/tavilune" "$bin"/libnimbrel.so* "$bin/libtavilune_mpv.so" "$bin/Intro.htm" "$prog/"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb

step "local station"
python3 "$tools/streamserver.py" "$work/server" > "$work/server/port" 2>"$work/server/log" & server_pid=$!
wait_for 30 test -s "$work/server/port" || fail "the test station did not start"
port=$(head -n1 "$work/server/port")
base="http://127.0.0.1:$port"
count() { curl -s "$base/count?id=$1" 2>/dev/null || python3 -c "import urllib.request,sys; print(urllib.request.urlopen('$base/count?id=$1').read().decode())"; }

page() { # file stream
  printf '<HTML>\r\n<BODY>\r\n<object id="NSPlay" classid = "CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95">\r\n<param name="Filename" value="%s">\r\n</object>\r\n</BODY>\r\n</HTML>\r\n' "$2" > "$radios/$1"
}
page "ALPHA.HTM" "$base/cut.mp3?id=alpha&after=100000000"
page "Beta.htm" "$base/cut.mp3?id=beta&after=100000000"
page "Gamma Jazz.htm" "$base/cut.mp3?id=gamma&after=100000000"
printf 'Alpha\r\nBeta\r\nGAMMA JAZZ\r\n' > "$prog/Favoris.lst"
mkdir -p "$XDG_CONFIG_HOME/Tavilune"
printf '[Settings]\nDossierRadio=%s\nDossierTV=%s\n' "$radios" "$work/stations/TV" > "$XDG_CONFIG_HOME/Tavilune/Tavilune.conf"

step "start"
"$prog/tavilune" & app_pid=$!
wait_for 15 xdotool search --onlyvisible --name '^Tavilune$' || fail "main window not shown"
win=$(xdotool search --onlyvisible --name '^Tavilune$' | head -n1)
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
sleep 0.5

step "the last favourite entry is the third station"
# The menu opens on its first entry; Up wraps to the last visible one.
xdotool key --window "$win" alt+r; sleep 0.5
[ -n "${TAV_SHOT:-}" ] && import -window root "$TAV_SHOT"
xdotool key Up; sleep 0.2; xdotool key Return; sleep 0.3
# Listen: the first picture button, under the list.
xdotool mousemove --window "$win" 20 69; sleep 0.2; xdotool click 1
played() { test "$(count "$1")" -ge 1; } # asked again on each try of wait_for
wait_for 20 played gamma || fail "Listen did not play the chosen favourite"
[ "$(count alpha)" -eq 0 ] && [ "$(count beta)" -eq 0 ] || fail "another station was played"
kill -0 "$app_pid" || fail "the program ended"
echo "1 passed, 0 failed"
