#!/bin/sh
# Shows the data grid's layout window on a real X server (Xvfb), drives it with xdotool (the
# wheel, the vertical scroll bar, a resize) and saves a picture after each step, to look at.
#   tools/grid_screenshot.sh [out-dir] [build-dir]
# The window is the grid test's probe form: title tree, records and footer rows painted
# plainly into the cells the layout gives them.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$PWD/grid_shots}
build=${2:-$here/build}
case "$out" in /*) ;; *) out=$PWD/$out ;; esac
mkdir -p "$out"
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target grid_tests
tests="$build/grid/grid_tests"
for tool in xvfb-run xdotool import; do
    command -v $tool >/dev/null 2>&1 || { echo "$tool not found" >&2; exit 1; }
done
OUT="$out" TESTS="$tests" xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    KADRION_GRID_DEMO=1 QT_QPA_PLATFORM=xcb "$TESTS" --gtest_filter="GridScreen.*" &
    app=$!
    win=$(xdotool search --sync --name "Накази" | head -1)
    shot() { import -window root -crop 640x420+0+0 "$OUT/$1.png"; echo "saved $OUT/$1.png"; }
    xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
    eval "$(xdotool getwindowgeometry --shell "$win")"
    shot 1-opened
    # the wheel over the records moves the dataset: three records down
    xdotool mousemove --window "$win" 200 120 click 5 click 5 click 5
    shot 2-wheel-down
    # the down arrow of the vertical scroll bar: one record past the last shown
    xdotool mousemove --window "$win" $((WIDTH - 6)) $((HEIGHT - 24)) click 1 click 1
    shot 3-scroll-bar
    # a taller window shows more records, the footer stays at the bottom
    xdotool windowsize "$win" 560 330
    xdotool mousemove --window "$win" 200 120 click 4
    shot 4-taller
    xdotool key --window "$win" Escape
    wait $app
'
