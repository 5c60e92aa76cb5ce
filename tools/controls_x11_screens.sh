#!/bin/sh
# Runs the checks of the control library on a real X server (tools/x11_run.sh, driven by
# xdotool) and keeps their screenshots of the screen (tools/x11_screenshot.sh), to look at.
#   tools/controls_x11_screens.sh [out-folder] [build-dir]
# Exit code 0 when every check passed.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$PWD/controls-screens}
build=${2:-$here/build}
case "$out" in /*) ;; *) out=$PWD/$out ;; esac
mkdir -p "$out"
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target controls_x11_check controls_x11_dates
status=0
for check in controls_x11_check controls_x11_dates; do
    KADRION_SCREENSHOT_DIR="$out" "$here/tools/x11_run.sh" "$build/controls/$check" "$out" || status=1
done
echo "screenshots in $out"
exit $status
