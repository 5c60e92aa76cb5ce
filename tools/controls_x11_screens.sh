#!/bin/sh
# Runs the checks of the control library on a real X server (Xvfb, driven by xdotool) and
# keeps their screenshots of the screen, to look at.
#   tools/controls_x11_screens.sh [out-folder] [build-dir]
# Needs xvfb-run and xdotool; the pictures are taken by tools/x11_screenshot.sh. Exit code 0 when every check passed.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$PWD/controls-screens}
build=${2:-$here/build}
case "$out" in /*) ;; *) out=$PWD/$out ;; esac
mkdir -p "$out"
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool not found" >&2; exit 2; }
done
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target controls_x11_check controls_x11_dates
status=0
for check in controls_x11_check controls_x11_dates; do
    KADRION_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
        "$build/controls/$check" "$out" || status=1
done
echo "screenshots in $out"
exit $status
