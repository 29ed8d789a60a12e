# Shared set-up for scripts/run and scripts/test: Debian packages, then a CMake build.
# Sourced, not run.

zolvex_packages=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-ttf-dev libsdl2-mixer-dev timgm6mb-soundfont fluidsynth
  libfontconfig-dev fonts-dejavu-core nlohmann-json3-dev
  libgtest-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick python3 clang libclang-rt-14-dev
)

# Installs whatever of the list is missing. As root it runs apt-get; otherwise it
# prints the exact command to run and fails.
zolvex_install_packages() {
  local missing=()
  local p
  for p in "${zolvex_packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "zolvex: missing Debian packages; run as root:" >&2
    echo "  apt-get install -y ${missing[*]}" >&2
    return 1
  fi
  echo "zolvex: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null || return 1
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}

# Configures and builds into the given folder with extra CMake arguments.
zolvex_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="${ZOLVEX_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null || return 1
  cmake --build "$dir" -j"$(nproc)" || return 1
}
