# Shared by ./run.sh and ./test.sh: install what is missing, then configure and build.
# Sourced, not run.

KADRION_PACKAGES=(g++ cmake ninja-build libgtest-dev libbenchmark-dev qt6-base-dev
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  fonts-liberation fonts-dejavu-core python3-dbfread libdbd-xbase-perl poppler-utils unrtf python3-pil
  # test-only: the formatting check of ./test.sh
  clang-format
  # test-only: a real X server with typed input, keyboard layouts and a window manager (the
  # x11 tests, tools/x11_run.sh), and a private print server (the print tests, cmake/cups.sh)
  xvfb xauth xdotool x11-utils x11-xkb-utils xkb-data openbox cups-daemon cups-client)

kadrion_install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# kadrion_build <build dir> [extra cmake args...]
kadrion_build() {
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  elif [ $# -gt 0 ]; then
    cmake -S . -B "$dir" "$@" >/dev/null # the options may differ from the last run's
  fi
  cmake --build "$dir" --parallel "$(nproc)"
}

# A private Firebird server for the tests labelled "server" (./test.sh only): cmake/firebird.sh
# starts one in a temporary folder, on a free local port, with its own configuration, security
# database and lock folder, and kadrion_start_firebird exports KADRION_TEST_FB
# ("localhost/<port>"), by which those tests reach it. The machine's own Firebird server, its
# configuration and its SYSDBA password are never touched. Any failure only means the server
# tests skip. kadrion_stop_firebird stops that server and removes its folder.
KADRION_FB_DIR=""
kadrion_start_firebird() {
  local d out
  d=$(mktemp -d /tmp/kadrion-fb.XXXXXX) || return 0
  if out=$(cmake/firebird.sh start "$d" 2>&1); then
    KADRION_FB_DIR=$d
    export KADRION_TEST_FB="localhost/${out%% *}"
    echo "private Firebird server for the server tests on $KADRION_TEST_FB"
  else
    echo "no private Firebird server ($out): server tests skip"
    cmake/firebird.sh stop "$d" >/dev/null 2>&1 || true
    rm -rf "$d"
  fi
}
kadrion_stop_firebird() {
  [ -n "$KADRION_FB_DIR" ] || return 0
  cmake/firebird.sh stop "$KADRION_FB_DIR" || true
  rm -rf "$KADRION_FB_DIR"
  KADRION_FB_DIR=""
  unset KADRION_TEST_FB
}
