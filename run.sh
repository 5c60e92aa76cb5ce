#!/usr/bin/env bash
# Installs what is missing, builds the program and the report templates, and starts it in build/run/.
# A user without settings (kadrion.ini) first gets an empty personnel database with this year's
# working calendar under $XDG_DATA_HOME/kadrion (~/.local/share/kadrion) and settings naming it;
# existing settings are never touched.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/common.sh
kadrion_install_missing "${KADRION_PACKAGES[@]}"
kadrion_build build
cd build/run
./kadrion_setup
exec ./kadrion "$@"
