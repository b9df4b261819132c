#!/usr/bin/env bash
# Builds the self-extracting archive "Radios.exe": a shell script holding a gzip'd tar of the given
# folders as base64 text in a here-document, so the whole file stays a valid script. Run, it
# unpacks them beside itself, never replacing a file that already exists.
# usage: make-sfx.sh OUTPUT SOURCE_DIR FOLDER...
set -euo pipefail
out=$1; src=$2; shift 2
tmp="$out.tmp"
{
  cat <<'SCRIPT'
#!/bin/sh
# Tavilune station folders: unpacks Radios/ and TV/ into the folder holding this file.
dir=$(cd "$(dirname "$0")" && pwd) || exit 1
base64 -d <<'__PAYLOAD__' | tar -xzf - -C "$dir" --no-same-owner --skip-old-files || exit 1
SCRIPT
  tar -C "$src" --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner -cf - "$@" | gzip -n -9 | base64 -w 76
  printf '__PAYLOAD__\nexit 0\n'
} > "$tmp"
chmod 755 "$tmp"
mv "$tmp" "$out"
