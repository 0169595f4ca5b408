#!/usr/bin/env bash
# Builds packview if needed and opens FILE (examples/demo.qrv when none is named).
source "$(dirname "$0")/tools/setup.sh"
file="${1:-examples/demo.qrv}"
if [ -z "${DISPLAY:-}" ]; then
    echo "No display set: starting packview under xvfb-run."
    exec xvfb-run -a ./build/packview "$file"
fi
exec ./build/packview "$file"
