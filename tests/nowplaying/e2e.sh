#!/usr/bin/env bash
# The real program under the session's X server: a station page whose "Informations" link names
# the local data server; Listen, then the link: the stream keeps playing, the now-playing window
# opens below the main window with the station's name in its caption and, at its next tick, shows
# the newest track's cover.
# usage: e2e.sh BIN_DIR TOOLS_DIR   (DISPLAY must name an X server)
set -u
bin=${1:?bin dir}
tools=${2:?tools dir}
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 143' TERM INT HUP # ended from outside: cleanup still runs
fail() { echo "FAIL: $*"; echo "0 passed, 1 failed"; exit 1; }
step() { echo "-- $*"; }
wait_for() { # seconds command...
  local t=$(( $1 * 10 )); shift
  for _ in $(seq "$t"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
# Starts a server script on a folder, in this shell (so that cleanup knows it), and sets port
# to its port.
serve() { # script folder args...
  local script=$1 dir=$2; shift 2
  python3 "$tools/$script" "$dir" "$@" > "$dir.port" 2> "$dir.log" &
  pids+=($!)
  wait_for 20 test -s "$dir.port" || fail "$script did not start"
  port=$(head -n1 "$dir.port")
}

prog="$work/prog"
mkdir -p "$prog/Radios" "$prog/TV" "$work/config/Tavilune" "$work/runtime" "$work/data" "$work/stream"
chmod 700 "$work/runtime"
cp -a "$bin/tavilune" "$bin"/libnimbrel.so* "$bin/libtavilune_mpv.so" "$bin/Intro.htm" "$prog/"
serve dataserver.py "$work/data" --station; dport=$port
serve streamserver.py "$work/stream"; sport=$port
info="http://127.0.0.1:$dport/f/radio/d_data.html"
printf '<HTML>\r\n<BODY>\r\n<font name="titre">Radio Test</font><br>\r\n<object id="NSPlay" name="NSPlay"\r\n    classid = "CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95"\r\n    width=152 height=25 type="application/x-oleobject">\r\n    <param name="Filename" value="http://127.0.0.1:%s/stream.mp3">\r\n</object>\r\n<A HREF="app:live('"'"'%s'"'"')">Informations</A>\r\n</BODY>\r\n</HTML>\r\n' \
  "$sport" "$info" > "$prog/Radios/Radio Test.htm"
printf '[Settings]\nDossierRadio=%s\nDossierTV=%s\nDerRadio=1\nNomDerRadio=Radio Test\nDerPosition=1\nHaut=1500\nGauche=1500\nTempoRadio=1\n' \
  "$prog/Radios" "$prog/TV" > "$work/config/Tavilune/Tavilune.conf"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb

step "start: the now-playing window exists, hidden, and fetches nothing"
"$prog/tavilune" > "$work/app.log" 2>&1 & pids+=($!)
wait_for 10 xdotool search --onlyvisible --name '^Tavilune' || fail "main window not shown"
win=$(xdotool search --onlyvisible --name '^Tavilune' | head -n1)
sleep 1.5
xdotool search --onlyvisible --name '^Information' >/dev/null && fail "now-playing window shown at start-up"
[ "$(curl -s "http://127.0.0.1:$dport/count?path=/f/radio/d_data.html")" = 0 ] || fail "fetched before the link"

eval "$(xdotool getwindowgeometry --shell "$win")"
mx=$X; my=$Y
step "Listen"
xdotool mousemove $((mx + 20)) $((my + 69)) click 1
playing() { [ "$(ss -tnH state established "( dport = :$sport )" | wc -l)" -ge 1 ]; }
wait_for 10 playing || fail "the stream did not start"

step "the Informations link opens the window below the main window"
xdotool mousemove $((mx + 40)) $((my + 114)) click 1
wait_for 5 xdotool search --onlyvisible --name '^Information titre en cours : Radio Test$' || fail "window not opened"
info_win=$(xdotool search --onlyvisible --name '^Information titre en cours' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$info_win")"
eval "$(xdotool getwindowgeometry --shell "$win" | sed 's/^/M_/')"
[ "$X" -eq "$M_X" ] && [ "$Y" -gt "$M_Y" ] || fail "window not below the main window ($X,$Y vs $M_X,$M_Y)"

step "its next tick shows the newest track"
wait_for 10 test -s "$prog/Info1.jpg" || fail "covers not downloaded"
sleep 1
# The centre of the cover, as an "srgb(r,g,b)" text; entry 1's cover is (50,170,120).
cover_colour() { import -window "$info_win" -crop 1x1+75+75 txt:- 2>/dev/null | grep -o 'srgb([0-9,]*)'; }
newest_shown() { [ "$(cover_colour)" = 'srgb(50,170,120)' ]; }
wait_for 5 newest_shown || fail "cover of the newest track not on display (got $(cover_colour))"
grep -q "Le titre le plus récent" "$prog/info2.html" || fail "data page not stored"
playing || fail "the stream stopped"
echo "1 passed, 0 failed"
