#!/usr/bin/env bash
# Set-up, build, run and test Tavilune on a Debian 12 machine.
#   ./build.sh run    install what is missing, build, start the program
#   ./build.sh test   install what is missing, build, run every test
#   ./build.sh build  install what is missing, build
#   ./build.sh package  install what is missing, build, make tavilune_<version>_<arch>.deb here
#                       and check it with lintian
#   ./build.sh fuzz   build the fuzz targets with clang (in build-clang/) and run each of them
#   ./build.sh sanitize  build everything with clang, ASan+UBSan and LeakSanitizer (in
#                     build-clang/), run every test there, then run each fuzz target
# Environment: TAVILUNE_SANITIZE=1 builds with ASan+UBSan (in build-asan/);
#              TAVILUNE_FUZZ_SECONDS: how long each fuzz target runs (default 30);
#              CI=true turns warnings into errors.
set -euo pipefail
cd "$(dirname "$0")"
action=${1:-}
case "$action" in run|test|build|package|fuzz|sanitize) ;; *) echo "usage: $0 run|test|build|package|fuzz|sanitize" >&2; exit 2 ;; esac

packages=(
  cmake g++ make pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libqt6opengl6-dev
  libmpv-dev libpulse-dev libmp3lame-dev libsoxr-dev libfontconfig-dev libwayland-dev libtag1-dev
  libgtest-dev libbenchmark-dev libavfilter-dev
  xvfb xauth trayer openbox xdotool x11-utils dbus-daemon pulseaudio pulseaudio-utils lame sox python3
  weston qt6-wayland pipewire pipewire-pulse wireplumber
  ffmpeg libgl1-mesa-dri desktop-file-utils libglib2.0-bin imagemagick
  icecast2 gstreamer1.0-tools gstreamer1.0-plugins-base-apps gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good gstreamer1.0-pulseaudio
  fonts-dejavu-core
)

# What making and checking the Debian package needs beyond the build.
package_tools=(dpkg-dev file lintian appstream desktop-file-utils)
[ "$action" = package ] && packages+=("${package_tools[@]}")

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

builddir=build
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${TAVILUNE_SANITIZE:-0}" = 1 ]; then
  builddir=build-asan
  cmake_args+=(-DTAVILUNE_SANITIZE=ON)
fi
if [ "${CI:-}" = true ]; then
  cmake_args+=(-DTAVILUNE_WERROR=ON)
fi

# One clang tree serves the sanitizer suite and the fuzz targets: every library carries the
# fuzzers' coverage, the tests link the sanitizers only, the fuzz targets libFuzzer as well.
build_targets=()
case "$action" in
  fuzz|sanitize)
    # clang with its sanitizer and libFuzzer runtimes; llvm for llvm-symbolizer (readable reports).
    packages+=(clang libclang-rt-14-dev llvm)
    builddir=build-clang
    cmake_args+=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTAVILUNE_FUZZ=ON
                 -DTAVILUNE_BUILD_BENCH=OFF)
    [ "$action" = fuzz ] && build_targets=(--target tav_fuzzers)
    ;;
esac

build() {
  cmake -S . -B "$builddir" "${cmake_args[@]}"
  cmake --build "$builddir" -j "$(nproc)" "${build_targets[@]}"
}

# The Debian package from the build: dependencies from dpkg-shlibdeps, then lintian, which
# fails on errors and lists its warnings.
package() {
  rm -f tavilune_*.deb
  (cd "$builddir" && cpack -G DEB)
  mv "$builddir"/tavilune_*.deb .
  local deb
  deb=$(ls tavilune_*.deb)
  echo "== $deb"
  dpkg-deb --field "$deb" Depends Recommends Suggests
  lintian --fail-on error --display-info "$deb"
}

install_missing
build

case "$action" in
  test)
    ctest --test-dir "$builddir" --output-on-failure -j "$(nproc)" --timeout 600
    ;;
  package)
    package
    ;;
  fuzz)
    tests/fuzz/run.sh "$builddir" "${TAVILUNE_FUZZ_SECONDS:-30}"
    ;;
  sanitize)
    ctest --test-dir "$builddir" --output-on-failure -j "$(nproc)" --timeout 900
    tests/fuzz/run.sh "$builddir" "${TAVILUNE_FUZZ_SECONDS:-30}"
    ;;
  run)
    exe="$builddir/bin/tavilune"
    conf="${XDG_CONFIG_HOME:-$HOME/.config}/Tavilune/Tavilune.conf"
    if ! grep -q '^DossierRadio=' "$conf" 2>/dev/null; then
      # First start: the program configures its station folders, unpacks them and ends.
      "$exe" || true
      for _ in $(seq 50); do [ -d "$builddir/bin/Radios" ] && break; sleep 0.2; done
    fi
    exec "$exe"
    ;;
esac
