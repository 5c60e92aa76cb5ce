#!/usr/bin/env bash
# The program as a new user first meets it, on a private X server: ./run.sh in a fresh home
# (so the first-run set-up makes the database and the settings), the splash window, the main
# window connected to the new database, a menu opened with Alt and its letter, the settings
# dialog and the about box, each opened from the keyboard; then the program is closed from
# its menu. The screenshots go to a folder, to look at:
#   tools/app_screens.sh [out-folder]
# Exit code 0 when every window came up and the program ended by itself.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$PWD/app-screens}
case "$out" in /*) ;; *) out=$PWD/$out ;; esac
mkdir -p "$out"
if [ -z "${KADRION_SCREENS_INNER:-}" ]; then
    # build first, so that the start measured below is the program's own
    (cd "$here" && source cmake/common.sh && kadrion_build build >/dev/null)
    home=$(mktemp -d /tmp/kadrion-home-XXXXXX)
    export KADRION_SCREENS_INNER=1
    status=0
    env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u KADRION_CONFIG_DIR HOME="$home" \
        "$here/tools/x11_run.sh" "$0" "$out" || status=$?
    echo "screenshots in $out; the new user's home was $home"
    exit $status
fi

shot() { "$here/tools/x11_screenshot.sh" "$out/$1.png"; }
fail() { echo "FAILED: $1" >&2; kill "$pid" 2>/dev/null || true; exit 1; }
# The first visible window of the program whose title holds $1, within 20 s (titles are
# compared here: xdotool's own name search does not take Cyrillic patterns reliably).
find_window() {
    for w in $(xdotool search --onlyvisible --class kadrion 2>/dev/null); do
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        *"$1"*) echo "$w"; return 0 ;;
        esac
    done
    return 1
}
window() {
    i=0
    while [ $i -lt 200 ]; do
        find_window "$1" && return 0
        i=$((i + 1))
        sleep 0.1
    done
    return 1
}
gone() { ! find_window "$1" >/dev/null; }
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
keys() { xdotool key --delay 120 "$@"; sleep 0.6; }

cd "$here"
./run.sh >"$out/run.log" 2>&1 &
pid=$!
splash=$(window "kadrion") || fail "no splash window"
sleep 1
shot 1-splash
# the splash window goes once every window is made; then the main window shows
i=0
while mapped "$splash"; do
    i=$((i + 1))
    [ $i -gt 200 ] && fail "the splash window stayed"
    sleep 0.1
done
main=$(window "Автоматизована") || fail "no main window"
sleep 1.5
shot 2-main
setxkbmap ua
xdotool windowactivate --sync "$main" 2>/dev/null || true
keys alt+Cyrillic_es
shot 3-service-menu
keys Up Return
window "Настройки" >/dev/null || fail "no settings dialog"
sleep 0.5
shot 4-settings
keys Escape
gone "Настройки" || fail "the settings dialog stayed"
keys alt+Cyrillic_de
keys Up Return
window "Про програму" >/dev/null || fail "no about box"
sleep 0.5
shot 5-about
keys Return
keys alt+Cyrillic_ve
keys Up Return
i=0
while kill -0 "$pid" 2>/dev/null; do
    i=$((i + 1))
    [ $i -gt 100 ] && fail "the program did not end"
    sleep 0.1
done
setxkbmap us
wait "$pid" || fail "the program ended with an error"
