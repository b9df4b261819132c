#!/usr/bin/env bash
# Each local test server of tests/tools ends by itself, with what it started, when the program
# that started it is killed without a chance to stop it (a crash, a time-out, kill -9).
# usage: orphans.sh TOOLS_DIR
set -u
tools=${1:?tools dir}
work=$(mktemp -d)
servers=()
cleanup() {
  for p in "${servers[@]}"; do kill -KILL "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
# Running, not merely waiting to be reaped.
alive() { local s; s=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1); [ -n "$s" ] && [ "$s" != Z ]; }

passed=0 failed=0
for script in dataserver.py directoryserver.py streamserver.py; do
  d="$work/$script"
  mkdir -p "$d"
  bash -c 'python3 "$1" "$2" > "$2/port" 2> "$2/log" & echo $! > "$2/pid"; wait' starter "$tools/$script" "$d" &
  starter=$!
  for _ in $(seq 300); do [ -s "$d/port" ] && break; sleep 0.1; done
  server=$(cat "$d/pid" 2>/dev/null)
  [ -n "$server" ] && servers+=("$server")
  if [ ! -s "$d/port" ]; then
    echo "FAIL: $script did not start: $(cat "$d/log")"; failed=$((failed + 1)); continue
  fi
  kill -KILL "$starter"; wait "$starter" 2>/dev/null
  for _ in $(seq 100); do alive "$server" || break; sleep 0.1; done
  if alive "$server"; then
    echo "FAIL: $script still runs after its starter was killed"; failed=$((failed + 1))
  else
    echo "ok: $script ended with its starter"; passed=$((passed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
