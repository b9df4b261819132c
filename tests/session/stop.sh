#!/usr/bin/env bash
# Ends the services that start.sh started for the session folder $1, after a check: every
# process started inside the session (run.sh gives it the session's environment) must have ended
# with its test. Those still running are listed, ended, and the script fails.
dir=${1:?session folder}
rc=0
bus="TAV_SESSION_BUS=unix:path=$dir/run/bus"
services=" $(cat "$dir"/*.pid 2>/dev/null | tr '\n' ' ') " # a sound server restarted by a test is one
left=()
for d in /proc/[0-9]*; do
  p=${d#/proc/}
  [ "$p" = $$ ] && continue
  case "$services" in *" $p "*) continue ;; esac
  tr '\0' '\n' 2>/dev/null < "$d/environ" | grep -qxF "$bus" && left+=("$p")
done
if [ ${#left[@]} -gt 0 ]; then
  echo "stop.sh: still running in the session after its tests:"
  for p in "${left[@]}"; do echo "  $p: $(tr '\0' ' ' 2>/dev/null < "/proc/$p/cmdline")"; done
  kill -KILL "${left[@]}" 2>/dev/null
  rc=1
fi
# Each service by the process id start.sh wrote, if that process is still the service.
# (The Wayland kind's sound server is PipeWire's: pulse.pid names pipewire-pulse there.)
for s in trayer:trayer xvfb:Xvfb "pulse:pulseaudio|pipewire-pulse" wireplumber:wireplumber pipewire:pipewire \
         weston:weston dbus:dbus-daemon; do
  f="$dir/${s%%:*}.pid"
  [ -f "$f" ] || continue
  pid=$(cat "$f")
  if printf '%s\n' "${s#*:}" | tr '|' '\n' | grep -qxF "$(cat "/proc/$pid/comm" 2>/dev/null)"; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      echo "stop.sh: ${s#*:} ($pid) did not end in 5 s: killed"
      kill -KILL "$pid" 2>/dev/null
    fi
  fi
  rm -f "$f"
done
# Without its services the session's environment is stale; run.sh then runs tests without it.
rm -f "$dir/env"
exit $rc
