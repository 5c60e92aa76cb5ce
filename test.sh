#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. Non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/common.sh
kadrion_install_missing "${KADRION_PACKAGES[@]}"
# A Firebird server for the tests labelled "server" (they skip when none answers).
kadrion_install_missing firebird3.0-server || echo "firebird3.0-server not installed: server tests skip"
kadrion_start_firebird
# A private CUPS server for the tests labelled "print" (they skip without one).
source cmake/cups.sh
kadrion_start_cups
trap 'kadrion_stop_cups; kadrion_stop_firebird' EXIT

# Every source of ours formatted as .clang-format says, and no include of a higher layer.
find platform Complib report controls grid app tools bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format --dry-run --Werror
/usr/bin/python3 tools/check_layers.py

export QT_QPA_PLATFORM=offscreen
kadrion_build build
(cd build && ctest --output-on-failure --parallel "$(nproc)" --timeout 300 -LE '^x11$')
# The tests labelled "x11" on a real X server with a window manager, one at a time.
(cd build && ../tools/x11_run.sh ctest --output-on-failure --timeout 300 -L '^x11$')

# Every test once more under AddressSanitizer and UndefinedBehaviorSanitizer: no read or write
# out of bounds, no dangling pointer. The base library's tests also check that ownership and
# notifications leak nothing; elsewhere the libraries we link (the Firebird client, fonts) keep
# memory for the life of the process, so the leak check is off there.
kadrion_build build-asan -DKADRION_ASAN=ON
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
(cd build-asan && ctest --output-on-failure --parallel "$(nproc)" --timeout 300 -L '^base$')
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 \
  ctest --output-on-failure --parallel "$(nproc)" --timeout 300 -LE '^(base|x11)$')
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 \
  ../tools/x11_run.sh ctest --output-on-failure --timeout 300 -L '^x11$')
