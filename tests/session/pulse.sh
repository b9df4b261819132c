#!/usr/bin/env bash
# Starts (or restarts) the sound server of the session in folder $1: a PulseAudio daemon whose
# only sink is the null sink "tavnull", listening on $1/run/native. Exits non-zero with a message
# when it does not come up within five seconds.
set -u
dir=${1:?session folder}
if ! command -v pulseaudio >/dev/null; then
  echo "pulse.sh: pulseaudio is not installed" >&2
  exit 1
fi
if [ -f "$dir/pulse.pid" ]; then
  kill "$(cat "$dir/pulse.pid")" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$(cat "$dir/pulse.pid")" 2>/dev/null || break; sleep 0.1; done
  rm -f "$dir/pulse.pid"
fi
mkdir -p "$dir/run" "$dir/pulse-home"; chmod 700 "$dir/run"
rm -f "$dir/run/native"
# Its own home and no session bus: nothing of the desktop (or of another test daemon) is shared.
XDG_RUNTIME_DIR="$dir/run" HOME="$dir/pulse-home" XDG_CONFIG_HOME="$dir/pulse-home/config" \
  XDG_STATE_HOME="$dir/pulse-home/state" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/run/no-bus" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
  --use-pid-file=no --disable-shm=yes --log-target=stderr \
  -L "module-null-sink sink_name=tavnull sink_properties=device.description=Tavilune-null" \
  -L "module-native-protocol-unix socket=$dir/run/native auth-anonymous=1" \
  -L "module-always-sink" >>"$dir/pulse.log" 2>&1 &
echo $! > "$dir/pulse.pid"
for _ in $(seq 50); do [ -S "$dir/run/native" ] && break; sleep 0.1; done
if [ ! -S "$dir/run/native" ]; then
  echo "pulse.sh: pulseaudio did not start; the end of $dir/pulse.log:" >&2
  tail -n 15 "$dir/pulse.log" >&2
  exit 1
fi
PULSE_SERVER="unix:$dir/run/native" pactl set-default-sink tavnull >/dev/null 2>&1 || true
exit 0
