#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. Non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/common.sh
kadrion_install_missing "${KADRION_PACKAGES[@]}"
# A Firebird server for the tests labelled "server" (they skip when none answers).
kadrion_install_missing firebird3.0-server || echo "firebird3.0-server not installed: server tests skip"
kadrion_start_firebird
trap kadrion_stop_firebird EXIT

export QT_QPA_PLATFORM=offscreen
kadrion_build build
(cd build && ctest --output-on-failure --parallel "$(nproc)" --timeout 300)

# The base library once more under AddressSanitizer: ownership and notifications leave no leak
# and no dangling pointer.
kadrion_build build-asan -DKADRION_ASAN=ON -DKADRION_ONLY=base
(cd build-asan && ctest --output-on-failure --parallel "$(nproc)" --timeout 300)
