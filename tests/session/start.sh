#!/usr/bin/env bash
# Starts the services that the tests of one build share: an X server (Xvfb) with a system tray
# (trayer) and a PulseAudio daemon whose only sink is a null sink. Everything lives under the
# folder given as $1; run.sh reads the environment file written there, stop.sh ends it all.
set -u
dir=${1:?session folder}
rm -rf "$dir"; mkdir -p "$dir/run"; chmod 700 "$dir/run"
env="$dir/env"; : > "$env"

if command -v Xvfb >/dev/null; then
  exec 3>"$dir/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  echo $! > "$dir/xvfb.pid"
  exec 3>&-
  for _ in $(seq 50); do [ -s "$dir/display" ] && break; sleep 0.1; done
  if [ -s "$dir/display" ]; then
    echo "export DISPLAY=:$(head -n1 "$dir/display")" >> "$env"
    if command -v trayer >/dev/null; then
      DISPLAY=:$(head -n1 "$dir/display") trayer --edge top --align right --widthtype pixel --width 120 \
        --heighttype pixel --height 24 >"$dir/trayer.log" 2>&1 &
      echo $! > "$dir/trayer.pid"
    fi
  else
    echo "start.sh: Xvfb did not start" >&2
  fi
fi

if command -v pulseaudio >/dev/null; then
  XDG_RUNTIME_DIR="$dir/run" HOME="$dir" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --disable-shm=yes --log-target=stderr \
    -L "module-null-sink sink_name=tavnull sink_properties=device.description=Tavilune-null" \
    -L "module-native-protocol-unix socket=$dir/run/native auth-anonymous=1" \
    -L "module-always-sink" >"$dir/pulse.log" 2>&1 &
  echo $! > "$dir/pulse.pid"
  for _ in $(seq 50); do [ -S "$dir/run/native" ] && break; sleep 0.1; done
  if [ -S "$dir/run/native" ]; then
    echo "export PULSE_SERVER=unix:$dir/run/native" >> "$env"
    PULSE_SERVER="unix:$dir/run/native" pactl set-default-sink tavnull >/dev/null 2>&1 || true
  else
    echo "start.sh: pulseaudio did not start" >&2
  fi
fi
echo "export XDG_RUNTIME_DIR=$dir/run" >> "$env"
cat "$env"
exit 0
