#!/bin/sh
# Saves a picture of a form with every standard control, to look at.
#   tools/ui_screenshot.sh [out.png] [build-dir]
# Runs the gallery test of the ui library under Xvfb (xvfb-run) when it is installed, so the
# controls are drawn by a real X server; otherwise on Qt's offscreen platform.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$PWD/ui_gallery.png}
build=${2:-$here/build}
case "$out" in /*) ;; *) out=$PWD/$out ;; esac
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target ui_tests
tests="$build/platform/ui/ui_tests"
if command -v xvfb-run >/dev/null 2>&1; then
    KADRION_UI_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 1024x768x24" "$tests" --gtest_filter='Gallery.*'
else
    echo "xvfb-run not found: drawing on the offscreen platform" >&2
    KADRION_UI_SCREENSHOT="$out" QT_QPA_PLATFORM=offscreen "$tests" --gtest_filter='Gallery.*'
fi
echo "saved $out"
