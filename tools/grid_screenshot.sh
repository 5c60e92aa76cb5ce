#!/bin/sh
# Saves pictures of the data grid's layout window on a real X server, to look at.
#   tools/grid_screenshot.sh [out-dir] [build-dir]
# Runs the grid's X-server check under tools/x11_run.sh: it drives the window with xdotool
# (the wheel, the vertical scroll bar, a taller window) and saves a picture of the screen
# (tools/x11_screenshot.sh) after the steps.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$PWD/grid_shots}
build=${2:-$here/build}
case "$out" in /*) ;; *) out=$PWD/$out ;; esac
mkdir -p "$out"
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target grid_x11_check
"$here/tools/x11_run.sh" "$build/grid/grid_x11_check" "$out"
echo "saved in $out"
