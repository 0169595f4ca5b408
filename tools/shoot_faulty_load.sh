#!/bin/bash
# Takes docs/faulty_load_window.png: the window with examples/faulty_load.qrv opened for inspection and
# the second row of its fault table chosen, as the X server shows it. Needs a built packview,
# xdotool and ImageMagick's import and convert; run from the repository's root:
#     xvfb-run -a -s "-screen 0 1600x1200x24" tools/shoot_faulty_load.sh
set -e
./build/packview --inspect examples/faulty_load.qrv &
pid=$!
trap 'kill $pid' EXIT
sleep 3
xdotool windowsize "$(xdotool search --name MainWindow | head -1)" 1280 820
sleep 2
xdotool mousemove 120 723 click 1   # the second row of the fault table
sleep 2
import -window root /tmp/packview_faulty_load.png
convert /tmp/packview_faulty_load.png -crop 1280x800+0+0 +repage docs/faulty_load_window.png
