# Shared set-up for scripts/run and scripts/test: Debian packages, then a CMake build.
# Sourced, not run.

# What building and playing the game need; the build renders the tunes with FluidSynth and
# the TimGM6mb sound font and encodes them as WAV and with libvorbisenc; screenshots are PNG files (libpng);
# zolvex-sim --fonts stb draws text with stb_truetype (libstb-dev).
zolvex_game_packages=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-ttf-dev libsdl2-mixer-dev timgm6mb-soundfont fonts-vlgothic
  libfontconfig-dev fonts-dejavu-core zlib1g-dev libx11-dev libxext-dev
  libfluidsynth-dev libvorbis-dev libogg-dev libpng-dev libstb-dev
)

# What the test suite adds: the simulator's JSON, the test and benchmark libraries, the
# X server and tools of the end-to-end tests, clang for fuzzing, and the style checks
# and validators of the installed files.
zolvex_test_packages=(
  "${zolvex_game_packages[@]}"
  nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool openbox x11-utils imagemagick sox python3 clang libclang-rt-14-dev
  clang-format clang-tidy desktop-file-utils appstream
)

# Installs whatever of the named packages is missing. As root it runs apt-get; otherwise
# it prints the exact command to run and fails.
zolvex_install_packages() {
  local missing=()
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "zolvex: missing Debian packages; run as root:" >&2
    echo "  apt-get install -y --no-install-recommends ${missing[*]}" >&2
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
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="${ZOLVEX_BUILD_TYPE:-Release}" "$@" >/dev/null || return 1
  cmake --build "$dir" -j"$(nproc)" || return 1
}
