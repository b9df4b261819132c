#!/usr/bin/env bash
# Ends the services that start.sh started for the session folder $1.
dir=${1:?session folder}
for p in trayer xvfb pulse wireplumber pipewire weston dbus; do
  [ -f "$dir/$p.pid" ] && kill "$(cat "$dir/$p.pid")" 2>/dev/null
  rm -f "$dir/$p.pid"
done
# Without its services the session's environment is stale; run.sh then runs tests without it.
rm -f "$dir/env"
exit 0
