#!/usr/bin/env bash
# Builds packview if needed and opens FILE (examples/demo.qrv when none is named).
source "$(dirname "$0")/tools/setup.sh"
file="${1:-$PACKVIEW_ROOT/examples/demo.qrv}"
if [ -z "${DISPLAY:-}" ]; then
    echo "No display set: starting packview under xvfb-run."
    exec xvfb-run -a "$PACKVIEW_ROOT/build/packview" "$file"
fi
exec "$PACKVIEW_ROOT/build/packview" "$file"
