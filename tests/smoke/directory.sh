#!/usr/bin/env bash
# The real program under the session's X server with a local directory (two mirrors, the first
# answering 500) and a local station: "Fichier" > "Radios Perso" > "Rechercher..." opens the
# search window; typing the station's name lists it; Return on the result plays its stream and
# counts a click at the directory; "Ajouter" writes its page into the radio folder.
# usage: directory.sh BIN_DIR TOOLS_DIR   (DISPLAY must name an X server)
# TAV_SHOT=file.png keeps a screenshot of the search window with its result.
set -u
bin=${1:?bin dir}
tools=${2:?tools dir}
work=$(mktemp -d)
app_pid=
pids=()
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP # ended from outside: cleanup still runs
fail() { echo "FAIL: $*"; [ -n "${TAV_SHOT:-}" ] && import -window root "$TAV_SHOT"; echo "0 passed, 1 failed"; exit 1; }
step() { echo "-- $*"; }
wait_for() { # seconds command...
  local t=$(( $1 * 10 )); shift
  for _ in $(seq "$t"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
fetch() { python3 -c "import urllib.request,sys; print(urllib.request.urlopen(sys.argv[1]).read().decode())" "$1" 2>/dev/null; }
# Compares a counter of a server each time it is called (wait_for repeats it): count URL OP N.
count() { local n; n=$(fetch "$1") || return 1; test "$n" "$2" "$3"; }
# Starts a server in this shell (so that cleanup knows it) and sets port to its port.
serve() { # name script args...
  local name=$1; shift
  mkdir -p "$work/$name"
  python3 "$tools/$1" "$work/$name" "${@:2}" > "$work/$name/port" 2>"$work/$name/log" & pids+=($!)
  wait_for 30 test -s "$work/$name/port" || fail "$name did not start"
  port=$(head -n1 "$work/$name/port")
}

prog="$work/prog"
radios="$work/stations/Radios"
mkdir -p "$prog" "$radios" "$work/stations/TV" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cp -a "$bin/tavilune" "$bin"/libnimbrel.so* "$bin/libtavilune_mpv.so" "$bin/Intro.htm" "$prog/"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb

step "local station and directory"
serve station streamserver.py; station="http://127.0.0.1:$port"
serve down directoryserver.py --status 500; down="http://127.0.0.1:$port"
serve dir directoryserver.py; dir="http://127.0.0.1:$port"
cat > "$work/dir/stations.json" <<JSON
[{"stationuuid":"33333333-0000-0000-0000-000000000001","name":"Radio Fumée","url":"$station/cut.mp3?id=smoke&after=100000000",
  "homepage":"https://fumee.example/","country":"France","language":"french","tags":"test,smoke","codec":"MP3","bitrate":32,"votes":42},
 {"stationuuid":"33333333-0000-0000-0000-000000000002","name":"Autre Fumée","url":"$station/cut.mp3?id=other&after=100000000",
  "country":"Belgique","codec":"AAC","bitrate":64,"votes":7}]
JSON
mkdir -p "$XDG_CONFIG_HOME/Tavilune"
printf '[Settings]\nDossierRadio=%s\nDossierTV=%s\nAnnuaireURL="%s;%s"\n' "$radios" "$work/stations/TV" "$down" "$dir" \
  > "$XDG_CONFIG_HOME/Tavilune/Tavilune.conf"

step "start"
"$prog/tavilune" & app_pid=$!
wait_for 15 xdotool search --onlyvisible --name '^Tavilune$' || fail "main window not shown"
win=$(xdotool search --onlyvisible --name '^Tavilune$' | head -n1)
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
sleep 0.5

step "Fichier > Radios Perso > Rechercher..."
xdotool key --window "$win" alt+f; sleep 0.4
xdotool key Down Down; sleep 0.2; xdotool key Right; sleep 0.4
xdotool key Down Down; sleep 0.2; xdotool key Return
wait_for 10 xdotool search --onlyvisible --name '^Rechercher une radio$' || fail "search window not shown"
find=$(xdotool search --onlyvisible --name '^Rechercher une radio$' | head -n1)
xdotool windowactivate --sync "$find" 2>/dev/null || xdotool windowfocus --sync "$find"
sleep 0.3

step "typing lists the station"
xdotool type --delay 80 "fumée"
wait_for 10 count "$dir/count?path=/json/stations/search" -ge 1 || fail "no search reached the directory"
[ "$(fetch "$down/count?path=/json/stations/search")" -ge 1 ] || fail "the first mirror was not tried"
sleep 1
searches=$(fetch "$dir/count?path=/json/stations/search")
[ "$searches" -le 2 ] || fail "typing sent $searches searches"
fetch "$dir/log" | grep -q "name=fum%C3%A9e.*	Tavilune/" || fail "the search did not name the station or the program"

step "Return on the first result plays it"
# Tab from the name field through the three filters reaches the list, the most voted selected.
xdotool key Tab Tab Tab Tab; sleep 0.3
[ -n "${TAV_SHOT:-}" ] && import -window root "$TAV_SHOT"
xdotool key Return
wait_for 20 count "$station/count?id=smoke" -ge 1 || fail "the station did not play"
wait_for 10 count "$dir/count?path=/json/url/33333333-0000-0000-0000-000000000001" -eq 1 \
  || fail "the click was not counted"
[ "$(fetch "$station/count?id=other")" -eq 0 ] || fail "another station was played"

step "Ajouter writes its page"
# From the list, Tab reaches "Ecouter", "STOP" (enabled while it plays), then "Ajouter".
xdotool key Tab Tab Tab; sleep 0.2; xdotool key space
wait_for 10 test -f "$radios/RADIO FUMÉE.HTM" || fail "the page was not written"
grep -q 'value="'"$station"'/cut.mp3?id=smoke&amp;after=100000000"' "$radios/RADIO FUMÉE.HTM" || fail "the page lacks the stream"
kill -0 "$app_pid" || fail "the program ended"
echo "1 passed, 0 failed"
