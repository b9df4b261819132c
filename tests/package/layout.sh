#!/usr/bin/env bash
# The installed tree: installs the build into a fresh prefix and checks that every file a package
# needs is there, that the launcher names the program folder, and that the desktop entry and the
# AppStream metadata pass their validators.
# usage: layout.sh BUILD_DIR
set -u
build=${1:?build dir}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fails=0
check() { # description command...
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then echo "ok: $what"; else echo "FAIL: $what"; fails=$((fails + 1)); fi
}
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; echo "0 passed, 1 failed"; exit 1; }
cd "$prefix"
files=(
  bin/tavilune
  lib/tavilune/tavilune lib/tavilune/libnimbrel.so.1 lib/tavilune/liblameencshim.so
  lib/tavilune/Intro.htm lib/tavilune/AutresTV.TV lib/tavilune/Radios.exe
  share/applications/tavilune.desktop share/icons/hicolor/scalable/apps/tavilune.svg
  share/metainfo/org.tavilune.Tavilune.metainfo.xml share/man/man1/tavilune.1.gz
  share/doc/tavilune/copyright share/doc/tavilune/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do files+=("share/icons/hicolor/${size}x${size}/apps/tavilune.png"); done
for f in "${files[@]}"; do check "$f" test -f "$f"; done
for f in bin/tavilune lib/tavilune/tavilune lib/tavilune/Radios.exe; do check "$f executable" test -x "$f"; done
check "launcher reaches the program" test -x "$(dirname "$(readlink -f bin/tavilune)")/$(sed -n 's|^exec "$here/\(.*\)" "$@"$|\1|p' bin/tavilune)"
check "no writable state shipped" test ! -e lib/tavilune/Radios -a ! -e lib/tavilune/Wav -a ! -e lib/tavilune/Favoris.lst
check "icon sizes as named" python3 -c '
import struct, sys
for s in (16, 22, 24, 32, 48, 64, 128, 256):
    head = open(f"share/icons/hicolor/{s}x{s}/apps/tavilune.png", "rb").read(24)
    sys.exit(head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (s, s))'
check "desktop-file-validate" desktop-file-validate share/applications/tavilune.desktop
check "appstreamcli validate --no-net" appstreamcli validate --no-net share/metainfo/org.tavilune.Tavilune.metainfo.xml
check "metainfo: French and English summaries, a screenshot" bash -c \
  'm=share/metainfo/org.tavilune.Tavilune.metainfo.xml; grep -q "<summary>" $m && grep -q "<summary xml:lang=\"fr\">" $m && grep -q "<screenshot " $m'
total=$(( ${#files[@]} + 9 ))
echo "$((total - fails)) passed, $fails failed"
[ "$fails" -eq 0 ]
