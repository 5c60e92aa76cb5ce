#!/bin/sh
# Saves a picture of the whole X screen ($DISPLAY): every window, pop-up menu and drop-down list
# as the server shows them, not a widget's own rendering.
#   tools/x11_screenshot.sh <out.png>
# The capturing program (tools/screenshot) builds on first use in build-screenshot/ of the
# repository, a folder of its own. The x11 tests call this script through X11Screenshot() when
# KADRION_SCREENSHOT_DIR is set; by hand, run it while tools/x11_run.sh runs a program, e.g.
#   tools/x11_run.sh sh -c 'build/run/kadrion & sleep 2; tools/x11_screenshot.sh /tmp/main.png'
# Look at the PNG with an image viewer; screenshots are never committed.
set -eu
if [ $# -ne 1 ]; then
    echo "usage: $0 <out.png>" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build-screenshot
if [ ! -x "$build/x11_screenshot" ]; then
    cmake -S "$here/tools/screenshot" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" >/dev/null
fi
exec "$build/x11_screenshot" "$1"
