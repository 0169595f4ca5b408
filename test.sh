#!/usr/bin/env bash
# Builds packview and runs the whole test suite headless.
source "$(dirname "$0")/tools/setup.sh"
cd "$PACKVIEW_ROOT/build"
exec xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure
