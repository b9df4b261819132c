#!/usr/bin/env bash
# The installed program in a folder the user cannot write: installs the build into a fresh prefix,
# makes that prefix read-only and runs smoke.sh on its launcher. The administrator ignores
# permission bits, so as root the prefix is bind-mounted read-only in a mount namespace of its
# own; a user gets plain read-only permissions.
# usage: readonly.sh BUILD_DIR   (DISPLAY must name an X server with a system tray)
set -u
build=${1:?build dir}
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'chmod -R u+w "$prefix"; rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; exit 1; }
if [ "$(id -u)" -eq 0 ]; then
  if ! unshare -m true 2>/dev/null; then
    echo "SKIP: no mount namespace for a read-only folder"
    exit 77
  fi
  unshare -m --propagation private bash -c \
    'mount --bind -o ro "$1" "$1" || exit 1
     if touch "$1/probe" 2>/dev/null; then echo "prefix still writable"; exit 1; fi
     exec "$2" --installed "$1/bin/tavilune"' bash "$prefix" "$here/smoke.sh"
else
  chmod -R a-w "$prefix"
  "$here/smoke.sh" --installed "$prefix/bin/tavilune"
fi
