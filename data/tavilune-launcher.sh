#!/bin/sh
# Starts Tavilune from its program folder, lib/tavilune beside this launcher's bin folder.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/tavilune/tavilune" "$@"
