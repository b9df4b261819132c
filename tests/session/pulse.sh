#!/usr/bin/env bash
# Starts (or restarts) the sound server of the session in folder $1: a PulseAudio daemon whose
# only sink is the null sink "tavnull", listening on $1/run/native (or PipeWire's, below). Exits non-zero with a message
# when it does not come up within five seconds.
set -u
dir=${1:?session folder}

# The PipeWire session kind (start-wayland.sh): PipeWire and its session manager run on; the
# PulseAudio service (pipewire-pulse, whose process pulse.pid names) is (re)started with its null sink.
if [ "$(cat "$dir/kind" 2>/dev/null)" = pipewire ]; then
  for p in pipewire wireplumber pipewire-pulse; do
    command -v $p >/dev/null || { echo "pulse.sh: $p is not installed" >&2; exit 1; }
  done
  mkdir -p "$dir/run" "$dir/pw-home"; chmod 700 "$dir/run"
  # Runs a service in the background in the session's folders; $! is then the service itself.
  pw() {
    XDG_RUNTIME_DIR="$dir/run" PIPEWIRE_RUNTIME_DIR="$dir/run" HOME="$dir/pw-home" XDG_CONFIG_HOME="$dir/pw-home/config" \
      XDG_STATE_HOME="$dir/pw-home/state" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/run/bus" exec "$@"
  }
  if [ -f "$dir/pulse.pid" ]; then
    kill "$(cat "$dir/pulse.pid")" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$(cat "$dir/pulse.pid")" 2>/dev/null || break; sleep 0.1; done
    rm -f "$dir/pulse.pid"
  fi
  if ! { [ -f "$dir/pipewire.pid" ] && kill -0 "$(cat "$dir/pipewire.pid")" 2>/dev/null; }; then
    pw pipewire >>"$dir/pipewire.log" 2>&1 &
    echo $! > "$dir/pipewire.pid"
    for _ in $(seq 50); do [ -S "$dir/run/pipewire-0" ] && break; sleep 0.1; done
    [ -S "$dir/run/pipewire-0" ] || { echo "pulse.sh: pipewire did not start (see $dir/pipewire.log)" >&2; exit 1; }
    pw wireplumber >>"$dir/wireplumber.log" 2>&1 &
    echo $! > "$dir/wireplumber.pid"
  fi
  rm -f "$dir/run/pulse/native"
  pw pipewire-pulse >>"$dir/pipewire-pulse.log" 2>&1 &
  echo $! > "$dir/pulse.pid"
  for _ in $(seq 50); do [ -S "$dir/run/pulse/native" ] && break; sleep 0.1; done
  [ -S "$dir/run/pulse/native" ] || { echo "pulse.sh: pipewire-pulse did not start (see $dir/pipewire-pulse.log)" >&2; exit 1; }
  export PULSE_SERVER="unix:$dir/run/pulse/native"
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl load-module module-null-sink sink_name=tavnull sink_properties=device.description=Tavilune-null >/dev/null ||
    { echo "pulse.sh: no null sink on pipewire-pulse" >&2; exit 1; }
  for _ in $(seq 50); do pactl list short sources 2>/dev/null | grep -q tavnull.monitor && break; sleep 0.1; done
  pactl set-default-sink tavnull >/dev/null 2>&1 || true
  exit 0
fi
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
