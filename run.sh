#!/usr/bin/env bash
# Installs what is missing, builds, and then plays the game or runs the tests.
#   ./run.sh play    build and start the game
#   ./run.sh test    build and run the whole test suite
#   ./run.sh build   build only
#   ./run.sh sanitize  the test suite built with AddressSanitizer and UBSan (build-asan/)
#   ./run.sh fuzz      a bounded run of the fuzz targets (build-fuzz/)
# JOBS=N sets how many compile jobs and tests run at once (the number of cores by default).
set -euo pipefail
cd "$(dirname "$0")"

export JOBS=${JOBS:-$(nproc)}

packages=(cmake g++ pkg-config ninja-build qt6-base-dev libsdl2-mixer-dev timgm6mb-soundfont
          fonts-noto-color-emoji libx11-dev libxcb1-dev xvfb xauth xdotool x11-utils imagemagick
          openbox desktop-file-utils fonts-liberation)

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
    cmake --build "$dir" --parallel "$JOBS"
}

sanitize() {
    install_missing
    BUILD_DIR=build-asan CMAKE_ARGS="-DCOPPIX_SANITIZE=ON" build
    cd build-asan
    # Leaks in libraries that are not ours are listed, with reasons, in tests/lsan.supp.
    # intercept_strndup=0: with strict_string_checks, ASan's strndup checks the source up to
    # its NUL, but strndup(s, n) may be given n bytes with no NUL after them, as
    # libxkbcommon-x11 does with the atom names in X replies when Qt's xcb platform starts
    # (the real program in e2e_game): a false heap-buffer-overflow. The other string checks stay.
    # intercept_tls_get_addr=0: GCC 12's runtime takes a thread's dynamic TLS block (malloc'd by
    # glibc 2.25 and later) that happens to start 16 bytes into a page for the old glibc 2.19
    # layout, reads a bogus range from the 16 bytes before it, and LeakSanitizer then dies in
    # ScanRangeForPointers at exit ("Tracer caught signal 11"), now and then in any program with
    # threads and libraries loaded with TLS. The blocks are still found as heap, from the DTV.
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:intercept_strndup=0:intercept_tls_get_addr=0" \
    LSAN_OPTIONS="suppressions=$(pwd)/../tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        ctest --output-on-failure --parallel "$JOBS"
}

fuzz() {
    packages+=(clang-14 libclang-rt-14-dev)
    install_missing
    bash tests/fuzz/run.sh
}

case "${1:-play}" in
    play)     install_missing; build; exec "./${BUILD_DIR:-build}/coppix" ;;
    test)     install_missing; build; cd "${BUILD_DIR:-build}" && ctest --output-on-failure --parallel "$JOBS" ;;
    build)    install_missing; build ;;
    sanitize) sanitize ;;
    fuzz)     fuzz ;;
    *) echo "usage: $0 [play|test|build|sanitize|fuzz]" >&2; exit 2 ;;
esac
