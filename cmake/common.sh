# Shared by ./run.sh and ./test.sh: install what is missing, then configure and build.
# Sourced, not run.

KADRION_PACKAGES=(g++ cmake ninja-build libgtest-dev libbenchmark-dev qt6-base-dev
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  fonts-liberation fonts-dejavu-core python3-dbfread libdbd-xbase-perl poppler-utils)

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
  fi
  cmake --build "$dir" --parallel "$(nproc)"
}
