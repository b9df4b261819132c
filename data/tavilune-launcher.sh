#!/bin/sh
# Starts Tavilune from its program folder, @TAVILUNE_LAUNCH_REL@ from this launcher's folder.
here=$(dirname "$(readlink -f "$0")")
exec "$here/@TAVILUNE_LAUNCH_REL@/tavilune" "$@"
