#!/usr/bin/env bash
# Installs what is missing, builds the program and the report templates, and starts it in build/run/.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/common.sh
kadrion_install_missing "${KADRION_PACKAGES[@]}"
kadrion_build build
cd build/run
exec ./kadrion "$@"
