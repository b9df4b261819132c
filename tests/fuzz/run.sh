#!/usr/bin/env bash
# Runs every fuzz target of a build for a while, one after the other, each in a home of its own.
# New inputs go to <build>/fuzz/corpus/<name> (seeded from tests/fuzz/corpus/<name>), crashes to
# <build>/fuzz/artifacts/. Prints the executions of each target; fails when one found a fault.
# usage: run.sh BUILD_DIR SECONDS [NAME...]
set -u
build=${1:?build folder}
seconds=${2:?seconds per target}
shift 2
here=$(cd "$(dirname "$0")" && pwd)
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for exe in "$build"/fuzz/fuzz_*; do
    [ -x "$exe" ] && names+=("${exe##*/fuzz_}")
  done
fi
[ ${#names[@]} -gt 0 ] || { echo "run.sh: no fuzz targets in $build/fuzz" >&2; exit 1; }
mkdir -p "$build/fuzz/artifacts" "$build/fuzz/logs"
failed=()
for name in "${names[@]}"; do
  corpus="$build/fuzz/corpus/$name"
  log="$build/fuzz/logs/$name.log"
  mkdir -p "$corpus"
  echo "== fuzz $name for ${seconds}s"
  "$here/../session/sandbox.sh" "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz/artifacts/$name-" \
    "$corpus" "$here/corpus/$name" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "   $name: ${execs:-?} executions, exit $rc"
  if [ "$rc" -ne 0 ]; then
    failed+=("$name")
    grep -A30 -m1 -E '^==[0-9]+==|runtime error|property broken|ERROR: libFuzzer' "$log" | head -40
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets that found a fault: ${failed[*]} (logs in $build/fuzz/logs)" >&2
  exit 1
fi
