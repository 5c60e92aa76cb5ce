#!/bin/sh
# Runs a command on a private X server, as a user's desktop would show it:
#   tools/x11_run.sh <command> [arguments...]
# It starts Xvfb through xvfb-run (a free display, 1280x1024, 24 bits), the openbox window
# manager (windows get the focus and their frames as on a desktop) and the US keyboard layout,
# runs the command with DISPLAY set and QT_QPA_PLATFORM=xcb, and stops all of it afterwards; the
# command's exit status is the script's. A test switches the layout itself (setxkbmap ua).
#
# Typical uses:
#   tools/x11_run.sh ctest --test-dir build -L '^x11$'              # every x11 test
#   KADRION_SCREENSHOT_DIR=/tmp/shots \
#     tools/x11_run.sh build/platform/ui/ui_x11_tests --gtest_filter='Gallery*'
# With KADRION_SCREENSHOT_DIR set, the x11 tests save pictures of the screen there
# (tools/x11_screenshot.sh) to look at.
# Needs the packages xvfb, xauth, openbox, x11-utils and x11-xkb-utils (./test.sh installs them).
set -eu
if [ $# -eq 0 ]; then
    echo "usage: $0 <command> [arguments...]" >&2
    exit 2
fi
if [ -z "${KADRION_X11_INNER:-}" ]; then
    exec env KADRION_X11_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi

# Inside the X session.
unset KADRION_X11_INNER
export QT_QPA_PLATFORM=xcb
setxkbmap -layout us
wm=""
if command -v openbox >/dev/null 2>&1; then
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    # The manager is there once it names itself on the root window.
    i=0
    while ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        i=$((i + 1))
        if [ $i -gt 100 ]; then
            echo "openbox did not start" >&2
            break
        fi
        sleep 0.1
    done
else
    echo "openbox not found: running without a window manager" >&2
fi
status=0
"$@" || status=$?
[ -n "$wm" ] && kill "$wm" 2>/dev/null || true
exit $status
