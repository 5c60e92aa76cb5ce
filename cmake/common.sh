# Shared by ./run.sh and ./test.sh: install what is missing, then configure and build.
# Sourced, not run.

KADRION_PACKAGES=(g++ cmake ninja-build libgtest-dev libbenchmark-dev qt6-base-dev
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  fonts-liberation fonts-dejavu-core python3-dbfread libdbd-xbase-perl poppler-utils
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

# The Firebird server for the tests labelled "server" (./test.sh only). When no server answers
# on localhost:3050 and the server package is there, SYSDBA's password is set to the
# application's fixed one and the guard is started as user firebird; kadrion_stop_firebird
# stops exactly what was started here. Any failure only means the server tests skip.
KADRION_FBGUARD_PID=""
kadrion_fb_answers() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }
kadrion_start_firebird() {
  kadrion_fb_answers && return 0
  [ -x /usr/sbin/fbguard ] && [ "$(id -u)" -eq 0 ] && getent passwd firebird >/dev/null || return 0
  local lock pidfile i
  lock=$(mktemp -d) && pidfile=$(mktemp -u /tmp/kadrion-fbguard.XXXXXX) || return 0
  echo "create or alter user SYSDBA password 'quartzfen' using plugin Srp; commit;" |
    FIREBIRD_LOCK="$lock" isql-fb -q -user SYSDBA /var/lib/firebird/3.0/system/security3.fdb || true
  rm -rf "$lock"
  runuser -u firebird -- /usr/sbin/fbguard -daemon -forever -pidfile "$pidfile" || return 0
  for i in $(seq 1 50); do kadrion_fb_answers && break; sleep 0.2; done
  # The pid file names the server; its parent is the guard this script started.
  [ -s "$pidfile" ] && KADRION_FBGUARD_PID=$(ps -o ppid= -p "$(cat "$pidfile")" | tr -d ' ' || true)
  rm -f "$pidfile"
  echo "Firebird server started for the server tests (guard pid ${KADRION_FBGUARD_PID:-unknown})"
}
kadrion_stop_firebird() {
  [ -n "$KADRION_FBGUARD_PID" ] || return 0
  kill "$KADRION_FBGUARD_PID" 2>/dev/null || true
  KADRION_FBGUARD_PID=""
}
