#!/usr/bin/env bash
# Builds the self-extracting archive "Radios.exe": a shell script followed by a gzip'd tar of the
# given folders. Run, it unpacks them beside itself, never replacing a file that already exists.
# usage: make-sfx.sh OUTPUT SOURCE_DIR FOLDER...
set -euo pipefail
out=$1; src=$2; shift 2
tmp="$out.tmp"
cat > "$tmp" <<'SCRIPT'
#!/bin/sh
# Tavilune station folders: unpacks Radios/ and TV/ into the folder holding this file.
dir=$(cd "$(dirname "$0")" && pwd)
line=$(awk '/^__PAYLOAD__$/ { print NR + 1; exit 0 }' "$0")
tail -n +"$line" "$0" | tar -xzf - -C "$dir" --no-same-owner --skip-old-files || exit 1
exit 0
__PAYLOAD__
SCRIPT
tar -C "$src" --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner -cf - "$@" | gzip -n -9 >> "$tmp"
chmod 755 "$tmp"
mv "$tmp" "$out"
