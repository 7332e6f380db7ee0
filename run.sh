#!/usr/bin/env bash
# Installs what is missing, builds, and then plays the game or runs the tests.
#   ./run.sh play    build and start the game
#   ./run.sh test    build and run the whole test suite
#   ./run.sh build   build only
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake g++ pkg-config ninja-build qt6-base-dev libsdl2-mixer-dev timgm6mb-soundfont
          fonts-noto-color-emoji libx11-dev xvfb xauth xdotool x11-utils imagemagick)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    local dir=${BUILD_DIR:-build}
    cmake -S . -B "$dir" -G Ninja ${CMAKE_ARGS:-} >/dev/null
    cmake --build "$dir" --parallel
}

case "${1:-play}" in
    play)  install_missing; build; exec "./${BUILD_DIR:-build}/coppix" ;;
    test)  install_missing; build; cd "${BUILD_DIR:-build}" && ctest --output-on-failure --parallel 8 ;;
    build) install_missing; build ;;
    *) echo "usage: $0 [play|test|build]" >&2; exit 2 ;;
esac
