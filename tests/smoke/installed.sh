#!/usr/bin/env bash
# The installed package as a user would meet it: starts a test session (X server with a tray,
# sound server, session bus) and runs smoke.sh on the installed program, as a user who is not the
# administrator and has a home of their own. Run as root, it makes that user when missing
# ($TAV_SMOKE_USER, default "tavilune-smoke") and runs itself again as them.
# usage: installed.sh [PROGRAM]   (default: tavilune found on the PATH)
set -u
program=${1:-$(command -v tavilune)}
[ -n "$program" ] || { echo "FAIL: tavilune is not installed"; echo "0 passed, 1 failed"; exit 1; }
here=$(cd "$(dirname "$0")/.." && pwd)
user=${TAV_SMOKE_USER:-tavilune-smoke}

if [ "$(id -u)" -eq 0 ]; then
  id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user" || exit 1
  home=$(getent passwd "$user" | cut -d: -f6)
  # The scripts in a folder the user may read, whatever the checkout's permissions.
  scripts=$(mktemp -d)
  trap 'rm -rf "$scripts"' EXIT
  mkdir -p "$scripts/tests"
  cp -a "$here/session" "$here/smoke" "$scripts/tests/"
  chmod -R a+rX "$scripts"
  cd /
  runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/local/bin:/usr/bin:/bin \
    LANG="${LANG:-C.UTF-8}" bash "$scripts/tests/smoke/installed.sh" "$program"
  exit $?
fi

session=$(mktemp -d)/session
# The session ends with the script, also when it is ended from outside.
end_session() { "$here/session/stop.sh" "$session" >/dev/null 2>&1; rm -rf "$(dirname "$session")"; }
trap end_session EXIT
trap 'exit 143' TERM INT HUP
"$here/session/start.sh" "$session" >/dev/null || { echo "FAIL: no test session"; echo "0 passed, 1 failed"; exit 1; }
"$here/session/run.sh" "$session" "$here/smoke/smoke.sh" --installed "$program"
