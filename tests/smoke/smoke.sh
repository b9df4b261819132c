#!/usr/bin/env bash
# Starts the real program under the session's X server, as a new user would: first run (message,
# archive unpacked, program ends), then the window, a second instance that ends at once, hiding to
# the tray and coming back with a double click on the tray icon, and quitting from the menu.
# usage: smoke.sh BIN_DIR              a copy of the build's program folder, run from there
#        smoke.sh --installed PROGRAM  an installed program (its own folder read-only): its files
#                                      go to the user's data folder, recordings to the music folder
# (DISPLAY must name an X server with a system tray)
set -u
installed=
if [ "${1:-}" = --installed ]; then
  installed=${2:?installed program}
else
  bin=${1:?bin dir}
fi
work=$(mktemp -d)
app_pid=
cleanup() { [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 143' TERM INT HUP # ended from outside: cleanup still runs
fail() { echo "FAIL: $*"; echo "0 passed, 1 failed"; exit 1; }
step() { echo "-- $*"; }

mkdir -p "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
conf="$XDG_CONFIG_HOME/Tavilune/Tavilune.conf"
if [ -n "$installed" ]; then
  # prog: where the program keeps its files; exe: what the user starts.
  export HOME="$work/home" XDG_DATA_HOME="$work/data"
  mkdir -p "$HOME"
  prog="$XDG_DATA_HOME/Tavilune"
  exe=$installed
else
  prog="$work/prog"
  mkdir -p "$prog"
  cp -a "$bin/tavilune" "$bin"/libnimbrel.so* "$bin/libtavilune_mpv.so" "$bin/Intro.htm" "$bin/Radios.exe" "$bin/AutresTV.TV" "$prog/"
  exe="$prog/tavilune"
fi

wait_for() { # seconds command...
  local t=$(( $1 * 10 )); shift
  for _ in $(seq "$t"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
visible_main() { xdotool search --onlyvisible --name '^Tavilune$'; }
hidden_main() { ! visible_main; }
tray_icon_geometry() { # prints "x y" of the centre of the program's icon in the tray
  xwininfo -root -tree | awk '/"tavilune" "Tavilune"\)  22x22/ { split($NF, a, "+"); print a[2] + 11, a[3] + 11; exit }'
}
# Asked again on each try of wait_for.
tray_icon_shown() { test -n "$(tray_icon_geometry)"; }
tray_icon_gone() { test -z "$(tray_icon_geometry)"; }

step "first run"
"$exe" & app_pid=$!
wait_for 10 xdotool search --onlyvisible --name '^Installation de Tavilune$' ||
  wait_for 5 xdotool search --onlyvisible --class tavilune || fail "no first-run message"
sleep 0.5
box=$(xdotool search --onlyvisible --class tavilune | head -n1)
xdotool windowfocus --sync "$box" 2>/dev/null; xdotool key Return
wait_for 10 bash -c "! kill -0 $app_pid" || fail "first run did not end"
app_pid=
grep -q "^DossierRadio=$prog/Radios$" "$conf" || fail "DossierRadio not written"
grep -q "^DossierTV=$prog/TV$" "$conf" || fail "DossierTV not written"
wait_for 10 test -f "$prog/TV/FRANCE 24.HTM" || fail "Radios.exe did not unpack the station folders"
if [ -n "$installed" ]; then
  for f in Intro.htm AutresTV.TV Radios.exe; do
    [ -f "$prog/$f" ] || fail "$f not prepared in the per-user folder"
  done
fi

step "second start shows the window"
printf 'DerPosition=1\nHaut=1500\nGauche=-3\n' >> "$conf"
"$exe" & app_pid=$!
wait_for 10 visible_main || fail "main window not shown"
win=$(visible_main | head -n1)
if [ -n "$installed" ]; then
  shipped=$(dirname "$(readlink -f "/proc/$app_pid/exe")")
  [ -d "$HOME/Music/Tavilune" ] || fail "recordings folder not made in the music folder"
  [ ! -e "$shipped/Radios" ] && [ ! -e "$shipped/Wav" ] || fail "files written into $shipped"
fi

step "a second instance ends at once"
timeout 10 "$exe"; rc=$?
[ "$rc" -eq 0 ] || fail "second instance exited with $rc"
[ "$(visible_main | wc -l)" -eq 1 ] || fail "second instance showed a window"

step "hide to the tray"
xdotool windowfocus --sync "$win"; xdotool key --window "$win" alt+f; sleep 0.5; xdotool key Return
wait_for 5 hidden_main || fail "window still visible after Masquer"
wait_for 5 tray_icon_shown || fail "no tray icon"
read -r x y <<<"$(tray_icon_geometry)"

step "double click on the tray icon brings it back"
xdotool mousemove "$x" "$y"; sleep 0.2; xdotool click --repeat 2 --delay 80 1
wait_for 5 visible_main || fail "window not back after double click"
wait_for 5 tray_icon_gone || fail "tray icon still shown"

step "quit from the menu"
win=$(visible_main | head -n1)
xdotool windowfocus --sync "$win"; xdotool key --window "$win" alt+f; sleep 0.5; xdotool key q
wait_for 10 bash -c "! kill -0 $app_pid" || fail "program did not end on Quitter"
app_pid=
grep -q '^Haut=' "$conf" || fail "position not saved"
echo "1 passed, 0 failed"
