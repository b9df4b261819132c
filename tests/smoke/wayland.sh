#!/usr/bin/env bash
# The real program in the Wayland/PipeWire session, as a user whose station was remembered: it
# starts on Qt's Wayland platform with its window, a second instance ends at once, the media keys
# (MPRIS on the session bus) play the remembered station — its sound reaches the PipeWire null
# sink — and stop it, and Quit ends the program, which saves its settings. The compositor offers
# no keyboard or pointer, so the program is driven through the session bus only.
# usage: wayland.sh BIN_DIR TOOLS_DIR   (WAYLAND_DISPLAY, PULSE_SERVER, DBUS_SESSION_BUS_ADDRESS set)
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
fail() { echo "FAIL: $*"; [ -f "$work/app.log" ] && tail -n 20 "$work/app.log"; echo "0 passed, 1 failed"; exit 1; }
step() { echo "-- $*"; }
wait_for() { # seconds command...
  local t=$(( $1 * 10 )); shift
  for _ in $(seq "$t"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
[ -n "${WAYLAND_DISPLAY:-}" ] && [ -z "${DISPLAY:-}" ] || fail "not a Wayland session"

prog="$work/prog"
radios="$prog/Radios" # where a remembered station is looked for
mkdir -p "$prog" "$radios" "$work/stations/TV" "$work/config" "$work/server"
cp -a "$bin/tavilune" "$bin"/libnimbrel.so* "$bin/libtavilune_mpv.so" "$bin/Intro.htm" "$prog/"
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=wayland
conf="$XDG_CONFIG_HOME/Tavilune/Tavilune.conf"

step "a local station, remembered from the last time"
python3 "$tools/streamserver.py" "$work/server" > "$work/server/port" 2>"$work/server/log" & server_pid=$!
wait_for 30 test -s "$work/server/port" || fail "the test station did not start"
base="http://127.0.0.1:$(head -n1 "$work/server/port")"
printf '<HTML>\r\n<BODY>\r\n<object id="NSPlay" classid = "CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95">\r\n<param name="Filename" value="%s">\r\n</object>\r\n</BODY>\r\n</HTML>\r\n' \
  "$base/live?id=wl" > "$radios/Alpha.htm"
mkdir -p "$XDG_CONFIG_HOME/Tavilune"
printf '[Settings]\nDossierRadio=%s\nDossierTV=%s\nDerRadio=1\nNomDerRadio=Alpha\nDerPosition=1\nHaut=1500\nGauche=3000\n' \
  "$radios" "$work/stations/TV" > "$conf"

mpris() { # method [args...]
  gdbus call --session --dest org.mpris.MediaPlayer2.tavilune --object-path /org/mpris/MediaPlayer2 \
    --method "org.mpris.MediaPlayer2$1" "${@:2}"
}
status() {
  gdbus call --session --dest org.mpris.MediaPlayer2.tavilune --object-path /org/mpris/MediaPlayer2 \
    --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player PlaybackStatus 2>/dev/null
}
is_status() { status | grep -q "'$1'"; }
served() { python3 -c "import urllib.request; print(urllib.request.urlopen('$base/count?id=wl').read().decode())"; }
# The RMS of 0.5 s of the null sink's monitor.
monitor_rms() {
  timeout 3 parec --raw --device=tavnull.monitor --format=s16le --rate=44100 --channels=1 2>/dev/null |
    head -c 44100 | python3 -c "import sys, struct, math; d = sys.stdin.buffer.read(); s = struct.unpack('<%dh' % (len(d) // 2), d); print(int(math.sqrt(sum(v * v for v in s) / max(1, len(s)))))"
}
sounding() { [ "$(monitor_rms)" -gt 500 ]; }

step "start on the Wayland platform"
"$prog/tavilune" > "$work/app.log" 2>&1 & app_pid=$!
wait_for 15 mpris .Player.Stop || fail "the program is not on the session bus"
grep -q libqwayland "/proc/$app_pid/maps" || fail "Qt's Wayland platform is not loaded"
! grep -q libqxcb "/proc/$app_pid/maps" || fail "the X platform was loaded"
is_status Stopped || fail "not stopped at start: $(status)"

step "a second instance ends at once"
timeout 10 "$prog/tavilune"; rc=$?
[ "$rc" -eq 0 ] || fail "second instance exited with $rc"
kill -0 "$app_pid" 2>/dev/null || fail "the first instance ended"

step "Play listens to the remembered station, to the PipeWire sink"
mpris .Player.Play >/dev/null || fail "Play refused"
wait_for 15 is_status Playing || fail "not playing: $(status)"
[ "$(served)" -ge 1 ] || fail "the station was not asked for its stream"
wait_for 15 sounding || fail "no sound on the null sink (RMS $(monitor_rms))"

step "Stop"
mpris .Player.Stop >/dev/null || fail "Stop refused"
wait_for 10 is_status Stopped || fail "still playing: $(status)"

step "Raise, then Quit"
mpris .Raise >/dev/null || fail "Raise refused"
mpris .Quit >/dev/null || fail "Quit refused"
wait_for 10 bash -c "! kill -0 $app_pid" || fail "the program did not end on Quit"
app_pid=
grep -q '^NomDerRadio=Alpha' "$conf" || fail "the remembered station was not kept"
# Wayland tells no window position: the one saved on another desktop stays.
grep -q '^Haut=1500' "$conf" && grep -q '^Gauche=3000' "$conf" || fail "the saved position was overwritten: $(grep -E 'Haut|Gauche' "$conf")"
! grep -qiE 'segmentation|QWaylandWindow: .*error|wl_display.*error' "$work/app.log" || fail "Wayland errors: $(cat "$work/app.log")"
echo "1 passed, 0 failed"
